#include "app/version_info.h"

#include <utility>

namespace corvimap {
namespace {

#define CORVIMAP_STRINGIFY_VALUE(x) #x
#define CORVIMAP_STRINGIFY(x) CORVIMAP_STRINGIFY_VALUE(x)

constexpr const char* kProductVersion =
    CORVIMAP_STRINGIFY(CORVIMAP_VERSION_MAJOR) "." CORVIMAP_STRINGIFY(CORVIMAP_VERSION_MINOR);
constexpr const char* kPrivateBuild = CORVIMAP_STRINGIFY(CORVIMAP_VERSION_BUILD);

}  // namespace

VersionInfo::VersionInfo()
    : VersionInfo({
          {"InternalName", "Corvimap"},
          {"ProductName", "Corvimap"},
          {"OriginalFilename", "corvimap"},
          {"FileDescription", "Local network scanner"},
          {"ProductVersion", kProductVersion},
          {"FileVersion", std::string(kProductVersion) + "." + kPrivateBuild},
          {"PrivateBuild", kPrivateBuild},
          {"LegalCopyright", "Copyright (C) 2026"},
          {"CompanyName", "Tarvok"},
      }) {}

VersionInfo::VersionInfo(std::map<std::string, std::string, std::less<>> values)
    : values_(std::move(values)) {}

std::string VersionInfo::Value(std::string_view name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::string() : it->second;
}

std::string VersionInfo::VersionLine() const {
    return Value("InternalName") + " " + Value("ProductVersion") + "." + Value("PrivateBuild") +
           ".beta " + Value("LegalCopyright") + " by " + Value("CompanyName");
}

}  // namespace corvimap
