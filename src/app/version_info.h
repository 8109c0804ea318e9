#pragma once

#include <map>
#include <string>
#include <string_view>

namespace corvimap {

// The program's version values (internal name, product version, private build, copyright,
// company and a few more), compiled in by the build. Read once; a value that is absent reads "".
class VersionInfo {
public:
    // The values of this build.
    VersionInfo();
    // Any set of values, e.g. one lacking some of them.
    explicit VersionInfo(std::map<std::string, std::string, std::less<>> values);

    std::string Value(std::string_view name) const;

    // "<InternalName> <ProductVersion>.<PrivateBuild>.beta <LegalCopyright> by <CompanyName>":
    // the main window's title. Absent values leave the fixed pieces alone.
    std::string VersionLine() const;

private:
    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace corvimap
