#include "engine/address_range.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace corvimap {
namespace {

constexpr HostOrderAddress Host(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

// Every address of [from, to] that the range contains.
std::vector<HostOrderAddress> Contained(std::string_view range, HostOrderAddress from,
                                        HostOrderAddress to) {
    std::vector<HostOrderAddress> found;
    for (uint64_t a = from; a <= to; ++a) {
        if (RangeContains(static_cast<HostOrderAddress>(a), range)) {
            found.push_back(static_cast<HostOrderAddress>(a));
        }
    }
    return found;
}

// Start and contents of each range form, read over a window around it: the end is inclusive,
// the last-byte form keeps the low eight bits of an atoi value, the full form crosses octets,
// "-" wins over ">", and junk where an address belongs reads as 255.255.255.255.
TEST(AddressRangeTest, StartAndInclusiveEndOfEachRangeText) {
    constexpr HostOrderAddress kAllOnes = 0xFFFFFFFFu;
    struct Case {
        const char* text;
        HostOrderAddress start;
        HostOrderAddress window_from;
        HostOrderAddress window_to;
        size_t count;
        HostOrderAddress first;
        HostOrderAddress last;
    };
    const Case cases[] = {
        {"192.168.1.1-254", Host(192, 168, 1, 1), Host(192, 168, 0, 0), Host(192, 168, 2, 255), 254,
         Host(192, 168, 1, 1), Host(192, 168, 1, 254)},
        {"10.0.0.250>10.0.1.5", Host(10, 0, 0, 250), Host(10, 0, 0, 0), Host(10, 0, 2, 255), 12,
         Host(10, 0, 0, 250), Host(10, 0, 1, 5)},
        {"192.168.1.1-300", Host(192, 168, 1, 1), Host(192, 168, 1, 0), Host(192, 168, 1, 255), 44,
         Host(192, 168, 1, 1), Host(192, 168, 1, 44)},
        {"1.2.3.4- 9x", Host(1, 2, 3, 4), Host(1, 2, 3, 0), Host(1, 2, 3, 255), 6, Host(1, 2, 3, 4),
         Host(1, 2, 3, 9)},
        {"1.2.3.4--1", Host(1, 2, 3, 4), Host(1, 2, 3, 0), Host(1, 2, 3, 255), 252,
         Host(1, 2, 3, 4), Host(1, 2, 3, 255)},
        {"1.2.3.4-junk", Host(1, 2, 3, 4), Host(1, 2, 3, 0), Host(1, 2, 3, 255), 0, 0, 0},
        {"192.168.1.10-5", Host(192, 168, 1, 10), Host(192, 168, 1, 0), Host(192, 168, 1, 255), 0,
         0, 0},
        {"10.0.1.5>10.0.0.250", Host(10, 0, 1, 5), Host(10, 0, 0, 0), Host(10, 0, 2, 255), 0, 0, 0},
        {"1.2.3.4>5.6.7.8-9", kAllOnes, Host(255, 255, 255, 0), kAllOnes, 0, 0, 0},
        {"junk-5", kAllOnes, Host(255, 255, 255, 0), kAllOnes, 0, 0, 0},
        {"junk-255", kAllOnes, Host(255, 255, 255, 0), kAllOnes, 1, kAllOnes, kAllOnes},
        {"-5", kAllOnes, Host(255, 255, 255, 0), kAllOnes, 0, 0, 0},
        {">1.2.3.4", kAllOnes, Host(255, 255, 255, 0), kAllOnes, 0, 0, 0},
        {"1.2.3.4>junk", Host(1, 2, 3, 4), Host(255, 255, 255, 0), kAllOnes, 256,
         Host(255, 255, 255, 0), kAllOnes},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.text);
        EXPECT_EQ(ParseRangeStart(each.text), each.start);
        const auto found = Contained(each.text, each.window_from, each.window_to);
        ASSERT_EQ(found.size(), each.count);
        if (!found.empty()) {
            EXPECT_EQ(found.front(), each.first);
            EXPECT_EQ(found.back(), each.last);
        }
    }
    // Without a separator a text starts at zero and contains nothing.
    for (std::string_view text : {"", "192.168.1.1", "192.168.1.1..254", "hello"}) {
        EXPECT_EQ(ParseRangeStart(text), 0u) << text;
        EXPECT_FALSE(RangeContains(0, text)) << text;
        EXPECT_FALSE(RangeContains(Host(192, 168, 1, 1), text)) << text;
    }
}

TEST(AddressRangeTest, AtoiValueMatchesTheCLibrary) {
    std::vector<std::string> samples = {"",
                                        "0",
                                        "42",
                                        "  42",
                                        "\t\n\v\f\r 7",
                                        "+5",
                                        "-5",
                                        "--5",
                                        "+-5",
                                        "- 5",
                                        "12abc",
                                        "abc",
                                        "254",
                                        "300",
                                        "-300",
                                        "2147483647",
                                        "2147483648",
                                        "4294967295",
                                        "4294967296",
                                        "-2147483648",
                                        "-2147483649",
                                        "9223372036854775807",
                                        "9223372036854775808",
                                        "-9223372036854775808",
                                        "-9223372036854775809",
                                        "99999999999999999999999999",
                                        "-99999999999999999999999999",
                                        "00000000000000000000000000000000000012",
                                        "1.2"};
    std::mt19937 rng(1911);
    const std::string alphabet = " \t+-0123456789x.";
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        const size_t length = rng() % 30;
        for (size_t k = 0; k < length; ++k) {
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
    EXPECT_EQ(TruncateRangeText(std::string(300, '1')).size(), kMaxRangeLength);
    EXPECT_EQ(TruncateRangeText("1.2.3.4-5"), "1.2.3.4-5");
    // 254 ASCII bytes then a two-byte character: the cut would split it, so it goes whole.
    const std::string text = std::string(254, 'a') + "\xC3\xA9" + "tail";
    const std::string cut = TruncateRangeText(text);
    EXPECT_EQ(cut, std::string(254, 'a'));
    // Exactly 253 + two bytes fits.
    const std::string fits = std::string(253, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(TruncateRangeText(fits), std::string(253, 'a') + "\xC3\xA9");
}

}  // namespace
}  // namespace corvimap
