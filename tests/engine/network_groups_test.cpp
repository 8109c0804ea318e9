#include "engine/network_groups.h"

#include <gtest/gtest.h>

#include <limits>

#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

using Names = std::vector<std::string>;

constexpr std::string_view kGroups = "Network\\Groups";

void SetSettings(ScanSettings& settings, uint32_t flags, int32_t ping, int32_t every,
                 int32_t threads) {
    settings.FlagsGroup0 = flags;
    settings.FlagsGroup1 = flags ^ 0xFFu;
    settings.PingTimeout = ping;
    settings.ScanEvery = every;
    settings.ThreadsOfScan = threads;
}

TEST(NetworkGroupsTest, EmptyStoreGivesTheDefaultGroupWithDefaultSettings) {
    MemorySettingsStore store;
    EXPECT_EQ(CurrentGroup(store), "Default");
    EXPECT_EQ(ReadGroupList(store), Names{"Default"});
    EXPECT_TRUE(ReadGroupRanges(store, "Default").empty());
    ScanSettings settings;
    SetSettings(settings, 0, 0, 9, 0);
    LoadScanSettings(store, CurrentGroup(store), settings);
    EXPECT_EQ(settings.FlagsGroup0, 0x11u);
    EXPECT_EQ(settings.FlagsGroup1, 0u);
    EXPECT_EQ(settings.PingTimeout, 50);
    EXPECT_EQ(settings.ScanEvery, 0);
    EXPECT_EQ(settings.ThreadsOfScan, 7);

    NetworkGroups groups(store, settings);
    const GroupListState state = groups.Groups();
    EXPECT_EQ(state.names, Names{"Default"});
    EXPECT_EQ(state.current, "Default");
    EXPECT_EQ(state.selected, 0u);
    EXPECT_EQ(store.Size(), 0u) << "reading must not write";

    // The built-in group keeps its ranges in its own section.
    store.WriteProfileInt("Network\\Nets2", "NetsNumbers", 1);
    store.WriteProfileString("Network\\Nets2", "Net_00", "10.0.0.1-9");
    EXPECT_EQ(groups.Ranges(), Names{"10.0.0.1-9"});
}

TEST(NetworkGroupsTest, RangesAreWrittenInOrderAndOldValuesStay) {
    MemorySettingsStore store;
    WriteGroupRanges(store, "Lab", {"10.0.0.1-5", "10.0.1.1>10.0.2.1", "1.2.3.4-4"});
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "NetsNumbers", -1), 3);
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\Lab", "Net_01", ""), "10.0.1.1>10.0.2.1");
    WriteGroupRanges(store, "Lab", {"9.9.9.9-9"});
    EXPECT_EQ(ReadGroupRanges(store, "Lab"), Names{"9.9.9.9-9"});
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\Lab", "Net_02", ""), "1.2.3.4-4");
    EXPECT_TRUE(ReadGroupRanges(store, "Default").empty());

    // Missing values read as "", and indexes past 99 keep counting.
    store.WriteProfileInt("Network\\Groups\\Lab", "NetsNumbers", 102);
    store.WriteProfileString("Network\\Groups\\Lab", "Net_101", "last-1");
    const Names ranges = ReadGroupRanges(store, "Lab");
    ASSERT_EQ(ranges.size(), 102u);
    EXPECT_EQ(ranges[5], "");
    EXPECT_EQ(ranges[101], "last-1");
    EXPECT_EQ(NetValueName(7), "Net_07");
    EXPECT_EQ(GroupValueName(123), "Group123");
}

TEST(NetworkGroupsTest, DamagedCountsAreCapped) {
    MemorySettingsStore store;
    store.WriteProfileInt("Network\\Nets2", "NetsNumbers", -3);
    EXPECT_TRUE(ReadGroupRanges(store, "Default").empty());
    store.WriteProfileInt("Network\\Nets2", "NetsNumbers", std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ReadGroupRanges(store, "Default").size(), size_t{kMaxStoredEntries});

    store.WriteProfileInt(kGroups, "GroupsNumb", -1);
    EXPECT_EQ(ReadGroupList(store), Names{"Default"});
    store.WriteProfileInt(kGroups, "GroupsNumb", std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ReadGroupList(store).size(), size_t{kMaxStoredEntries});
}

