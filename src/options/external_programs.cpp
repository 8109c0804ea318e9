#include "options/external_programs.h"

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

std::string ExpandHostAddress(std::string_view parameters, std::string_view address) {
    std::string line(parameters);
    const size_t at = line.find(kHostAddressPlaceholder);
    if (at != std::string::npos) {
        line.replace(at, kHostAddressPlaceholder.size(), address);
    }
    return line;
}

std::vector<std::string> SplitParameterLine(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (in_word) {
                words.push_back(std::move(word));
                word.clear();
                in_word = false;
            }
            continue;
        }
        in_word = true;
        if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            const size_t stop = end == std::string_view::npos ? line.size() : end;
            word.append(line.substr(i + 1, stop - i - 1));
            i = stop;
        } else if (c == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size() &&
                    std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                word += line[i];
            }
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (in_word) {
        words.push_back(std::move(word));
    }
    return words;
}

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

std::string ItemValueName(uint32_t row, uint32_t column) {
    char name[48];
    std::snprintf(name, sizeof name, "Item%4.4u_%2.2u", row, column);
    return name;
}

std::string ItemDataValueName(uint32_t row) {
    char name[32];
    std::snprintf(name, sizeof name, "ItemData%4.4u", row);
    return name;
}

std::optional<std::vector<ExternalProgram>> ReadExternalPrograms(const SettingsStore& store,
                                                                 std::string_view section) {
    const int32_t columns = store.GetProfileInt(section, "SubItemCount", -1);
    const int32_t rows = store.GetProfileInt(section, "ItemCount", -1);
    if (columns == -1 || rows == -1) {
        return std::nullopt;
    }
    const uint32_t count = rows > 0 ? std::min(static_cast<uint32_t>(rows),
                                               static_cast<uint32_t>(kMaxExternalPrograms))
                                    : 0;
    std::vector<ExternalProgram> entries(count);
    for (uint32_t row = 0; row < count; ++row) {
        for (uint32_t column = 0; column < kColumns; ++column) {
            Cell(entries[row], column) =
                store.GetProfileString(section, ItemValueName(row, column), "");
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
    store.WriteProfileInt(section, "ItemCount", static_cast<int32_t>(entries.size()));
    store.WriteProfileInt(section, "SubItemCount", static_cast<int32_t>(kColumns));
    for (auto row = static_cast<uint32_t>(first); row < entries.size(); ++row) {
        ExternalProgram entry = entries[row];
        for (uint32_t column = 0; column < kColumns; ++column) {
            store.WriteProfileString(section, ItemValueName(row, column), Cell(entry, column));
        }
        store.WriteProfileInt(section, ItemDataValueName(row), 0);
    }
}

}  // namespace corvimap
