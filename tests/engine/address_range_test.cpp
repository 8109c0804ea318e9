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

TEST(AddressRangeTest, LastByteFormCoversTheFirstToTheGivenLastOctet) {
    EXPECT_EQ(ParseRangeStart("192.168.1.1-254"), Host(192, 168, 1, 1));
    const auto found = Contained("192.168.1.1-254", Host(192, 168, 0, 0), Host(192, 168, 2, 255));
    ASSERT_EQ(found.size(), 254u);
    EXPECT_EQ(found.front(), Host(192, 168, 1, 1));
    EXPECT_EQ(found.back(), Host(192, 168, 1, 254));
}

TEST(AddressRangeTest, FullFormCrossesOctetBoundaries) {
    EXPECT_EQ(ParseRangeStart("10.0.0.250>10.0.1.5"), Host(10, 0, 0, 250));
    const auto found = Contained("10.0.0.250>10.0.1.5", Host(10, 0, 0, 0), Host(10, 0, 2, 255));
    // 250..255 and 0..5: twelve addresses.
    ASSERT_EQ(found.size(), 12u);
    EXPECT_EQ(found.front(), Host(10, 0, 0, 250));
    EXPECT_EQ(found.back(), Host(10, 0, 1, 5));
    EXPECT_TRUE(RangeContains(Host(10, 0, 0, 255), "10.0.0.250>10.0.1.5"));
    EXPECT_TRUE(RangeContains(Host(10, 0, 1, 0), "10.0.0.250>10.0.1.5"));
}

TEST(AddressRangeTest, LastByteKeepsOnlyItsLowEightBits) {
    const auto found = Contained("192.168.1.1-300", Host(192, 168, 1, 0), Host(192, 168, 1, 255));
    ASSERT_EQ(found.size(), 44u);
    EXPECT_EQ(found.back(), Host(192, 168, 1, 44));
    // atoi semantics after "-": white space and a sign, digits up to junk.
    EXPECT_TRUE(RangeContains(Host(1, 2, 3, 9), "1.2.3.4- 9x"));
    EXPECT_FALSE(RangeContains(Host(1, 2, 3, 10), "1.2.3.4- 9x"));
    EXPECT_TRUE(RangeContains(Host(1, 2, 3, 255), "1.2.3.4--1")) << "-1 & 0xFF is 255";
    EXPECT_FALSE(RangeContains(Host(1, 2, 3, 4), "1.2.3.4-junk")) << "last byte 0";
}

TEST(AddressRangeTest, ReversedRangeContainsNothingButStillHasAStart) {
    EXPECT_EQ(ParseRangeStart("192.168.1.10-5"), Host(192, 168, 1, 10));
    EXPECT_TRUE(Contained("192.168.1.10-5", Host(192, 168, 1, 0), Host(192, 168, 1, 255)).empty());
    EXPECT_TRUE(Contained("10.0.1.5>10.0.0.250", Host(10, 0, 0, 0), Host(10, 0, 2, 255)).empty());
}

TEST(AddressRangeTest, TextsWithoutSeparatorStartAtZeroAndContainNothing) {
    for (std::string_view text : {"", "192.168.1.1", "192.168.1.1..254", "hello"}) {
        EXPECT_EQ(ParseRangeStart(text), 0u) << text;
        EXPECT_FALSE(RangeContains(0, text)) << text;
        EXPECT_FALSE(RangeContains(Host(192, 168, 1, 1), text)) << text;
    }
}

TEST(AddressRangeTest, DashWinsOverArrowAndJunkReadsAsAllOnes) {
    // The part before "-" here is "1.2.3.4>5.6.7.8", which is no address.
    EXPECT_EQ(ParseRangeStart("1.2.3.4>5.6.7.8-9"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseRangeStart("junk-5"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseRangeStart("-5"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseRangeStart(">1.2.3.4"), 0xFFFFFFFFu);
    EXPECT_FALSE(RangeContains(0xFFFFFFFFu, "junk-5")) << "last is 255.255.255.5";
    EXPECT_TRUE(RangeContains(0xFFFFFFFFu, "junk-255"));
    // A junk last address reads as 255.255.255.255 and so reaches the top.
    EXPECT_TRUE(RangeContains(0xFFFFFFF0u, "1.2.3.4>junk"));
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
