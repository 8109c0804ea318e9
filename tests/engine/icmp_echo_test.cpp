#include "engine/icmp_echo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/net_api_layer.h"
#include "lab/netns_sandbox.h"

namespace corvimap {
namespace {

using testing::PeerNamespace;
using testing::RunInFreshNetNamespace;
using testing::Shell;

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

// An IPv4 packet (20-byte header) carrying the ICMP bytes.
std::vector<uint8_t> IpPacket(NetAddress source, NetAddress destination, uint8_t ttl,
                              const std::vector<uint8_t>& icmp) {
    std::vector<uint8_t> packet(20, 0);
    packet[0] = 0x45;
    Put16(packet, 2, static_cast<uint16_t>(20 + icmp.size()));
    packet[8] = ttl;
    packet[9] = 1;
    std::memcpy(&packet[12], &source, 4);  // both in network order already
    std::memcpy(&packet[16], &destination, 4);
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    return packet;
}

std::vector<uint8_t> Icmp(uint8_t type, uint8_t code, uint16_t id, uint16_t sequence,
                          size_t data_size = 0) {
    std::vector<uint8_t> icmp(8 + data_size, 0);
    icmp[0] = type;
    icmp[1] = code;
    Put16(icmp, 4, id);
    Put16(icmp, 6, sequence);
    return icmp;
}

// "status address ttl N", with " data M" for an echo reply; or "none".
std::string Text(const std::optional<EchoReply>& reply) {
    if (!reply) {
        return "none";
    }
    return std::to_string(reply->status) + " " + FormatAddress(reply->address) + " ttl " +
           std::to_string(reply->ttl) +
           (reply->status == icmp_status::kSuccess ? " data " + std::to_string(reply->data_size)
                                                   : "");
}

std::string Describe(const char* key, const std::optional<EchoReply>& reply) {
    return std::string(key) + "=" + Text(reply) + "\n";
}

constexpr NetAddress kUs = MakeAddress(198, 18, 0, 1);
constexpr NetAddress kTarget = MakeAddress(198, 18, 1, 2);
constexpr NetAddress kRouter = MakeAddress(198, 18, 0, 2);

// An ICMP error from the router that quotes a request of ours to the address with the sequence
// (its IP header and first 8 bytes).
std::vector<uint8_t> Error(uint8_t type, uint8_t code, NetAddress to, uint16_t sequence) {
    std::vector<uint8_t> icmp = Icmp(type, code, 0, 0);
    const std::vector<uint8_t> quoted = IpPacket(kUs, to, 1, Icmp(8, 0, 0x1234, sequence));
    icmp.insert(icmp.end(), quoted.begin(), quoted.end());
    return IpPacket(kRouter, kUs, 64, icmp);
}

TEST(RawIcmpPacketTest, MatchesOnlyOurEchoReplyAndErrorsQuotingOurRequest) {
    // A packet the socket may see, and what it reads as.
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {IpPacket(kTarget, kUs, 61, Icmp(0, 0, 0x1234, 7, 32)), "0 198.18.1.2 ttl 61 data 32"},
        {Error(11, 0, kTarget, 7), "11013 198.18.0.2 ttl 64"},
        {Error(3, 0, kTarget, 7), "11002 198.18.0.2 ttl 64"},
        {Error(3, 1, kTarget, 7), "11003 198.18.0.2 ttl 64"},
        // Replies to other requests: another id, another sequence, or from another host.
        {IpPacket(kTarget, kUs, 61, Icmp(0, 0, 0x1235, 7)), "none"},
        {IpPacket(kTarget, kUs, 61, Icmp(0, 0, 0x1234, 8)), "none"},
        {IpPacket(kRouter, kUs, 61, Icmp(0, 0, 0x1234, 7)), "none"},
        {IpPacket(kTarget, kUs, 61, Icmp(8, 0, 0x1234, 7)), "none"},  // our own request
        // Errors about somebody else's packets.
        {Error(11, 0, kRouter, 7), "none"},
        {Error(11, 0, kTarget, 9), "none"},
    };
    for (const auto& [packet, expected] : cases) {
        EXPECT_EQ(Text(MatchRawIcmpPacket(packet, kTarget, 0x1234, 7)), expected);
    }
    // Every cut-off form of an error is read only as far as it goes, and matches nothing.
    const std::vector<uint8_t> error = Error(11, 0, kTarget, 7);
    for (size_t length = 0; length < error.size(); ++length) {
        const std::vector<uint8_t> cut(error.begin(), error.begin() + length);
        EXPECT_FALSE(MatchRawIcmpPacket(cut, kTarget, 0x1234, 7)) << "length " << length;
    }
}

TEST(IcmpEchoTest, ConcurrentRequestsTakeOnlyTheirOwnReplies) {
    const NetApiLayer layer;
    if (layer.IcmpUnavailable()) {
        GTEST_SKIP() << "neither an ICMP datagram socket nor a raw socket may be opened here";
    }
    // Every 127.x address answers, so each thread can check that the reply it took came from its
    // own target; on raw sockets every thread sees all the others' replies too.
    std::atomic<int> mismatches{0};
    std::vector<std::jthread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&layer, &mismatches, t] {
            const NetAddress target = MakeAddress(127, 0, 0, static_cast<uint8_t>(10 + t));
            for (int round = 0; round < 15; ++round) {
                const auto reply = layer.EchoRequest(target, 2000, static_cast<uint16_t>(t), 64);
                if (!reply || reply->status != icmp_status::kSuccess || reply->address != target ||
                    reply->data_size != t) {
                    ++mismatches;
                }
            }
        });
    }
    threads.clear();  // joins them
    EXPECT_EQ(mismatches, 0);
}