TEST(NetworkGroupsTest, GroupListIsSortedWithoutRegardToCase) {
    MemorySettingsStore store;
    store.WriteProfileInt(kGroups, "GroupsNumb", 5);
    store.WriteProfileString(kGroups, "Group00", "lab");
    store.WriteProfileString(kGroups, "Group01", "Default");
    store.WriteProfileString(kGroups, "Group02", "alpha");
    store.WriteProfileString(kGroups, "Group04", "Beta");
    // Group03 is missing and reads as its own name.
    EXPECT_EQ(ReadGroupList(store), (Names{"alpha", "Beta", "Default", "Group03", "lab"}));

    WriteGroupList(store, {"zeta", "Office", "Default"}, "Office");
    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 3);
    EXPECT_EQ(store.GetProfileString(kGroups, "Group00", ""), "Default");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group01", ""), "Office");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group02", ""), "zeta");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group04", ""), "Beta") << "left in the store";
    EXPECT_EQ(CurrentGroup(store), "Office");

    EXPECT_EQ(FindGroupEntry({"Default", "Lab", "Laboratory"}, "lab"), 1u);
    EXPECT_EQ(FindGroupEntry({"Default", "Laboratory"}, "LAB"), 1u);
    EXPECT_EQ(FindGroupEntry({"Default"}, "Lab"), std::nullopt);
}

TEST(NetworkGroupsTest, AddGroupRefusesEmptyNamesAndPrefixesOfExistingNames) {
    MemorySettingsStore store;
    ScanSettings settings;
    NetworkGroups groups(store, settings);

    EXPECT_EQ(groups.AddGroup("").refusal, GroupRefusal::kEmptyName);
    EXPECT_EQ(groups.AddGroup("default").refusal, GroupRefusal::kNameTaken);
    EXPECT_EQ(groups.AddGroup("Def").refusal, GroupRefusal::kNameTaken);
    EXPECT_EQ(store.Size(), 0u) << "a refusal writes nothing";

    // Laboratory first: Lab is then a prefix of it, in any case.
    ASSERT_TRUE(groups.AddGroup("Laboratory").accepted());
    for (std::string_view typed : {"Lab", "lab", "LABORATORY", "L"}) {
        const GroupChange change = groups.AddGroup(typed);
        EXPECT_EQ(change.refusal, GroupRefusal::kNameTaken) << typed;
        EXPECT_EQ(change.list.names, (Names{"Default", "Laboratory"}));
    }

    // The other way round: Laboratory is accepted while Lab exists.
    MemorySettingsStore other_store;
    NetworkGroups other(other_store, settings);
    ASSERT_TRUE(other.AddGroup("Lab").accepted());
    const GroupChange change = other.AddGroup("laboratory");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, (Names{"Default", "Lab", "laboratory"}));
    EXPECT_EQ(change.list.current, "laboratory");
    EXPECT_EQ(change.list.selected, 2u);
}

TEST(NetworkGroupsTest, AddGroupInsertsInOrderAndKeepsTheSettingsInMemory) {
    MemorySettingsStore store;
    ScanSettings settings;
    SetSettings(settings, 0x7F, 120, 5, 16);
    NetworkGroups groups(store, settings);

    GroupChange change = groups.AddGroup("office");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, (Names{"Default", "office"}));
    change = groups.AddGroup("Backup");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, (Names{"Backup", "Default", "office"}));
    EXPECT_EQ(change.list.current, "Backup");
    EXPECT_EQ(change.list.selected, 0u);

    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 3);
    EXPECT_EQ(store.GetProfileString(kGroups, "Group00", ""), "Backup");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group01", ""), "Default");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group02", ""), "office");
    EXPECT_EQ(store.GetProfileString(kGroups, "DefaultGroup", ""), "Backup");
    EXPECT_TRUE(groups.Ranges().empty());

    // Neither saved into the old group nor reloaded from the new one.
    EXPECT_FALSE(store.Contains("GlobalFlags", "FlagsGroup0"));
    EXPECT_FALSE(store.Contains("Network\\Groups\\office", "FlagsGroup0"));
    EXPECT_EQ(settings.FlagsGroup0, 0x7Fu);
    EXPECT_EQ(settings.ThreadsOfScan, 16);
}

