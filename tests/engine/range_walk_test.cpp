#include "engine/range_walk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/address_range.h"
#include "engine/network_groups.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

// The walk as runs of consecutive addresses, "first..last" or a lone "address", in walk order.
std::string Runs(const std::vector<NetAddress>& walked) {
    std::string text;
    for (std::size_t k = 0; k < walked.size();) {
        std::size_t end = k + 1;
        while (end < walked.size() &&
               ToHostOrder(walked[end]) == ToHostOrder(walked[end - 1]) + 1) {
            ++end;
        }
        text += (text.empty() ? "" : " ") + FormatAddress(walked[k]) +
                (end - k > 1 ? ".." + FormatAddress(walked[end - 1]) : "");
        k = end;
    }
    return text;
}

class RangeWalkTest : public ::testing::Test {
protected:
    // The walked addresses as runs; on_address, when given, also sees each address.
    std::string Walk(std::string_view group = "Default",
                     const std::function<void(NetAddress)>& on_address = nullptr) {
        std::vector<NetAddress> walked;
        const uint64_t count = WalkRanges(store_, group, stop_, [&](NetAddress address) {
            walked.push_back(address);
            if (on_address) {
                on_address(address);
            }
        });
        EXPECT_EQ(count, walked.size());
        return Runs(walked);
    }

    MemorySettingsStore store_;
    std::atomic<bool> stop_{false};
};

// Each range to its inclusive end, in stored order.
TEST_F(RangeWalkTest, WalksEachRangeToItsInclusiveEnd) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"192.168.1.1-254"}, "192.168.1.1..192.168.1.254"},
        {{"10.0.0.250>10.0.1.5"}, "10.0.0.250..10.0.1.5"},
        {{"192.168.1.255>192.168.2.1"}, "192.168.1.255..192.168.2.1"},
        {{"10.0.0.1-3", "172.16.5.9>172.16.5.10", "192.168.7.200-201"},
         "10.0.0.1..10.0.0.3 172.16.5.9..172.16.5.10 192.168.7.200..192.168.7.201"},
        // A reversed range probes its first address once, then the walk moves on.
        {{"192.168.1.10-5", "10.0.0.1-2"}, "192.168.1.10 10.0.0.1..10.0.0.2"},
        // A range without separator ends the walk.
        {{"10.0.0.1-2", "10.0.0.7", "10.0.0.9-9"}, "10.0.0.1..10.0.0.2"},
        {{"10.0.0.5"}, ""},
        // A range ending at the top wraps to zero and the walk goes on with the next one.
        {{"255.255.255.253-255", "10.0.0.1-1"}, "255.255.255.253..255.255.255.255 10.0.0.1"},
        {{"255.255.255.255>255.255.255.255", "10.0.0.1-1"}, "255.255.255.255 10.0.0.1"},
    };
    for (const auto& [ranges, walked] : cases) {
        SCOPED_TRACE(ranges.front());
        WriteGroupRanges(store_, "Default", ranges);
        EXPECT_EQ(Walk(), walked);
    }
}

TEST_F(RangeWalkTest, StopFlagIsCheckedBeforeEachAddress) {
    WriteGroupRanges(store_, "Default", {"10.0.0.1-254", "10.0.1.1-254"});
    int seen = 0;
    EXPECT_EQ(Walk("Default", [&](NetAddress) { stop_ = ++seen == 5; }), "10.0.0.1..10.0.0.5");

    // Stopping on the last address of a range does not let the next range begin.
    stop_ = false;
    EXPECT_EQ(
        Walk("Default", [&](NetAddress address) { stop_ = address == MakeAddress(10, 0, 0, 254); }),
        "10.0.0.1..10.0.0.254");

    stop_ = true;
    EXPECT_EQ(Walk(), "") << "a stop requested before the walk probes nothing";
}

// The stored count is compared unsigned and read after each range; Net_00 is walked even when
// it says none (the range editor leaves old values behind), and a missing value ends the walk.
TEST_F(RangeWalkTest, StoredCountIsReadAfterEachRange) {
    WriteGroupRanges(store_, "Default", {"10.0.0.1-2", "10.0.0.5-5"});
    WriteGroupRanges(store_, "Default", {});
    EXPECT_EQ(Walk(), "10.0.0.1..10.0.0.2");

    WriteGroupRanges(store_, "Default", {"10.0.0.1-1", "10.0.0.2-2", "10.0.0.4-4"});
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", -1);
    EXPECT_EQ(Walk(), "10.0.0.1..10.0.0.2 10.0.0.4");
    store_.WriteProfileString("Network\\Nets2", "Net_01", "");
    EXPECT_EQ(Walk(), "10.0.0.1");

    // A range added while the walk runs is walked when the count grows in time.
    WriteGroupRanges(store_, "Default", {"10.0.0.1-1", "10.0.0.2-2"});
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 1);
    EXPECT_EQ(Walk("Default",
                   [&](NetAddress) { store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 2); }),
              "10.0.0.1..10.0.0.2");
}

TEST_F(RangeWalkTest, NamedGroupsWalkTheirOwnSection) {
    WriteGroupRanges(store_, "Default", {"10.0.0.1-1"});
    WriteGroupRanges(store_, "default", {"10.9.9.1-2"});
    EXPECT_EQ(Walk("default"), "10.9.9.1..10.9.9.2");
    EXPECT_EQ(Walk("Lab"), "");
}

// Past the length limit the "-" is cut away, so this range ends the walk.
TEST_F(RangeWalkTest, RangesAreCutToTheLengthLimit) {
    const std::string long_range = "10.0.0.1" + std::string(300, ' ') + "-2";
    ASSERT_NE(ParseRangeStart(long_range), 0u) << "uncut, the text would be a range";
    WriteGroupRanges(store_, "Default", {long_range});
    EXPECT_EQ(Walk(), "");
}

}  // namespace
}  // namespace corvimap
