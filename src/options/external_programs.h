#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace corvimap {

// One program the host list's context menu can start with a host's address.
struct ExternalProgram {
    std::string description;  // the menu item's text
    std::string program;      // path of the program (or document) to start
    std::string parameters;   // its first "%a" becomes the host's address

    bool operator==(const ExternalProgram&) const = default;
};

// The context menu numbers its entries from 5632 and takes only numbers below 5888, so no more
// entries than this can ever be started; the list takes no more.
inline constexpr size_t kMaxExternalPrograms = 256;

inline constexpr std::string_view kProgsListSection = "Progs\\ProgsList";
inline constexpr std::string_view kProgsListColumnSection = "Progs\\ProgsListColumn";
inline constexpr std::string_view kHostAddressPlaceholder = "%a";

// What ".." puts into the fields for a chosen program path: the path itself, and, where the
// fields are empty, the file's name as the description and "%a" as the parameter line.
ExternalProgram FieldsForChosenProgram(ExternalProgram fields, std::string_view path);

// The entries in list order, and the edits the page's buttons make. An entry needs a
// description and a program; the parameter line may be empty.
class ExternalProgramList {
public:
    ExternalProgramList() = default;
    explicit ExternalProgramList(std::vector<ExternalProgram> entries);

    const std::vector<ExternalProgram>& Entries() const { return entries_; }
    size_t Count() const { return entries_.size(); }

    // Appends the fields as an entry; false when a field it needs is empty or the list is full.
    bool Add(const ExternalProgram& fields);
    // Overwrites the entry at index; false when a needed field is empty or there is none.
    bool Edit(size_t index, const ExternalProgram& fields);
    // Removes the entry at index; false when there is none.
    bool Delete(size_t index);

private:
    std::vector<ExternalProgram> entries_;
};

// The rows stored in a section: "ItemCount" and "SubItemCount", then per row its three cells
// ("Item%4.4d_%2.2d", missing ones read "") and its item data. Nothing when either count is
// missing. At most kMaxExternalPrograms rows are read.
std::optional<std::vector<ExternalProgram>> ReadExternalPrograms(const SettingsStore& store,
                                                                 std::string_view section);
// Writes the counts, the three cells of every row and item data 0. Rows past the new count from
// an earlier, longer save stay in the store and are ignored by the reader.
void WriteExternalPrograms(SettingsStore& store, std::string_view section,
                           const std::vector<ExternalProgram>& entries);
// The same for the rows from `first` on only, for a list that changed there: a list that grew
// or was edited by one row costs one row's writes.
void WriteExternalProgramsFrom(SettingsStore& store, std::string_view section,
                               const std::vector<ExternalProgram>& entries, size_t first);

}  // namespace corvimap