TEST(NetworkGroupsTest, SwitchSavesTheOutgoingGroupAndLoadsTheIncomingOne) {
    MemorySettingsStore store;
    ScanSettings settings;
    NetworkGroups groups(store, settings);
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());
    groups.SwitchGroup("Default");
    // Default had nothing stored yet; Lab's (still default) settings were saved under Lab.
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "FlagsGroup0", -1), 0x11);
    EXPECT_EQ(settings.FlagsGroup0, 0x11u);

    SetSettings(settings, 0x33, 80, 2, 4);
    GroupListState state = groups.SwitchGroup("Lab");
    EXPECT_EQ(state.current, "Lab");
    EXPECT_EQ(state.selected, 1u);
    EXPECT_EQ(store.GetProfileString(kGroups, "DefaultGroup", ""), "Lab");
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup0", -1), 0x33);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup1", -1), 0x33 ^ 0xFF);
    EXPECT_EQ(store.GetProfileInt("Network", "PingTimeout", -1), 80);
    EXPECT_EQ(store.GetProfileInt("Network", "ScanEvery", -1), 2);
    EXPECT_EQ(store.GetProfileInt("Network", "ThreadsOfScan", -1), 4);
    EXPECT_EQ(settings.FlagsGroup0, 0x11u) << "Lab's own settings are loaded";
    EXPECT_EQ(settings.PingTimeout, 50);

    SetSettings(settings, 0x41, 300, 15, 32);
    state = groups.SwitchGroup("Default");
    EXPECT_EQ(state.current, "Default");
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "FlagsGroup0", -1), 0x41);
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "PingTimeout", -1), 300);
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "ThreadsOfScan", -1), 32);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup0", -1), 0x33) << "not overwritten";
    EXPECT_EQ(settings.FlagsGroup0, 0x33u);
    EXPECT_EQ(settings.FlagsGroup1, 0x33u ^ 0xFFu);
    EXPECT_EQ(settings.PingTimeout, 80);
    EXPECT_EQ(settings.ScanEvery, 2);
    EXPECT_EQ(settings.ThreadsOfScan, 4);
    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 2) << "the list is not rewritten";
}

TEST(NetworkGroupsTest, DeleteProtectsDefaultAndMakesTheFirstEntryCurrent) {
    MemorySettingsStore store;
    ScanSettings settings;
    NetworkGroups groups(store, settings);
    EXPECT_EQ(groups.DeleteGroup("Default").refusal, GroupRefusal::kDefaultGroup);
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());
    ASSERT_TRUE(groups.AddGroup("Alpha").accepted());
    EXPECT_EQ(groups.DeleteGroup("Default").refusal, GroupRefusal::kDefaultGroup);
    EXPECT_EQ(groups.DeleteGroup("Nowhere").refusal, GroupRefusal::kUnknownGroup);
    EXPECT_EQ(groups.DeleteGroup("lab").refusal, GroupRefusal::kUnknownGroup) << "exact names";

    // Alpha keeps settings of its own; Lab is current with others in memory.
    SetSettings(settings, 0x23, 70, 1, 2);
    groups.SwitchGroup("Lab");
    groups.AddNetwork("10.0.0.1-5");
    SetSettings(settings, 0x7F, 999, 9, 99);

    const GroupChange change = groups.DeleteGroup("Lab");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, (Names{"Alpha", "Default"}));
    EXPECT_EQ(change.list.current, "Alpha");
    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 2);
    EXPECT_EQ(store.GetProfileString(kGroups, "Group00", ""), "Alpha");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group01", ""), "Default");
    EXPECT_EQ(store.GetProfileString(kGroups, "Group02", ""), "Lab") << "left in the store";
    EXPECT_EQ(settings.FlagsGroup0, 0x23u) << "Alpha's settings are loaded";
    EXPECT_EQ(settings.PingTimeout, 70);
    // Lab's sections stay, and its last settings in memory were dropped.
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\Lab", "Net_00", ""), "10.0.0.1-5");
    EXPECT_FALSE(store.Contains("Network\\Groups\\Lab", "FlagsGroup0"));
}

