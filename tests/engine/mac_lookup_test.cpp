#include "engine/mac_lookup.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "engine/host_columns.h"
#include "engine/net_api_layer.h"
#include "lab/netns_sandbox.h"

namespace corvimap {
namespace {

using testing::ParseFields;
using testing::RunInFreshNetNamespace;
using testing::Shell;

// As the kernel prints it, including an incomplete entry, a failed entry that still remembers
// an address, the same address on two devices and a last line without its line feed.
constexpr const char* kArpTable =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "192.168.1.10     0x1         0x2         00:1b:21:3a:4f:5c     *        eth0\n"
    "192.168.1.1      0x1         0x0         00:00:00:00:00:00     *        eth0\n"
    "192.168.1.1      0x1         0x2         a4:2b:b0:11:22:33     *        wlan0\n"
    "192.168.1.7      0x1         0x0         02:aa:bb:cc:dd:ee     *        eth0\n"
    "192.168.1.8      0x1         0x6         02:00:00:00:00:08     *        eth0\n"
    "192.168.1.1      0x1         0x2         66:66:66:66:66:66     *        eth1\n"
    "garbage line\n"
    "192.168.1.9      0x1         0x2         zz:00:00:00:00:01     *        eth0\n"
    "10.0.0.5         0x1         0x2         00:50:56:c0:00:08     *        eth2";

// The incomplete row (all zero) gives nothing and the next row for the address wins; a row that
// failed but still holds an address supplies it, and so does a permanent one. Not listed, a
// prefix of a listed address or a malformed hardware address give nothing.
TEST(ArpTableTest, FirstRowWithARealAddressWins) {
    const std::pair<NetAddress, std::optional<HardwareAddress>> cases[] = {
        {MakeAddress(192, 168, 1, 10), HardwareAddress{0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c}},
        {MakeAddress(192, 168, 1, 1), HardwareAddress{0xa4, 0x2b, 0xb0, 0x11, 0x22, 0x33}},
        {MakeAddress(192, 168, 1, 7), HardwareAddress{0x02, 0xaa, 0xbb, 0xcc, 0xdd, 0xee}},
        {MakeAddress(192, 168, 1, 8), HardwareAddress{0x02, 0x00, 0x00, 0x00, 0x00, 0x08}},
        {MakeAddress(10, 0, 0, 5), HardwareAddress{0x00, 0x50, 0x56, 0xc0, 0x00, 0x08}},
        {MakeAddress(192, 168, 1, 2), std::nullopt},
        {MakeAddress(192, 168, 1, 100), std::nullopt},
        {MakeAddress(192, 168, 1, 9), std::nullopt},
    };
    for (const auto& [address, mac] : cases) {
        EXPECT_EQ(FindArpTableMac(kArpTable, address), mac) << FormatAddress(address);
    }
    EXPECT_FALSE(FindArpTableMac("IP address       HW type     Flags       HW address", 0));
    EXPECT_FALSE(FindArpTableMac("", MakeAddress(192, 168, 1, 10)));
}

TEST(AdapterMacTest, OnlyAdaptersWithARealHardwareAddressCount) {
    const NetAddress shared = MakeAddress(10, 1, 2, 3);
    const std::vector<LocalAdapter> adapters = {
        {"lo", HardwareAddress{}, {MakeAddress(127, 0, 0, 1)}},
        {"tun0", std::nullopt, {MakeAddress(10, 8, 0, 2)}},
        {"eth0", HardwareAddress{2, 0, 0, 0, 0, 1}, {MakeAddress(192, 168, 1, 5), shared}},
        {"eth1", HardwareAddress{2, 0, 0, 0, 0, 2}, {shared}},
    };
    EXPECT_FALSE(FindAdapterMac(adapters, MakeAddress(127, 0, 0, 1)));
    EXPECT_FALSE(FindAdapterMac(adapters, MakeAddress(10, 8, 0, 2)));
    EXPECT_EQ(FindAdapterMac(adapters, shared), (HardwareAddress{2, 0, 0, 0, 0, 1}));
    EXPECT_FALSE(FindAdapterMac(adapters, MakeAddress(192, 168, 1, 6)));
}

// us: eth0 02:11:22:33:44:55 with 198.18.0.1/24 and the labelled address 198.18.0.5. Peers the
// kernel learned by ARP are the scan lab test's, which compares their MACs with the lab's.
TEST(LookupMacTest, LocalAdaptersIncludingLabelledAddresses) {
    const std::map<std::string, std::string> expected = {
        {"198.18.0.1", "02-11-22-33-44-55"},
        {"198.18.0.5", "02-11-22-33-44-55"},
        {"127.0.0.1", ""},
        {"198.18.0.77", ""},  // absent
    };
    const auto output = RunInFreshNetNamespace([&expected] {
        std::ostringstream out;
        out << "built="
            << (Shell("ip link set lo up") &&
                Shell("ip link add eth0 address 02:11:22:33:44:55 type veth peer name eth1") &&
                Shell("ip addr add 198.18.0.1/24 dev eth0") &&
                Shell("ip addr add 198.18.0.5/24 dev eth0 label eth0:1") &&
                Shell("ip link set eth0 up"))
            << "\n";
        const NetApiLayer layer;
        for (const auto& [address, mac] : expected) {
            out << address << "=" << FormatMacText(layer.LookupMac(InetAddr(address))) << "\n";
        }
        return out.str();
    });
    if (!output) {
        GTEST_SKIP() << "cannot create a network namespace (needs root)";
    }
    const auto fields = ParseFields(*output);
    ASSERT_EQ(fields.at("built"), "1") << *output;
    for (const auto& [address, mac] : expected) {
        EXPECT_EQ(fields.at(address), mac) << address;
    }
}

}  // namespace
}  // namespace corvimap
