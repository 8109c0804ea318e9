#include "engine/address_range.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace corvimap {
namespace {

constexpr HostOrderAddress Host(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

// Start and inclusive end of each range form: the last-byte form keeps the low eight bits of an
// atoi value, the full form crosses octets, "-" wins over ">", and junk where an address belongs
// reads as 255.255.255.255. A last address below the start contains nothing.
TEST(AddressRangeTest, StartAndInclusiveEndOfEachRangeText) {
    constexpr HostOrderAddress kAllOnes = 0xFFFFFFFFu;
    const std::tuple<const char*, HostOrderAddress, HostOrderAddress> cases[] = {
        {"192.168.1.1-254", Host(192, 168, 1, 1), Host(192, 168, 1, 254)},
        {"10.0.0.250>10.0.1.5", Host(10, 0, 0, 250), Host(10, 0, 1, 5)},
        {"192.168.1.1-300", Host(192, 168, 1, 1), Host(192, 168, 1, 44)},
        {"1.2.3.4- 9x", Host(1, 2, 3, 4), Host(1, 2, 3, 9)},
        {"1.2.3.4--1", Host(1, 2, 3, 4), Host(1, 2, 3, 255)},
        {"1.2.3.4-junk", Host(1, 2, 3, 4), Host(1, 2, 3, 0)},
        {"192.168.1.10-5", Host(192, 168, 1, 10), Host(192, 168, 1, 5)},
        {"10.0.1.5>10.0.0.250", Host(10, 0, 1, 5), Host(10, 0, 0, 250)},
        {"1.2.3.4>5.6.7.8-9", kAllOnes, Host(255, 255, 255, 9)},
        {"junk-5", kAllOnes, Host(255, 255, 255, 5)},
        {"junk-255", kAllOnes, kAllOnes},
        {"-5", kAllOnes, Host(255, 255, 255, 5)},
        {">1.2.3.4", kAllOnes, Host(1, 2, 3, 4)},
        {"1.2.3.4>junk", Host(1, 2, 3, 4), kAllOnes},
    };
    for (const auto& [text, start, last] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseRangeStart(text), start);
        EXPECT_EQ(RangeContains(start, text), last >= start);
        EXPECT_EQ(RangeContains(last, text), last >= start);
        EXPECT_FALSE(start > 0 && RangeContains(start - 1, text));
        EXPECT_FALSE(last < kAllOnes && RangeContains(last + 1, text));
    }
    // Without a separator a text starts at zero and contains nothing.
    for (std::string_view text : {"", "192.168.1.1", "192.168.1.1..254", "hello"}) {
        EXPECT_EQ(ParseRangeStart(text), 0u) << text;
        EXPECT_FALSE(RangeContains(Host(192, 168, 1, 1), text)) << text;
    }
}

TEST(AddressRangeTest, AtoiValueMatchesTheCLibrary) {
    // The random texts below rarely hit these: every C blank, the edges of long and of int.
    std::vector<std::string> samples = {"\t\n\v\f\r 7",         "9223372036854775807",
                                        "9223372036854775808",  "-9223372036854775808",
                                        "-9223372036854775809", "2147483648"};
    std::mt19937 rng(1911);
    const std::string alphabet = " \t+-0123456789x.";
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        for (size_t k = rng() % 30; k > 0; --k) {
            text += alphabet[rng() % alphabet.size()];
        }
        samples.push_back(text);
    }
    for (const std::string& text : samples) {
        // atoi itself is (int)strtol here; strtol is the defined form of it.
        const auto expected = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
        EXPECT_EQ(AtoiValue(text), expected) << '"' << text << '"';
    }
    // The view ends the number even without a terminating zero.
    EXPECT_EQ(AtoiValue(std::string_view("12345").substr(0, 2)), 12);
}

TEST(AddressRangeTest, TruncationKeepsAtMostTheLimitAndWholeCharacters) {
    // A two-byte character after 254 bytes would be split by the cut, so it goes whole; after
    // 253 bytes it fits.
    const std::string e = "\xC3\xA9";
    EXPECT_EQ(TruncateRangeText(std::string(254, 'a') + e + "tail"), std::string(254, 'a'));
    EXPECT_EQ(TruncateRangeText(std::string(253, 'a') + e + "tail"), std::string(253, 'a') + e);
}

}  // namespace
}  // namespace corvimap
