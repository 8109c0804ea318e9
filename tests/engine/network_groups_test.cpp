#include "engine/network_groups.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

using Names = std::vector<std::string>;

constexpr std::string_view kGroups = "Network\\Groups";

void SetSettings(ScanSettings& settings, uint32_t flags, int32_t ping, int32_t every,
                 int32_t threads) {
    settings.FlagsGroup0 = flags;
    settings.PingTimeout = ping;
    settings.ScanEvery = every;
    settings.ThreadsOfScan = threads;
}

auto Values(const ScanSettings& settings) {
    return std::tuple{settings.FlagsGroup0.load(), settings.PingTimeout.load(),
                      settings.ScanEvery.load(), settings.ThreadsOfScan.load()};
}

// The scan values stored for a group, read back the way the program reads them.
auto StoredValues(const MemorySettingsStore& store, std::string_view group) {
    ScanSettings stored;
    LoadScanSettings(store, group, stored);
    return Values(stored);
}

// The list as "name,name,... current #selected" ("-" when nothing is selected).
std::string Text(const GroupListState& state) {
    std::string text;
    for (const std::string& name : state.names) {
        text += (text.empty() ? "" : ",") + name;
    }
    return text + " " + state.current + " #" +
           (state.selected ? std::to_string(*state.selected) : "-");
}

class NetworkGroupsTest : public ::testing::Test {
protected:
    MemorySettingsStore store;
    ScanSettings settings;
    NetworkGroups groups{store, settings};
};

TEST_F(NetworkGroupsTest, EmptyStoreGivesTheDefaultGroup) {
    EXPECT_EQ(Text(groups.Groups()), "Default Default #0");
    EXPECT_EQ(store.Size(), 0u) << "reading must not write";
}

TEST_F(NetworkGroupsTest, RangesAreWrittenInOrderAndOldValuesStay) {
    WriteGroupRanges(store, "Lab", {"10.0.0.1-5", "10.0.1.1>10.0.2.1", "1.2.3.4-4"});
    WriteGroupRanges(store, "Lab", {"9.9.9.9-9"});
    EXPECT_EQ(ReadGroupRanges(store, "Lab"), Names{"9.9.9.9-9"});
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\Lab", "Net_02", ""), "1.2.3.4-4");

    // Missing values read as "", and indexes past 99 keep counting.
    store.WriteProfileInt("Network\\Groups\\Lab", "NetsNumbers", 102);
    store.WriteProfileString("Network\\Groups\\Lab", "Net_101", "last-1");
    const Names ranges = ReadGroupRanges(store, "Lab");
    ASSERT_EQ(ranges.size(), 102u);
    EXPECT_EQ(ranges[5], "");
    EXPECT_EQ(ranges[101], "last-1");

    // Damaged counts are capped.
    for (const int32_t count : {-3, std::numeric_limits<int32_t>::max()}) {
        store.WriteProfileInt("Network\\Nets2", "NetsNumbers", count);
        store.WriteProfileInt(kGroups, "GroupsNumb", count);
        EXPECT_EQ(ReadGroupRanges(store, "Default").size(), count < 0 ? 0u : kMaxStoredEntries);
        EXPECT_EQ(ReadGroupList(store).size(), count < 0 ? 1u : kMaxStoredEntries);
    }
}

TEST_F(NetworkGroupsTest, GroupListIsSortedWithoutRegardToCase) {
    store.WriteProfileInt(kGroups, "GroupsNumb", 5);
    store.WriteProfileString(kGroups, "Group00", "lab");
    store.WriteProfileString(kGroups, "Group01", "Default");
    store.WriteProfileString(kGroups, "Group02", "alpha");
    store.WriteProfileString(kGroups, "Group04", "Beta");
    // Group03 is missing and reads as its own name.
    EXPECT_EQ(ReadGroupList(store), (Names{"alpha", "Beta", "Default", "Group03", "lab"}));

    WriteGroupList(store, {"zeta", "Office", "Default"}, "Office");
    EXPECT_EQ(ReadGroupList(store), (Names{"Default", "Office", "zeta"}));
    EXPECT_EQ(store.GetProfileString(kGroups, "Group02", ""), "zeta") << "stored sorted";

    EXPECT_EQ(FindGroupEntry({"Default", "Lab", "Laboratory"}, "lab"), 1u);
    EXPECT_EQ(FindGroupEntry({"Default"}, "Lab"), std::nullopt);
}

TEST_F(NetworkGroupsTest, AddGroupRefusesEmptyNamesAndPrefixesOfExistingNames) {
    EXPECT_EQ(groups.AddGroup("").refusal, GroupRefusal::kEmptyName);
    EXPECT_EQ(groups.AddGroup("Def").refusal, GroupRefusal::kNameTaken);
    EXPECT_EQ(store.Size(), 0u) << "a refusal writes nothing";

    // Laboratory first: Lab is then a prefix of it, in any case.
    ASSERT_TRUE(groups.AddGroup("Laboratory").accepted());
    EXPECT_EQ(groups.AddGroup("lab").refusal, GroupRefusal::kNameTaken);
    EXPECT_EQ(Text(groups.AddGroup("LABORATORY").list), "Default,Laboratory Laboratory #1");

    // The other way round: Laboratory is accepted while Lab exists.
    WriteGroupList(store, {"Default", "Lab"}, "Lab");
    EXPECT_EQ(Text(groups.AddGroup("laboratory").list), "Default,Lab,laboratory laboratory #2");
}

