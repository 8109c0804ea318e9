#include "options/add_network_fields.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/address_range.h"
#include "engine/ipv4.h"

namespace corvimap {
namespace {

TEST(AddNetworkFieldsTest, RangeTextsReadIntoTheFieldsAndComposeBack) {
    const AddNetworkFields blank = NewNetworkFields();
    EXPECT_FALSE(blank.editing);
    EXPECT_EQ(ConfirmButtonText(blank), "Add");
    EXPECT_EQ(ComposeRangeText(blank), "0.0.0.0-0");

    const struct {
        const char* text;
        bool full_form;
        Octets first;
        Octets last;
        const char* label;  // before the last byte field: follows the last address
        const char* composed;
    } cases[] = {
        {"192.168.1.1-254",
         false,
         {192, 168, 1, 1},
         {192, 168, 1, 254},
         "192.168.1.",
         "192.168.1.1-254"},
        {"10.0.0.250>10.0.1.5",
         true,
         {10, 0, 0, 250},
         {10, 0, 1, 5},
         "10.0.1.",
         "10.0.0.250>10.0.1.5"},
        // The last byte shows what the scanner makes of it.
        {"192.168.1.1-300",
         false,
         {192, 168, 1, 1},
         {192, 168, 1, 44},
         "192.168.1.",
         "192.168.1.1-44"},
        // Junk is read without failing.
        {"", false, {0, 0, 0, 0}, {0, 0, 0, 0}, "0.0.0.", "0.0.0.0-0"},
        {"10.1.2.3", false, {10, 1, 2, 3}, {10, 1, 2, 3}, "10.1.2.", "10.1.2.3-3"},
        // The ">" comes before the "-"; octets keep their low 8 bits.
        {"1.2.3.999>300.-1.x.4000",
         true,
         {1, 2, 3, 999 & 0xFF},
         {300 & 0xFF, 255, 0, 4000 & 0xFF},
         "44.255.0.",
         "1.2.3.231>44.255.0.160"},
        {"  7 . 8.9>", true, {7, 8, 9, 0}, {0, 0, 0, 0}, "0.0.0.", "7.8.9.0>0.0.0.0"},
        {"1.2-5", false, {1, 2, 0, 0}, {1, 2, 0, 5}, "1.2.0.", "1.2.0.0-5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const AddNetworkFields fields = FieldsFromRangeText(c.text);
        EXPECT_TRUE(fields.editing);
        EXPECT_EQ(ConfirmButtonText(fields), "Edit");
        EXPECT_EQ(fields.full_form, c.full_form);
        EXPECT_EQ(fields.first, c.first);
        EXPECT_EQ(fields.last, c.last);
        EXPECT_EQ(fields.last_byte, c.last[3]);
        EXPECT_EQ(fields.last_byte_label, c.label);
        EXPECT_EQ(ComposeRangeText(fields), c.composed);
    }
    EXPECT_TRUE(RangeContains(ParseRangeStart("192.168.1.1-300") + 43, "192.168.1.1-44"));
}

TEST(AddNetworkFieldsTest, CouplingFollowsTheFirstAddressAndTheNumberField) {
    AddNetworkFields fields = FieldsFromRangeText("10.0.0.250>10.0.1.5");
    SetFirstAddress(fields, {172, 16, 4, 20});
    EXPECT_EQ(fields.last, (Octets{172, 16, 4, 20}));
    EXPECT_EQ(fields.last_byte, 20);
    EXPECT_EQ(fields.last_byte_label, "172.16.4.");

    SetLastByte(fields, 200);
    EXPECT_EQ(fields.last, (Octets{172, 16, 4, 200})) << "only the last octet follows";
    EXPECT_EQ(fields.first, (Octets{172, 16, 4, 20}));
    EXPECT_EQ(fields.last_byte_label, "172.16.4.");
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20>172.16.4.200");
    fields.full_form = false;
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20-200");

    // A full last address typed directly is kept, and nothing checks its order.
    fields.full_form = true;
    fields.last = {172, 16, 3, 1};
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20>172.16.3.1");
    EXPECT_EQ(fields.last_byte_label, "172.16.4.");

    SetLastByte(fields, 257);
    EXPECT_EQ(fields.last[3], 1) << "low 8 bits while the field holds an unaccepted value";
}

TEST(AddNetworkFieldsTest, AnyTextComposesAWellFormedRangeThatReadsBackTheSame) {
    AddNetworkFields fields;
    std::mt19937 rng(29);
    const std::string alphabet = "0123456789.->- x\xC3\xA9";
    for (int n = 0; n < 5000; ++n) {
        std::string text;
        const size_t length = rng() % 40;
        for (size_t k = 0; k < length; ++k) {
            text += alphabet[rng() % alphabet.size()];
        }
        fields = FieldsFromRangeText(text);
        const std::string composed = ComposeRangeText(fields);
        // Whatever came in, what goes out is a well-formed range that reads back the same.
        const std::string head = composed.substr(0, composed.find_first_of("->"));
        EXPECT_EQ(InetAddr(head),
                  MakeAddress(fields.first[0], fields.first[1], fields.first[2], fields.first[3]))
            << text;
        const AddNetworkFields again = FieldsFromRangeText(composed);
        EXPECT_EQ(again.first, fields.first) << text;
        EXPECT_EQ(again.last, fields.last) << text;
        EXPECT_EQ(ComposeRangeText(again), composed) << text;
    }
}

TEST(AddNetworkFieldsTest, ComposedRangesMeanWhatTheFieldsShow) {
    std::mt19937 rng(1912);
    for (int n = 0; n < 2000; ++n) {
        AddNetworkFields fields = NewNetworkFields();
        SetFirstAddress(fields, {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                                 static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())});
        SetLastByte(fields, static_cast<int>(rng() % 256));
        fields.full_form = rng() % 2 == 0;
        if (fields.full_form) {
            fields.last[1] = static_cast<uint8_t>(rng());
        }
        const std::string text = ComposeRangeText(fields);
        const HostOrderAddress first = ToHostOrder(
            MakeAddress(fields.first[0], fields.first[1], fields.first[2], fields.first[3]));
        const HostOrderAddress last = ToHostOrder(
            MakeAddress(fields.last[0], fields.last[1], fields.last[2], fields.last[3]));
        ASSERT_EQ(ParseRangeStart(text), first) << text;
        EXPECT_EQ(RangeContains(first, text), first <= last) << text;
        EXPECT_EQ(RangeContains(last, text), first <= last) << text;
        EXPECT_FALSE(last != 0xFFFFFFFFu && RangeContains(last + 1, text)) << text;

        const AddNetworkFields read = FieldsFromRangeText(text);
        EXPECT_EQ(read.first, fields.first) << text;
        EXPECT_EQ(read.last, fields.last) << text;
        EXPECT_EQ(read.full_form, fields.full_form) << text;
        EXPECT_EQ(read.last_byte, fields.last[3]) << text;
    }
}

TEST(AddNetworkFieldsTest, NumberFieldAcceptsIntegersFromZeroTo255Only) {
    EXPECT_EQ(ParseLastByteText("0"), 0);
    EXPECT_EQ(ParseLastByteText("255"), 255);
    EXPECT_EQ(ParseLastByteText(" 7"), 7);
    EXPECT_EQ(ParseLastByteText("+7"), 7);
    EXPECT_EQ(ParseLastByteText("-0"), 0);
    EXPECT_EQ(ParseLastByteText("007"), 7);
    for (std::string_view bad :
         {"", " ", "-", "256", "-1", "7x", "x7", "7 ", "1.5", "99999999999999999999999"}) {
        EXPECT_EQ(ParseLastByteText(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace corvimap
