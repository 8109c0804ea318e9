#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/scan_settings.h"
#include "settings/settings_store.h"

namespace corvimap {

// Stored counts ("GroupsNumb", "NetsNumbers") are trusted only up to this many entries, so a
// damaged store cannot make a reader allocate or loop without end. A negative count reads as 0.
inline constexpr int32_t kMaxStoredEntries = 10000;

// "Net_%2.2d" and "Group%2.2d" of an index.
std::string NetValueName(uint32_t index);
std::string GroupValueName(uint32_t index);

// The name of the current group: "DefaultGroup" of "Network\Groups", "Default" when absent.
std::string CurrentGroup(const SettingsStore& store);

// A group's ranges in stored order: "NetsNumbers", then "Net_%2.2d" (missing ones read "").
std::vector<std::string> ReadGroupRanges(const SettingsStore& store, std::string_view group);
// Writes "NetsNumbers" and each "Net_%2.2d"; values past the new count stay in the store.
void WriteGroupRanges(SettingsStore& store, std::string_view group,
                      const std::vector<std::string>& ranges);

// The group names, sorted without regard to case. No stored list ("GroupsNumb" 0 or absent)
// gives the single entry "Default"; a missing "Group%2.2d" reads as its own value name.
std::vector<std::string> ReadGroupList(const SettingsStore& store);
// Writes "GroupsNumb", the names sorted as above into "Group%2.2d", and "DefaultGroup" =
// selected. Values past the new count stay in the store.
void WriteGroupList(SettingsStore& store, const std::vector<std::string>& names,
                    std::string_view selected);

// Group name order and matching: byte-wise with ASCII letters folded to lower case.
bool GroupNameLess(std::string_view a, std::string_view b);
bool GroupNameStartsWith(std::string_view name, std::string_view prefix);
void SortGroupNames(std::vector<std::string>& names);
// The first entry that begins with the prefix, as the sorted group list selects a typed name.
std::optional<size_t> FindGroupEntry(const std::vector<std::string>& names,
                                     std::string_view prefix);

// The group list as the options page shows it.
struct GroupListState {
    std::vector<std::string> names;  // sorted without regard to case
    std::string current;             // the current group ("DefaultGroup")
    std::optional<size_t> selected;  // the entry the list selects for it, if any
};

enum class GroupRefusal {
    kNone,
    kEmptyName,     // nothing was typed
    kNameTaken,     // an existing name begins with the typed one
    kDefaultGroup,  // "Default" cannot be deleted
    kUnknownGroup,  // the name to delete is not in the list
};

struct GroupChange {
    GroupRefusal refusal = GroupRefusal::kNone;
    GroupListState list;  // the list after the change (unchanged when refused)
    bool accepted() const { return refusal == GroupRefusal::kNone; }
};

// The operations of the options page on groups and their ranges. Each writes the store at once.
// Only the current group's scan settings live in memory (the ScanSettings given here); ranges are
// always read from the store.
class NetworkGroups {
public:
    NetworkGroups(SettingsStore& store, ScanSettings& settings);

    GroupListState Groups() const;
    std::vector<std::string> Ranges() const;  // of the current group

    // Saves the settings into the outgoing group, makes `name` current and loads its settings.
    GroupListState SwitchGroup(std::string_view name);
    // Adds the typed name at its sorted place and makes it current. The settings in memory stay
    // as they are and from now on belong to the new group.
    GroupChange AddGroup(std::string_view typed);
    // Removes a group other than "Default" from the list and makes the first remaining entry
    // current, loading its settings; the deleted group's settings in memory are dropped and its
    // sections stay in the store.
    GroupChange DeleteGroup(std::string_view name);

    // Range edits of the current group; each returns the new list, or nothing (and writes
    // nothing) when the index is past the end.
    std::vector<std::string> AddNetwork(std::string_view range);
    std::optional<std::vector<std::string>> EditNetwork(size_t index, std::string_view range);
    std::optional<std::vector<std::string>> DeleteNetwork(size_t index);

private:
    SettingsStore& store_;
    ScanSettings& settings_;
};

}  // namespace corvimap
