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

// first..last inclusive, in host order.
std::vector<HostOrderAddress> Span(HostOrderAddress first, HostOrderAddress last) {
    std::vector<HostOrderAddress> run;
    for (uint64_t a = first; a <= last; ++a) {
        run.push_back(static_cast<HostOrderAddress>(a));
    }
    return run;
}

// Each range to its inclusive end, in stored order, and the same again on a second pass.
// Addresses come in network order: Walk() turns them back to host order.
TEST_F(RangeWalkTest, WalksEachRangeToItsInclusiveEnd) {
    struct Case {
        std::vector<std::string> ranges;
        std::vector<std::pair<HostOrderAddress, HostOrderAddress>> runs;  // first, last
    };
    const Case cases[] = {
        {{"192.168.1.1-254"}, {{Host(192, 168, 1, 1), Host(192, 168, 1, 254)}}},
        {{"10.0.0.250>10.0.1.5"}, {{Host(10, 0, 0, 250), Host(10, 0, 1, 5)}}},
        {{"192.168.1.255>192.168.2.1"}, {{Host(192, 168, 1, 255), Host(192, 168, 2, 1)}}},
        {{"10.0.0.1-3", "172.16.5.9>172.16.5.10", "192.168.7.200-201"},
         {{Host(10, 0, 0, 1), Host(10, 0, 0, 3)},
          {Host(172, 16, 5, 9), Host(172, 16, 5, 10)},
          {Host(192, 168, 7, 200), Host(192, 168, 7, 201)}}},
        // A reversed range probes its first address once, then the walk moves on.
        {{"192.168.1.10-5", "10.0.0.1-2"},
         {{Host(192, 168, 1, 10), Host(192, 168, 1, 10)}, {Host(10, 0, 0, 1), Host(10, 0, 0, 2)}}},
        // A range without separator ends the walk.
        {{"10.0.0.1-2", "10.0.0.7", "10.0.0.9-9"}, {{Host(10, 0, 0, 1), Host(10, 0, 0, 2)}}},
        {{"10.0.0.5"}, {}},
        // A range ending at the top wraps to zero and the walk goes on with the next one.
        {{"255.255.255.253-255", "10.0.0.1-1"},
         {{0xFFFFFFFDu, 0xFFFFFFFFu}, {Host(10, 0, 0, 1), Host(10, 0, 0, 1)}}},
        {{"255.255.255.255>255.255.255.255", "10.0.0.1-1"},
         {{0xFFFFFFFFu, 0xFFFFFFFFu}, {Host(10, 0, 0, 1), Host(10, 0, 0, 1)}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.ranges.front());
        std::vector<HostOrderAddress> expected;
        for (const auto& [first, last] : each.runs) {
            const std::vector<HostOrderAddress> run = Span(first, last);
            expected.insert(expected.end(), run.begin(), run.end());
        }
        SetRanges(each.ranges);
        EXPECT_EQ(Walk(), expected);
        EXPECT_EQ(Walk(), expected) << "a second pass starts again at Net_00";
    }
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

// The stored count is compared unsigned and read after each range; Net_00 is walked even when
// it says none (the range editor leaves old values behind), and a missing value ends the walk.
TEST_F(RangeWalkTest, StoredCountIsReadAfterEachRange) {
    SetRanges({"10.0.0.1-2", "10.0.0.5-5"});
    SetRanges({});
    EXPECT_EQ(Walk(), Span(Host(10, 0, 0, 1), Host(10, 0, 0, 2)));

    SetRanges({"10.0.0.1-1", "10.0.0.2-2", "10.0.0.3-3"});
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", -1);
    EXPECT_EQ(Walk().size(), 3u);
    store_.WriteProfileString("Network\\Nets2", "Net_01", "");
    EXPECT_EQ(Walk().size(), 1u);

    // A range added while the walk runs is walked when the count grows in time.
    SetRanges({"10.0.0.1-1", "10.0.0.2-2"});
    store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 1);
    std::vector<HostOrderAddress> walked;
    WalkRanges(store_, "Default", stop_, [&](NetAddress address) {
        walked.push_back(ToHostOrder(address));
        store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 2);
    });
    EXPECT_EQ(walked, Span(Host(10, 0, 0, 1), Host(10, 0, 0, 2)));
}

TEST_F(RangeWalkTest, NamedGroupsWalkTheirOwnSection) {
    SetRanges({"10.0.0.1-1"});
    SetRanges({"10.9.9.1-2"}, "default");
    EXPECT_EQ(Walk("default"), Span(Host(10, 9, 9, 1), Host(10, 9, 9, 2)));
    EXPECT_TRUE(Walk("Lab").empty());
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
