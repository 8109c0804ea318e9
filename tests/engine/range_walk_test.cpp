#include "engine/range_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/address_range.h"
#include "engine/network_groups.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

constexpr HostOrderAddress Host(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

class RangeWalkTest : public ::testing::Test {
protected:
    void SetRanges(const std::vector<std::string>& ranges, std::string_view group = "Default") {
        WriteGroupRanges(store_, group, ranges);
    }

    // The walked addresses as host-order numbers, in walk order.
    std::vector<HostOrderAddress> Walk(std::string_view group = "Default") {
        std::vector<HostOrderAddress> walked;
        const uint64_t count = WalkRanges(store_, group, stop_, [&](NetAddress address) {
            walked.push_back(ToHostOrder(address));
        });
        EXPECT_EQ(count, walked.size());
        return walked;
    }

    MemorySettingsStore store_;
    std::atomic<bool> stop_{false};
};

TEST_F(RangeWalkTest, WalksOneRangeInOrderAndHandsOverNetworkOrder) {
    SetRanges({"192.168.1.1-254"});
    std::vector<std::string> shown;
    WalkRanges(store_, "Default", stop_,
               [&](NetAddress address) { shown.push_back(FormatAddress(address)); });
    ASSERT_EQ(shown.size(), 254u);
    EXPECT_EQ(shown.front(), "192.168.1.1");
    EXPECT_EQ(shown[1], "192.168.1.2");
    EXPECT_EQ(shown.back(), "192.168.1.254");
}

TEST_F(RangeWalkTest, FullFormsCrossOctetBoundaries) {
    SetRanges({"10.0.0.250>10.0.1.5"});
    const auto walked = Walk();
    ASSERT_EQ(walked.size(), 12u);
    for (size_t i = 0; i < walked.size(); ++i) {
        ASSERT_EQ(walked[i], Host(10, 0, 0, 250) + i);
    }

    SetRanges({"192.168.1.255>192.168.2.1"});
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{Host(192, 168, 1, 255), Host(192, 168, 2, 0),
                                                     Host(192, 168, 2, 1)}));
}

TEST_F(RangeWalkTest, ThreeRangesInOrderAndAgainFromTheFirstOnASecondPass) {
    SetRanges({"10.0.0.1-3", "172.16.5.9>172.16.5.10", "192.168.7.200-201"});
    const std::vector<HostOrderAddress> expected = {
        Host(10, 0, 0, 1),    Host(10, 0, 0, 2),      Host(10, 0, 0, 3),     Host(172, 16, 5, 9),
        Host(172, 16, 5, 10), Host(192, 168, 7, 200), Host(192, 168, 7, 201)};
    EXPECT_EQ(Walk(), expected);
    EXPECT_EQ(Walk(), expected) << "a second pass starts again at Net_00";
}

TEST_F(RangeWalkTest, ReversedRangeProbesItsFirstAddressOnceThenMovesOn) {
    SetRanges({"192.168.1.10-5", "10.0.0.1-2"});
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{Host(192, 168, 1, 10), Host(10, 0, 0, 1),
                                                     Host(10, 0, 0, 2)}));
}

TEST_F(RangeWalkTest, RangeWithoutSeparatorOrMissingValueEndsTheWalk) {
    SetRanges({"10.0.0.1-2", "10.0.0.7", "10.0.0.9-9"});
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{Host(10, 0, 0, 1), Host(10, 0, 0, 2)}));

    SetRanges({"10.0.0.1-1", "10.0.0.9-9"});
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 3);
    store_.WriteProfileString("Network\\Nets2", "Net_01", "");
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{Host(10, 0, 0, 1)}));

    SetRanges({"10.0.0.5"});
    EXPECT_TRUE(Walk().empty());
    MemorySettingsStore empty;
    EXPECT_EQ(WalkRanges(empty, "Default", stop_, [](NetAddress) { FAIL(); }), 0u);
}

TEST_F(RangeWalkTest, RangeEndingAtTheTopWrapsToZeroAndGoesOnWithTheNextRange) {
    SetRanges({"255.255.255.253-255", "10.0.0.1-1"});
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu,
                                                     Host(10, 0, 0, 1)}));
    SetRanges({"255.255.255.255>255.255.255.255", "10.0.0.1-1"});
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{0xFFFFFFFFu, Host(10, 0, 0, 1)}));
}

