#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// The per-user store of named sections. A section name is a path joined by single backslashes
// ("Network\Groups"). Reads never write; an absent value (or one of the wrong type) yields the
// caller's default. Writes never report errors. Every call is complete by itself and may be made
// from any thread.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual int32_t GetProfileInt(std::string_view section, std::string_view name,
                                  int32_t fallback) const = 0;
    virtual std::string GetProfileString(std::string_view section, std::string_view name,
                                         std::string_view fallback) const = 0;
    virtual std::optional<std::vector<uint8_t>> GetProfileBinary(std::string_view section,
                                                                 std::string_view name) const = 0;

    virtual void WriteProfileInt(std::string_view section, std::string_view name,
                                 int32_t value) = 0;
    virtual void WriteProfileString(std::string_view section, std::string_view name,
                                    std::string_view value) = 0;
    virtual void WriteProfileBinary(std::string_view section, std::string_view name,
                                    const std::vector<uint8_t>& value) = 0;
};

}  // namespace corvimap