TEST(NetworkGroupsTest, LowerCaseDefaultIsAnOrdinaryGroup) {
    MemorySettingsStore store;
    WriteGroupList(store, {"Default", "default"}, "default");
    ScanSettings settings;
    NetworkGroups groups(store, settings);
    SetSettings(settings, 0x3, 10, 0, 1);
    groups.AddNetwork("10.1.1.1-2");
    groups.SwitchGroup("Default");
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\default", "FlagsGroup0", -1), 0x3);
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\default", "Net_00", ""), "10.1.1.1-2");
    EXPECT_FALSE(store.Contains("Network\\Nets2", "Net_00"));
    EXPECT_FALSE(store.Contains("GlobalFlags", "FlagsGroup0"));

    const GroupChange change = groups.DeleteGroup("default");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, Names{"Default"});
}

TEST(NetworkGroupsTest, DeletingTheLastListedGroupFallsBackToDefault) {
    MemorySettingsStore store;
    WriteGroupList(store, {"Lab"}, "Lab");
    ScanSettings settings;
    NetworkGroups groups(store, settings);
    const GroupChange change = groups.DeleteGroup("Lab");
    ASSERT_TRUE(change.accepted());
    EXPECT_EQ(change.list.names, Names{"Default"});
    EXPECT_EQ(change.list.current, "Default");
    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 0);
}

TEST(NetworkGroupsTest, NetworkEditsChangeTheCurrentGroupsStoredRanges) {
    MemorySettingsStore store;
    ScanSettings settings;
    NetworkGroups groups(store, settings);
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());
    const std::string section = "Network\\Groups\\Lab";

    EXPECT_EQ(groups.AddNetwork("10.0.0.1-5"), Names{"10.0.0.1-5"});
    EXPECT_EQ(groups.AddNetwork("10.0.1.1>10.0.2.1"), (Names{"10.0.0.1-5", "10.0.1.1>10.0.2.1"}));
    EXPECT_EQ(store.GetProfileInt(section, "NetsNumbers", -1), 2);

    EXPECT_EQ(groups.EditNetwork(0, "10.0.0.9-9"), (Names{"10.0.0.9-9", "10.0.1.1>10.0.2.1"}));
    EXPECT_EQ(store.GetProfileString(section, "Net_00", ""), "10.0.0.9-9");
    EXPECT_EQ(groups.EditNetwork(2, "1.1.1.1-1"), std::nullopt);

    EXPECT_EQ(groups.DeleteNetwork(0), Names{"10.0.1.1>10.0.2.1"});
    EXPECT_EQ(store.GetProfileInt(section, "NetsNumbers", -1), 1);
    EXPECT_EQ(store.GetProfileString(section, "Net_00", ""), "10.0.1.1>10.0.2.1");
    EXPECT_EQ(store.GetProfileString(section, "Net_01", ""), "10.0.1.1>10.0.2.1")
        << "the old last value is left behind";
    EXPECT_EQ(groups.DeleteNetwork(1), std::nullopt);
    EXPECT_EQ(groups.DeleteNetwork(0), Names{});
    EXPECT_EQ(store.GetProfileInt(section, "NetsNumbers", -1), 0);

    EXPECT_FALSE(store.Contains("Network\\Nets2", "NetsNumbers")) << "Default is untouched";
    EXPECT_EQ(groups.AddNetwork(std::string(400, '9')).back().size(), 255u);
}

}  // namespace
}  // namespace corvimap
