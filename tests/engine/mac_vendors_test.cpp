#include "engine/mac_vendors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "engine/host_record.h"

namespace corvimap {
namespace {

MacBlock Mac(std::initializer_list<uint8_t> bytes) {
    MacBlock mac{1};
    std::size_t k = 1;
    for (const uint8_t byte : bytes) {
        mac[k++] = byte;
    }
    return mac;
}

// Entries of Debian's ieee-data files, one per prefix length, some with quoted commas.
TEST(MacVendorsTest, LooksUpRealRegistryEntriesOfEveryPrefixLength) {
    if (!std::filesystem::exists(std::filesystem::path(kIeeeDataDir) / "oui.csv")) {
        GTEST_SKIP() << "ieee-data is not installed";
    }
    const auto vendors = MacVendors::LoadDirectory(kIeeeDataDir);
    ASSERT_NE(vendors, nullptr);
    const std::pair<MacBlock, const char*> cases[] = {
        {Mac({0x00, 0x00, 0x0C, 0x12, 0x34, 0x56}), "Cisco Systems, Inc"},   // MA-L
        {Mac({0x20, 0x85, 0x93, 0xA0, 0x00, 0x01}), "H3 Industries, Inc."},  // MA-M
        {Mac({0x20, 0x85, 0x93, 0xB0, 0x00, 0x01}), "IOG Products LLC"},     // MA-M
        {Mac({0x70, 0xB3, 0xD5, 0xF2, 0xF0, 0x07}), "TELEPLATFORMS"},        // MA-S
        {Mac({0x00, 0x50, 0xC2, 0x7D, 0x50, 0x01}), "DEUTA-WERKE GmbH"},     // IAB
        {Mac({0xFC, 0xFF, 0xFF, 0x00, 0x00, 0x01}), ""},                     // unassigned
    };
    for (const auto& [mac, vendor] : cases) {
        EXPECT_EQ(MacVendorText(vendors.get(), mac), vendor) << vendor;
    }
}

TEST(MacVendorsTest, VendorTextRules) {
    MacVendors vendors;
    ASSERT_EQ(vendors.AddCsv("Registry,Assignment,Organization Name,Organization Address\n"
                             "MA-L,001122,Short Prefix Co,Addr\n"
                             "MA-M,0011223,Longer Prefix Co,Addr\n"
                             "MA-L,060000,Odd Registration,Addr\n"),
              3u);
    const std::tuple<const MacVendors*, MacBlock, const char*> cases[] = {
        {&vendors, Mac({0x00, 0x11, 0x22, 0x33, 0, 0}), "Longer Prefix Co"},  // longest wins
        {&vendors, Mac({0x00, 0x11, 0x22, 0x40, 0, 0}), "Short Prefix Co"},
        {&vendors, Mac({0x06, 0x00, 0x00, 0x01, 0, 0}), "Private / random"},  // bit beats entry
        {nullptr, Mac({0x02, 0x11, 0x22, 0x33, 0, 0}), ""},                   // no registry
    };
    for (const auto& [registry, mac, text] : cases) {
        EXPECT_EQ(MacVendorText(registry, mac), text) << text;
    }
    EXPECT_EQ(MacVendors::LoadDirectory("/nonexistent-registry-dir"), nullptr);
}

TEST(MacVendorsTest, ParsesQuotedFieldsAndSkipsMalformedRecords) {
    const std::tuple<const char*, std::size_t, const char*> cases[] = {
        {"MA-L,A8BBCC,\"Quoted, Inc.\",\"Street 1, Town\"\r\n", 1, "Quoted, Inc."},
        {"MA-L,A8BBCC,\"Say \"\"Hi\"\" Ltd\",x\n", 1, "Say \"Hi\" Ltd"},
        {"MA-L,A8BBCC,Name,\"two\nline address\"\nMA-L,A8BBCD,Next,x\n", 2, "Name"},
        {"MA-L,A8BBCC,  Padded Name  ,x", 1, "Padded Name"},
        {"MA-L,A8BBZZ,Bad Hex,x\n", 0, ""},
        {"MA-L,A8BB,Too Short,x\n", 0, ""},
        {"MA-L,A8BBCC00,Eight Digits,x\n", 0, ""},
        {"MA-L,A8BBCC,,x\n", 0, ""},
        {"MA-L,A8BBCC\n", 0, ""},
        {"\n\n,,,\n", 0, ""},
        {"MA-L,A8BBCC,\"Unterminated,x\n", 1, "Unterminated,x"},
    };
    for (const auto& [csv, taken, vendor] : cases) {
        MacVendors vendors;
        EXPECT_EQ(vendors.AddCsv(csv), taken) << csv;
        EXPECT_EQ(vendors.Lookup(Mac({0xA8, 0xBB, 0xCC})), vendor) << csv;
    }
}

}  // namespace
}  // namespace corvimap
