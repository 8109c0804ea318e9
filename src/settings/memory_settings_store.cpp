#include "settings/memory_settings_store.h"

namespace corvimap {

std::optional<MemorySettingsStore::Value> MemorySettingsStore::Find(std::string_view section,
                                                                    std::string_view name) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(Key(section, name));
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void MemorySettingsStore::Store(std::string_view section, std::string_view name, Value value) {
    std::lock_guard lock(mutex_);
    values_[Key(section, name)] = std::move(value);
}

int32_t MemorySettingsStore::GetProfileInt(std::string_view section, std::string_view name,
                                           int32_t fallback) const {
    auto value = Find(section, name);
    if (value && std::holds_alternative<int32_t>(*value)) {
        return std::get<int32_t>(*value);
    }
    return fallback;
}

std::string MemorySettingsStore::GetProfileString(std::string_view section, std::string_view name,
                                                  std::string_view fallback) const {
    auto value = Find(section, name);
    if (value && std::holds_alternative<std::string>(*value)) {
        return std::get<std::string>(*value);
    }
    return std::string(fallback);
}

std::optional<std::vector<uint8_t>> MemorySettingsStore::GetProfileBinary(
    std::string_view section, std::string_view name) const {
    auto value = Find(section, name);
    if (value && std::holds_alternative<std::vector<uint8_t>>(*value)) {
        return std::get<std::vector<uint8_t>>(*value);
    }
    return std::nullopt;
}

void MemorySettingsStore::WriteProfileInt(std::string_view section, std::string_view name,
                                          int32_t value) {
    Store(section, name, value);
}

void MemorySettingsStore::WriteProfileString(std::string_view section, std::string_view name,
                                             std::string_view value) {
    Store(section, name, std::string(value));
}

void MemorySettingsStore::WriteProfileBinary(std::string_view section, std::string_view name,
                                             const std::vector<uint8_t>& value) {
    Store(section, name, value);
}

bool MemorySettingsStore::Contains(std::string_view section, std::string_view name) const {
    return Find(section, name).has_value();
}

size_t MemorySettingsStore::Size() const {
    std::lock_guard lock(mutex_);
    return values_.size();
}

}  // namespace corvimap
