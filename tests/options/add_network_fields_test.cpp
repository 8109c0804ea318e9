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
    EXPECT_EQ(ConfirmButtonText(blank), "Add");
    EXPECT_EQ(ComposeRangeText(blank), "0.0.0.0-0");

    // The text read, then the range composed from what the fields show.
    const std::pair<const char*, const char*> cases[] = {
        {"192.168.1.1-254", "192.168.1.1-254"},
        {"10.0.0.250>10.0.1.5", "10.0.0.250>10.0.1.5"},
        {"192.168.1.1-300", "192.168.1.1-44"},  // the last byte as the scanner reads it
        // Junk is read without failing; ">" comes before "-"; octets keep their low 8 bits.
        {"", "0.0.0.0-0"},
        {"10.1.2.3", "10.1.2.3-3"},
        {"1.2.3.999>300.-1.x.4000", "1.2.3.231>44.255.0.160"},
        {"  7 . 8.9>", "7.8.9.0>0.0.0.0"},
        {"1.2-5", "1.2.0.0-5"}};
    for (const auto& [text, composed] : cases) {
        SCOPED_TRACE(text);
        const AddNetworkFields fields = FieldsFromRangeText(text);
        EXPECT_EQ(ConfirmButtonText(fields), "Edit");
        EXPECT_EQ(ComposeRangeText(fields), composed);
        // The number field and its label follow the last address.
        EXPECT_EQ(fields.last_byte, fields.last[3]);
        EXPECT_EQ(fields.last_byte_label, NetworkPrefixLabel(fields.last));
    }
    EXPECT_EQ(FieldsFromRangeText("1.2.3.4>300.-1.x.4000").last_byte_label, "44.255.0.");
    EXPECT_EQ(FieldsFromRangeText("192.168.1.1-300").last, (Octets{192, 168, 1, 44}));
    EXPECT_TRUE(RangeContains(ParseRangeStart("192.168.1.1-300") + 43, "192.168.1.1-44"));
}

TEST(AddNetworkFieldsTest, CouplingFollowsTheFirstAddressAndTheNumberField) {
    AddNetworkFields fields = FieldsFromRangeText("10.0.0.250>10.0.1.5");
    SetFirstAddress(fields, {172, 16, 4, 20});
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20>172.16.4.20");
    EXPECT_EQ(fields.last_byte, 20);
    EXPECT_EQ(fields.last_byte_label, "172.16.4.");
    SetLastByte(fields, 200);
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20>172.16.4.200") << "only the last octet";
    EXPECT_EQ(fields.last_byte_label, "172.16.4.");
    fields.full_form = false;
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20-200");

    // A full last address typed directly is kept, and nothing checks its order.
    fields.full_form = true;
    fields.last = {172, 16, 3, 1};
    EXPECT_EQ(ComposeRangeText(fields), "172.16.4.20>172.16.3.1");
    SetLastByte(fields, 257);
    EXPECT_EQ(fields.last[3], 1) << "low 8 bits while the field holds an unaccepted value";
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
    const std::pair<const char*, int> accepted[] = {{"0", 0},  {"255", 255}, {" 7", 7},
                                                    {"+7", 7}, {"-0", 0},    {"007", 7}};
    for (const auto& [text, value] : accepted) {
        EXPECT_EQ(ParseLastByteText(text), value) << text;
    }
    for (std::string_view bad :
         {"", " ", "-", "256", "-1", "7x", "x7", "7 ", "1.5", "99999999999999999999999"}) {
        EXPECT_EQ(ParseLastByteText(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace corvimap