TEST_F(RangeWalkTest, StopFlagIsCheckedBeforeEachAddress) {
    SetRanges({"10.0.0.1-254", "10.0.1.1-254"});
    std::vector<NetAddress> walked;
    const uint64_t count = WalkRanges(store_, "Default", stop_, [&](NetAddress address) {
        walked.push_back(address);
        if (walked.size() == 5) {
            stop_ = true;
        }
    });
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(walked.size(), 5u);

    // Stopping on the last address of a range does not let the next range begin.
    stop_ = false;
    walked.clear();
    WalkRanges(store_, "Default", stop_, [&](NetAddress address) {
        walked.push_back(address);
        stop_ = ToHostOrder(address) == Host(10, 0, 0, 254);
    });
    EXPECT_EQ(walked.size(), 254u);

    stop_ = true;
    EXPECT_TRUE(Walk().empty()) << "a stop requested before the walk probes nothing";
}

TEST_F(RangeWalkTest, Net00IsWalkedEvenWhenNetsNumbersSaysNone) {
    // The range editor leaves old values behind when the list shrinks.
    SetRanges({"10.0.0.1-2", "10.0.0.5-5"});
    SetRanges({});
    EXPECT_EQ(store_.GetProfileInt("Network\\Nets2", "NetsNumbers", -1), 0);
    EXPECT_EQ(Walk(), (std::vector<HostOrderAddress>{Host(10, 0, 0, 1), Host(10, 0, 0, 2)}));

    MemorySettingsStore no_count;
    no_count.WriteProfileString("Network\\Nets2", "Net_00", "10.0.0.3-3");
    no_count.WriteProfileString("Network\\Nets2", "Net_01", "10.0.0.4-4");
    EXPECT_EQ(WalkRanges(no_count, "Default", stop_, [](NetAddress) {}), 1u);
}

TEST_F(RangeWalkTest, NetsNumbersIsComparedUnsignedAndReadAfterEachRange) {
    SetRanges({"10.0.0.1-1", "10.0.0.2-2", "10.0.0.3-3"});
    // Negative: a huge unsigned count, so the walk runs until a range is missing.
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", -1);
    EXPECT_EQ(Walk().size(), 3u);

    // A range added while the walk runs is walked when the count grows in time.
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 1);
    std::vector<HostOrderAddress> walked;
    WalkRanges(store_, "Default", stop_, [&](NetAddress address) {
        walked.push_back(ToHostOrder(address));
        store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 2);
    });
    EXPECT_EQ(walked, (std::vector<HostOrderAddress>{Host(10, 0, 0, 1), Host(10, 0, 0, 2)}));
}

TEST_F(RangeWalkTest, NamedGroupsWalkTheirOwnSection) {
    SetRanges({"10.0.0.1-1"});
    SetRanges({"10.9.9.1-2"}, "default");
    EXPECT_TRUE(store_.Contains("Network\\Groups\\default", "Net_00"));
    EXPECT_EQ(Walk("default"),
              (std::vector<HostOrderAddress>{Host(10, 9, 9, 1), Host(10, 9, 9, 2)}));
    EXPECT_EQ(Walk("Lab"), std::vector<HostOrderAddress>{});
}

TEST_F(RangeWalkTest, FirstRangeIsReadAndCutToTheRangeLimit) {
    EXPECT_EQ(ReadFirstRange(store_, "Default"), "");
    SetRanges({"10.0.0.1-2"});
    EXPECT_EQ(ReadFirstRange(store_, "Default"), "10.0.0.1-2");
    // Past the limit the "-" is cut away, so this range ends the walk.
    const std::string long_range = "10.0.0.1" + std::string(300, ' ') + "-2";
    ASSERT_NE(ParseRangeStart(long_range), 0u) << "uncut, the text would be a range";
    SetRanges({long_range});
    EXPECT_EQ(ReadFirstRange(store_, "Default").size(), 255u);
    EXPECT_TRUE(Walk().empty());
}

}  // namespace
}  // namespace corvimap
