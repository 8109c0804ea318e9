#include "settings/scan_settings.h"

#include <gtest/gtest.h>

#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

// The values in the order of their fields, to compare whole settings.
std::vector<int64_t> Values(const ScanSettings& s) {
    return {s.FlagsGroup0, s.FlagsGroup1,   s.PingTimeout,
            s.ScanEvery,   s.ThreadsOfScan, s.ParallelPing};
}

TEST(ScanSettingsTest, EmptyStoreGivesDefaultsAndSaveWritesThemToTheDefaultSections) {
    MemorySettingsStore store;
    ScanSettings settings;
    settings.FlagsGroup0 = 0xdead;
    LoadScanSettings(store, "Default", settings);
    EXPECT_EQ(Values(settings), (std::vector<int64_t>{17, 0, 50, 0, 7, 0}));
    EXPECT_EQ(store.Size(), 0u) << "a read must never write";

    SaveScanSettings(store, "Default", settings);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup0", -1), 17);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup1", -1), 0);
    EXPECT_EQ(store.GetProfileInt("Network", "PingTimeout", -1), 50);
    EXPECT_EQ(store.GetProfileInt("Network", "ScanEvery", -1), 0);
    EXPECT_EQ(store.GetProfileInt("Network", "ThreadsOfScan", -1), 7);
    EXPECT_EQ(store.GetProfileInt("Network", "ParallelPing", -1), 0);
    EXPECT_EQ(store.Size(), 6u);
}

TEST(ScanSettingsTest, NamedGroupsIncludingLowerCaseDefaultUseTheirOwnSection) {
    MemorySettingsStore store;
    ScanSettings settings;
    settings.FlagsGroup0 = 0x80000001u;  // bit 31 must survive the signed store
    settings.FlagsGroup1 = 5;
    settings.PingTimeout = 120;
    settings.ScanEvery = 5;
    settings.ThreadsOfScan = 64;
    settings.ParallelPing = true;
    SaveScanSettings(store, "default", settings);
    EXPECT_FALSE(store.Contains("GlobalFlags", "FlagsGroup0"));
    EXPECT_FALSE(store.Contains("Network", "PingTimeout"));
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\default", "ThreadsOfScan", 0), 64);
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\default", "ParallelPing", 0), 1);

    ScanSettings loaded;
    LoadScanSettings(store, "default", loaded);
    EXPECT_EQ(Values(loaded), Values(settings));
    EXPECT_EQ(loaded.FlagsGroup0, 0x80000001u);

    ScanSettings other;
    LoadScanSettings(store, "Default", other);
    EXPECT_EQ(Values(other), Values(ScanSettings{})) << "the built-in group keeps its own values";
}

}  // namespace
}  // namespace corvimap
