#include "options/external_programs.h"

#include "text/list_state_keys.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace corvimap {
namespace {

constexpr uint32_t kColumns = 3;

bool Complete(const ExternalProgram& fields) {
    return !fields.description.empty() && !fields.program.empty();
}

std::string& Cell(ExternalProgram& entry, uint32_t column) {
    switch (column) {
        case 0:
            return entry.description;
        case 1:
            return entry.program;
        default:
            return entry.parameters;
    }
}

}  // namespace

ExternalProgram FieldsForChosenProgram(ExternalProgram fields, std::string_view path) {
    fields.program = std::string(path);
    if (fields.description.empty()) {
        fields.description = std::filesystem::path(path).filename().string();
    }
    if (fields.parameters.empty()) {
        fields.parameters = std::string(kHostAddressPlaceholder);
    }
    return fields;
}

ExternalProgramList::ExternalProgramList(std::vector<ExternalProgram> entries)
    : entries_(std::move(entries)) {
    if (entries_.size() > kMaxExternalPrograms) {
        entries_.resize(kMaxExternalPrograms);
    }
}

bool ExternalProgramList::Add(const ExternalProgram& fields) {
    if (!Complete(fields) || entries_.size() >= kMaxExternalPrograms) {
        return false;
    }
    entries_.push_back(fields);
    return true;
}

bool ExternalProgramList::Edit(size_t index, const ExternalProgram& fields) {
    if (!Complete(fields) || index >= entries_.size()) {
        return false;
    }
    entries_[index] = fields;
    return true;
}

bool ExternalProgramList::Delete(size_t index) {
    if (index >= entries_.size()) {
        return false;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::optional<std::vector<ExternalProgram>> ReadExternalPrograms(const SettingsStore& store,
                                                                 std::string_view section) {
    const int32_t columns = store.GetProfileInt(section, kSubItemCountKey, -1);
    const int32_t rows = store.GetProfileInt(section, kItemCountKey, -1);
    if (columns == -1 || rows == -1) {
        return std::nullopt;
    }
    const uint32_t count = rows > 0 ? std::min(static_cast<uint32_t>(rows),
                                               static_cast<uint32_t>(kMaxExternalPrograms))
                                    : 0;
    std::vector<ExternalProgram> entries(count);
    for (uint32_t row = 0; row < count; ++row) {
        for (uint32_t column = 0; column < kColumns; ++column) {
            Cell(entries[row], column) = store.GetProfileString(
                section, ItemKey(static_cast<int>(row), static_cast<int>(column)), "");
        }
    }
    return entries;
}

void WriteExternalPrograms(SettingsStore& store, std::string_view section,
                           const std::vector<ExternalProgram>& entries) {
    WriteExternalProgramsFrom(store, section, entries, 0);
}

void WriteExternalProgramsFrom(SettingsStore& store, std::string_view section,
                               const std::vector<ExternalProgram>& entries, size_t first) {
    store.WriteProfileInt(section, kItemCountKey, static_cast<int32_t>(entries.size()));
    store.WriteProfileInt(section, kSubItemCountKey, static_cast<int32_t>(kColumns));
    for (auto row = static_cast<uint32_t>(first); row < entries.size(); ++row) {
        ExternalProgram entry = entries[row];
        for (uint32_t column = 0; column < kColumns; ++column) {
            store.WriteProfileString(section,
                                     ItemKey(static_cast<int>(row), static_cast<int>(column)),
                                     Cell(entry, column));
        }
        store.WriteProfileInt(section, ItemDataKey(static_cast<int>(row)), 0);
    }
}

}  // namespace corvimap
