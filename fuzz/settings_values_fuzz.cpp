// Settings of any value read back through the store interface: groups, their ranges and scan
// settings, the game server types and the external programs. Each reader keeps to its limits,
// and what it read, written to a fresh store, reads back the same.
//
// The input holds one "slot=value" per line: slot indexes the table of stored values below, a
// value starting with "#" is stored as a number, any other as text.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/network_groups.h"
#include "fuzz_check.h"
#include "games/game_server_browser.h"
#include "options/external_programs.h"
#include "settings/group_sections.h"
#include "settings/memory_settings_store.h"
#include "settings/scan_settings.h"
#include "text/leading_int.h"

namespace {

using namespace corvimap;
using Slot = std::pair<std::string, std::string>;

std::vector<Slot> StoredValues() {
    std::vector<Slot> slots = {{std::string(kGroupsSection), "GroupsNumb"},
                               {std::string(kGroupsSection), "DefaultGroup"}};
    for (uint32_t k = 0; k < 3; ++k) {
        slots.emplace_back(kGroupsSection, GroupValueName(k));
    }
    for (const char* group : {"Default", "Lab"}) {
        slots.emplace_back(NetsSection(group), "NetsNumbers");
        for (uint32_t k = 0; k < 3; ++k) {
            slots.emplace_back(NetsSection(group), NetValueName(k));
        }
        for (const char* name : {"FlagsGroup0", "FlagsGroup1"}) {
            slots.emplace_back(GroupFlagsSection(group), name);
        }
        for (const char* name : {"PingTimeout", "ScanEvery", "ThreadsOfScan"}) {
            slots.emplace_back(GroupTimingSection(group), name);
        }
    }
    for (const char* game : {kQuakeWorldName, kQuake2Name, kQuake3Name}) {
        for (const char* name : {"Flags", "PathToGame", "PathToSound", "PortsNumb"}) {
            slots.emplace_back(GameServerSection(game), name);
        }
        for (size_t k = 0; k < 3; ++k) {
            slots.emplace_back(GameServerSection(game), PortValueName(k));
        }
    }
    for (const char* name : {"ItemCount", "SubItemCount", "Item0000_00", "Item0000_01",
                             "Item0000_02", "Item0001_00"}) {
        slots.emplace_back(kProgsListSection, name);
    }
    return slots;
}

void Fill(MemorySettingsStore& store, std::string_view rest) {
    static const std::vector<Slot> slots = StoredValues();
    while (!rest.empty()) {
        const size_t line_feed = rest.find('\n');
        const std::string_view line = rest.substr(0, line_feed);
        rest =
            line_feed == std::string_view::npos ? std::string_view() : rest.substr(line_feed + 1);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const Slot& slot =
            slots[static_cast<uint32_t>(AtoiValue(line.substr(0, equals))) % slots.size()];
        const std::string_view value = line.substr(equals + 1);
        if (value.starts_with('#')) {
            store.WriteProfileInt(slot.first, slot.second, AtoiValue(value.substr(1)));
        } else {
            store.WriteProfileString(slot.first, slot.second, value);
        }
    }
}

void CheckGroups(const MemorySettingsStore& store) {
    const std::string current = CurrentGroup(store);
    const std::vector<std::string> names = ReadGroupList(store);
    FUZZ_CHECK(!names.empty() && names.size() <= static_cast<size_t>(kMaxStoredEntries));
    FUZZ_CHECK(std::is_sorted(names.begin(), names.end(),
                              [](const auto& a, const auto& b) { return GroupNameLess(a, b); }));
    const std::vector<std::string> ranges = ReadGroupRanges(store, current);
    FUZZ_CHECK(ranges.size() <= static_cast<size_t>(kMaxStoredEntries));
    ScanSettings settings;
    LoadScanSettings(store, current, settings);

    MemorySettingsStore copy;
    WriteGroupList(copy, names, current);
    WriteGroupRanges(copy, current, ranges);
    SaveScanSettings(copy, current, settings);
    FUZZ_CHECK(ReadGroupList(copy) == names && CurrentGroup(copy) == current);
    FUZZ_CHECK(ReadGroupRanges(copy, current) == ranges);
    ScanSettings again;
    LoadScanSettings(copy, current, again);
    FUZZ_CHECK(again.FlagsGroup0 == settings.FlagsGroup0 &&
               again.FlagsGroup1 == settings.FlagsGroup1 &&
               again.PingTimeout == settings.PingTimeout && again.ScanEvery == settings.ScanEvery &&
               again.ThreadsOfScan == settings.ThreadsOfScan);

    NetworkGroups groups(copy, again);
    const GroupListState state = groups.Groups();
    FUZZ_CHECK(state.names == names && state.current == current);
    FUZZ_CHECK(!state.selected || GroupNameStartsWith(names[*state.selected], current));
    FUZZ_CHECK(groups.Ranges() == ranges);
}

void CheckGames(MemorySettingsStore& store) {
    GameServerBrowser browser(store);
    MemorySettingsStore copy;
    for (size_t k = 0; k < browser.Count(); ++k) {
        const GameServerType& type = browser.At(k);
        FUZZ_CHECK(type.Ports()->size() <= static_cast<size_t>(kMaxStoredPorts));
        type.Save(copy);
    }
    GameServerBrowser again(copy);
    for (size_t k = 0; k < browser.Count(); ++k) {
        const GameServerType& first = browser.At(k);
        const GameServerType& second = again.At(k);
        FUZZ_CHECK(second.Flags() == first.Flags() && second.PathToGame() == first.PathToGame() &&
                   second.PathToSound() == first.PathToSound());
        // A type without ports is saved as a count of 0, which reads as "the default port".
        FUZZ_CHECK(first.Ports()->empty() || *second.Ports() == *first.Ports());
    }
}

void CheckPrograms(const MemorySettingsStore& store) {
    const std::optional<std::vector<ExternalProgram>> programs =
        ReadExternalPrograms(store, kProgsListSection);
    if (!programs) {
        return;
    }
    FUZZ_CHECK(programs->size() <= kMaxExternalPrograms);
    MemorySettingsStore copy;
    WriteExternalPrograms(copy, kProgsListSection, *programs);
    FUZZ_CHECK(ReadExternalPrograms(copy, kProgsListSection) == programs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySettingsStore store;
    Fill(store, fuzz::AsText(data, size));
    CheckGroups(store);
    CheckGames(store);
    CheckPrograms(store);
    return 0;
}
