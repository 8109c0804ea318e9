#include "engine/network_groups.h"

#include <algorithm>

#include "engine/address_range.h"
#include "settings/group_sections.h"

namespace corvimap {
namespace {

// "%2.2d": at least two digits.
std::string IndexedName(std::string_view prefix, uint32_t index) {
    std::string name(prefix);
    if (index < 10) {
        name += '0';
    }
    name += std::to_string(index);
    return name;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

uint32_t StoredCount(const SettingsStore& store, std::string_view section, std::string_view name) {
    const int32_t count = store.GetProfileInt(section, name, 0);
    return static_cast<uint32_t>(std::clamp(count, 0, kMaxStoredEntries));
}

}  // namespace

std::string NetValueName(uint32_t index) {
    return IndexedName("Net_", index);
}

std::string GroupValueName(uint32_t index) {
    return IndexedName("Group", index);
}

std::string CurrentGroup(const SettingsStore& store) {
    return store.GetProfileString(kGroupsSection, "DefaultGroup", kDefaultGroupName);
}

std::vector<std::string> ReadGroupRanges(const SettingsStore& store, std::string_view group) {
    const std::string section = NetsSection(group);
    const uint32_t count = StoredCount(store, section, "NetsNumbers");
    std::vector<std::string> ranges;
    ranges.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        ranges.push_back(store.GetProfileString(section, NetValueName(i), ""));
    }
    return ranges;
}

void WriteGroupRanges(SettingsStore& store, std::string_view group,
                      const std::vector<std::string>& ranges) {
    const std::string section = NetsSection(group);
    store.WriteProfileInt(section, "NetsNumbers", static_cast<int32_t>(ranges.size()));
    for (size_t i = 0; i < ranges.size(); ++i) {
        store.WriteProfileString(section, NetValueName(static_cast<uint32_t>(i)), ranges[i]);
    }
}

std::vector<std::string> ReadGroupList(const SettingsStore& store) {
    const uint32_t count = StoredCount(store, kGroupsSection, "GroupsNumb");
    if (count == 0) {
        return {std::string(kDefaultGroupName)};
    }
    std::vector<std::string> names;
    names.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string value_name = GroupValueName(i);
        names.push_back(store.GetProfileString(kGroupsSection, value_name, value_name));
    }
    SortGroupNames(names);
    return names;
}

void WriteGroupList(SettingsStore& store, const std::vector<std::string>& names,
                    std::string_view selected) {
    std::vector<std::string> sorted = names;
    SortGroupNames(sorted);
    store.WriteProfileInt(kGroupsSection, "GroupsNumb", static_cast<int32_t>(sorted.size()));
    for (size_t i = 0; i < sorted.size(); ++i) {
        store.WriteProfileString(kGroupsSection, GroupValueName(static_cast<uint32_t>(i)),
                                 sorted[i]);
    }
    store.WriteProfileString(kGroupsSection, "DefaultGroup", selected);
}

bool GroupNameLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
    });
}

bool GroupNameStartsWith(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), name.begin(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

void SortGroupNames(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return GroupNameLess(a, b);
    });
}

std::optional<size_t> FindGroupEntry(const std::vector<std::string>& names,
                                     std::string_view prefix) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (GroupNameStartsWith(names[i], prefix)) {
            return i;
        }
    }
    return std::nullopt;
}

NetworkGroups::NetworkGroups(SettingsStore& store, ScanSettings& settings)
    : store_(store), settings_(settings) {}

GroupListState NetworkGroups::Groups() const {
    GroupListState state;
    state.names = ReadGroupList(store_);
    state.current = CurrentGroup(store_);
    state.selected = FindGroupEntry(state.names, state.current);
    return state;
}

std::vector<std::string> NetworkGroups::Ranges() const {
    return ReadGroupRanges(store_, CurrentGroup(store_));
}

GroupListState NetworkGroups::SwitchGroup(std::string_view name) {
    SaveScanSettings(store_, CurrentGroup(store_), settings_);
    store_.WriteProfileString(kGroupsSection, "DefaultGroup", name);
    LoadScanSettings(store_, name, settings_);
    return Groups();
}

GroupChange NetworkGroups::AddGroup(std::string_view typed) {
    GroupChange change;
    std::vector<std::string> names = ReadGroupList(store_);
    if (typed.empty()) {
        change.refusal = GroupRefusal::kEmptyName;
    } else if (FindGroupEntry(names, typed)) {
        change.refusal = GroupRefusal::kNameTaken;
    }
    if (!change.accepted()) {
        change.list = Groups();
        return change;
    }
    const auto place = std::upper_bound(
        names.begin(), names.end(), typed,
        [](std::string_view a, const std::string& b) { return GroupNameLess(a, b); });
    names.insert(place, std::string(typed));
    WriteGroupList(store_, names, typed);
    change.list = Groups();
    return change;
}

GroupChange NetworkGroups::DeleteGroup(std::string_view name) {
    GroupChange change;
    std::vector<std::string> names = ReadGroupList(store_);
    const auto entry = std::find(names.begin(), names.end(), name);
    if (name == kDefaultGroupName) {
        change.refusal = GroupRefusal::kDefaultGroup;
    } else if (entry == names.end()) {
        change.refusal = GroupRefusal::kUnknownGroup;
    }
    if (!change.accepted()) {
        change.list = Groups();
        return change;
    }
    names.erase(entry);
    // An emptied list reads back as the built-in group alone, so that one becomes current.
    const std::string next = names.empty() ? std::string(kDefaultGroupName) : names.front();
    WriteGroupList(store_, names, next);
    LoadScanSettings(store_, next, settings_);
    change.list = Groups();
    return change;
}

std::vector<std::string> NetworkGroups::AddNetwork(std::string_view range) {
    const std::string group = CurrentGroup(store_);
    std::vector<std::string> ranges = ReadGroupRanges(store_, group);
    ranges.push_back(TruncateRangeText(range));
    WriteGroupRanges(store_, group, ranges);
    return ranges;
}

std::optional<std::vector<std::string>> NetworkGroups::EditNetwork(size_t index,
                                                                   std::string_view range) {
    const std::string group = CurrentGroup(store_);
    std::vector<std::string> ranges = ReadGroupRanges(store_, group);
    if (index >= ranges.size()) {
        return std::nullopt;
    }
    ranges[index] = TruncateRangeText(range);
    WriteGroupRanges(store_, group, ranges);
    return ranges;
}

std::optional<std::vector<std::string>> NetworkGroups::DeleteNetwork(size_t index) {
    const std::string group = CurrentGroup(store_);
    std::vector<std::string> ranges = ReadGroupRanges(store_, group);
    if (index >= ranges.size()) {
        return std::nullopt;
    }
    ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(index));
    WriteGroupRanges(store_, group, ranges);
    return ranges;
}

}  // namespace corvimap