const char* PathName(IcmpPath path) {
    static const char* const kNames[] = {"auto", "datagram", "raw", "unavailable"};
    return kNames[static_cast<int>(path)];
}

// us (198.18.0.1) -- router (198.18.0.2, forwards) -- an empty link 198.18.1.0/24 where nobody
// answers; the router has no route to 198.19.0.0/16 and an "unreachable" route for
// 198.18.8.0/24. Routers send only a couple of unreachable errors in a row to one sender (the
// kernel's route error_cost and error_burst), so each path gets a router of its own. Also admits
// every group to datagram ICMP sockets, which a new namespace admits none ("1 0").
bool BuildRouterLab(const PeerNamespace& router) {
    const std::string r = router.name();
    return router.ok() && Shell("ip link set lo up") &&
           Shell("ip link add eth0 type veth peer name eth0 netns " + r) &&
           Shell("ip addr add 198.18.0.1/24 dev eth0") && Shell("ip link set eth0 up") &&
           Shell("ip route add 198.18.0.0/15 via 198.18.0.2") &&
           router.Exec("ip addr add 198.18.0.2/24 dev eth0") &&
           router.Exec("ip link set eth0 up") &&
           router.Exec("ip link add eth1 type veth peer name eth2") &&
           router.Exec("ip addr add 198.18.1.1/24 dev eth1") &&
           router.Exec("ip link set eth1 up") && router.Exec("ip link set eth2 up") &&
           router.Exec("ip route add unreachable 198.18.8.0/24") &&
           router.Exec("sysctl -qw net.ipv4.ip_forward=1") &&
           Shell("sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
}

// In a fresh namespace: the path chosen before and after datagram sockets are admitted, then
// echoes on the path to loopback and through the router lab.
std::string Scenario(IcmpPath path) {
    const NetAddress loopback = MakeAddress(127, 0, 0, 1);
    std::ostringstream out;
    // Loopback still down: no route anywhere, and that reply answers no ping.
    const NetApiLayer raw(IcmpPath::kRaw);
    out << Describe("down", raw.EchoRequest(loopback, 500, 0, 64));
    const PingResult down = raw.PingHost(loopback, 500);
    out << "down_ping=" << down.answered << " " << down.time_us << "\n";
    out << "before=" << PathName(NetApiLayer().icmp_path()) << " "
        << PathName(NetApiLayer(path).icmp_path()) << "\n";
    const PeerNamespace router;
    out << "built=" << BuildRouterLab(router) << "\n";
    out << "after=" << PathName(NetApiLayer().icmp_path()) << "\n";
    const NetApiLayer layer(path);
    out << Describe("loopback", layer.EchoRequest(loopback, 1000, 100, 64));
    // Every address of 127.0.0.0/8 is local and answers.
    out << Describe("unused", layer.EchoRequest(MakeAddress(127, 55, 0, 9), 1000, 0, 64));
    out << Describe("router", layer.EchoRequest(MakeAddress(198, 18, 0, 2), 2000, 8, 64));
    out << Describe("expired", layer.EchoRequest(MakeAddress(198, 18, 1, 2), 2000, 8, 1));
    out << Describe("silent", layer.EchoRequest(MakeAddress(198, 18, 1, 2), 300, 8, 64));
    out << Describe("net", layer.EchoRequest(MakeAddress(198, 19, 7, 1), 2000, 8, 64));
    out << Describe("host", layer.EchoRequest(MakeAddress(198, 18, 8, 1), 2000, 8, 64));
    out << "ping=" << layer.PingHost(loopback, 1000).answered << "\n";
    const NetApiLayer none(IcmpPath::kUnavailable);
    out << Describe("none", none.EchoRequest(loopback, 1000, 0, 64))
        << "none_ping=" << none.PingHost(loopback, 1000).answered << "\n";
    return out.str();
}

TEST(IcmpEchoTest, PathChoiceRouterErrorsAndTimeOutsOnBothPaths) {
    for (const IcmpPath path : {IcmpPath::kRaw, IcmpPath::kDatagram}) {
        SCOPED_TRACE(PathName(path));
        const auto output = RunInFreshNetNamespace([path] { return Scenario(path); });
        if (!output) {
            GTEST_SKIP() << "cannot create a network namespace (needs root)";
        }
        EXPECT_EQ(*output,
                  "down=11002 0.0.0.0 ttl 0\ndown_ping=0 0\nbefore=raw " +
                      std::string(path == IcmpPath::kRaw ? "raw" : "unavailable") +
                      "\nbuilt=1\nafter=datagram\nloopback=0 127.0.0.1 ttl 64 data 100\n"
                      "unused=0 127.55.0.9 ttl 64 data 0\n"
                      "router=0 198.18.0.2 ttl 64 data 8\nexpired=11013 198.18.0.2 ttl 64\n"
                      "silent=11010 0.0.0.0 ttl 0\nnet=11002 198.18.0.2 ttl 64\n"
                      "host=11003 198.18.0.2 ttl 64\nping=1\nnone=none\nnone_ping=0\n");
    }
}

}  // namespace
}  // namespace corvimap