TEST_F(NetworkGroupsTest, AddGroupInsertsInOrderAndKeepsTheSettingsInMemory) {
    SetSettings(settings, 0x7F, 120, 5, 16);
    ASSERT_TRUE(groups.AddGroup("office").accepted());
    EXPECT_EQ(Text(groups.AddGroup("Backup").list), "Backup,Default,office Backup #0");
    // Neither saved into the old group nor reloaded from the new one.
    EXPECT_FALSE(store.Contains("GlobalFlags", "FlagsGroup0"));
    EXPECT_FALSE(store.Contains("Network\\Groups\\office", "FlagsGroup0"));
    EXPECT_EQ(Values(settings), std::tuple(0x7Fu, 120, 5, 16));
}

TEST_F(NetworkGroupsTest, SwitchSavesTheOutgoingGroupAndLoadsTheIncomingOne) {
    const auto defaults = Values(settings);
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());
    groups.SwitchGroup("Default");  // Lab's (still default) settings are saved under Lab

    SetSettings(settings, 0x33, 80, 2, 4);
    EXPECT_EQ(Text(groups.SwitchGroup("Lab")), "Default,Lab Lab #1");
    EXPECT_EQ(StoredValues(store, "Default"), std::tuple(0x33u, 80, 2, 4));
    EXPECT_EQ(Values(settings), defaults) << "Lab's own settings are loaded";

    SetSettings(settings, 0x41, 300, 15, 32);
    EXPECT_EQ(Text(groups.SwitchGroup("Default")), "Default,Lab Default #0");
    EXPECT_EQ(StoredValues(store, "Lab"), std::tuple(0x41u, 300, 15, 32));
    EXPECT_EQ(Values(settings), std::tuple(0x33u, 80, 2, 4)) << "Default's own, not overwritten";
}

TEST_F(NetworkGroupsTest, DeleteProtectsDefaultAndMakesTheFirstEntryCurrent) {
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());
    ASSERT_TRUE(groups.AddGroup("Alpha").accepted());
    EXPECT_EQ(groups.DeleteGroup("Default").refusal, GroupRefusal::kDefaultGroup);
    EXPECT_EQ(groups.DeleteGroup("lab").refusal, GroupRefusal::kUnknownGroup) << "exact names";

    // Alpha keeps settings of its own; Lab is current with others in memory.
    SetSettings(settings, 0x23, 70, 1, 2);
    groups.SwitchGroup("Lab");
    groups.AddNetwork("10.0.0.1-5");
    SetSettings(settings, 0x7F, 999, 9, 99);

    EXPECT_EQ(Text(groups.DeleteGroup("Lab").list), "Alpha,Default Alpha #0");
    EXPECT_EQ(Values(settings), std::tuple(0x23u, 70, 1, 2)) << "Alpha's settings are loaded";
    // Lab's sections stay, and its last settings in memory were dropped.
    EXPECT_EQ(store.GetProfileString("Network\\Groups\\Lab", "Net_00", ""), "10.0.0.1-5");
    EXPECT_FALSE(store.Contains("Network\\Groups\\Lab", "FlagsGroup0"));

    // Only the exact built-in name is protected: "default" is an ordinary group.
    WriteGroupList(store, {"Default", "default"}, "default");
    EXPECT_EQ(Text(groups.DeleteGroup("default").list), "Default Default #0");

    // Deleting the last listed group falls back to the built-in one.
    WriteGroupList(store, {"Lab"}, "Lab");
    EXPECT_EQ(Text(groups.DeleteGroup("Lab").list), "Default Default #0");
    EXPECT_EQ(store.GetProfileInt(kGroups, "GroupsNumb", -1), 0);
}

TEST_F(NetworkGroupsTest, NetworkEditsChangeTheCurrentGroupsStoredRanges) {
    ASSERT_TRUE(groups.AddGroup("Lab").accepted());

    EXPECT_EQ(groups.AddNetwork("10.0.0.1-5"), Names{"10.0.0.1-5"});
    EXPECT_EQ(groups.AddNetwork("10.0.1.1>10.0.2.1"), (Names{"10.0.0.1-5", "10.0.1.1>10.0.2.1"}));
    EXPECT_EQ(groups.EditNetwork(0, "10.0.0.9-9"), (Names{"10.0.0.9-9", "10.0.1.1>10.0.2.1"}));
    EXPECT_EQ(groups.EditNetwork(2, "1.1.1.1-1"), std::nullopt);
    EXPECT_EQ(groups.DeleteNetwork(0), Names{"10.0.1.1>10.0.2.1"});
    EXPECT_EQ(groups.DeleteNetwork(1), std::nullopt);
    EXPECT_EQ(ReadGroupRanges(store, "Lab"), Names{"10.0.1.1>10.0.2.1"}) << "each edit is stored";
    EXPECT_EQ(groups.DeleteNetwork(0), Names{});
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\Lab", "NetsNumbers", -1), 0);

    EXPECT_FALSE(store.Contains("Network\\Nets2", "NetsNumbers")) << "Default is untouched";
    EXPECT_EQ(groups.AddNetwork(std::string(400, '9')).back().size(), 255u);
}

}  // namespace
}  // namespace corvimap
