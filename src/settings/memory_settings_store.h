#pragma once

#include <map>
#include <mutex>
#include <variant>

#include "settings/settings_store.h"

namespace corvimap {

// A store that lives in memory only: for tests and for tools that must not touch the user's file.
class MemorySettingsStore final : public SettingsStore {
public:
    using Value = std::variant<int32_t, std::string, std::vector<uint8_t>>;

    int32_t GetProfileInt(std::string_view section, std::string_view name,
                          int32_t fallback) const override;
    std::string GetProfileString(std::string_view section, std::string_view name,
                                 std::string_view fallback) const override;
    std::optional<std::vector<uint8_t>> GetProfileBinary(std::string_view section,
                                                         std::string_view name) const override;

    void WriteProfileInt(std::string_view section, std::string_view name, int32_t value) override;
    void WriteProfileString(std::string_view section, std::string_view name,
                            std::string_view value) override;
    void WriteProfileBinary(std::string_view section, std::string_view name,
                            const std::vector<uint8_t>& value) override;

    // Test helpers: whether a value exists, and how many values are stored.
    bool Contains(std::string_view section, std::string_view name) const;
    size_t Size() const;

private:
    using Key = std::pair<std::string, std::string>;
    std::optional<Value> Find(std::string_view section, std::string_view name) const;
    void Store(std::string_view section, std::string_view name, Value value);

    mutable std::mutex mutex_;
    std::map<Key, Value> values_;
};

}  // namespace corvimap
