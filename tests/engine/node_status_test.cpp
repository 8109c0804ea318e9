#include "engine/node_status.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "engine/host_columns.h"
#include "engine/net_api_layer.h"
#include "engine/wait_readable.h"

namespace corvimap {
namespace {

// The bytes a hex text spells, two digits a byte.
std::vector<uint8_t> Hex(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (size_t k = 0; k + 1 < hex.size(); k += 2) {
        bytes.push_back(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16));
    }
    return bytes;
}

// Node status replies of Samba 4.17's nmbd to our request with id 77, captured unchanged in a
// network namespace (nmbd -D, a private smb.conf bound to a veth address, the request sent from a
// plain UDP socket): as "CORVITEST" in "LABGROUP", then as "PCÉÅÄ-ß" in "GRÜPPE", which nmbd
// sends in code page 850. nmblookup -A showed the same five names (<00> <03> <20> unique, <00>
// <1e> group) for both. Samba's unit id is all zero.
const std::vector<uint8_t> kSambaReply =
    Hex("4d008400000000010000000020434b4141414141414141414141414141414141414141414141414141414141"
        "41000021000100000000008905434f52564954455354202020202020000400434f5256495445535420202020"
        "2020030400434f525649544553542020202020202004004c414247524f5550202020202020200084004c4142"
        "47524f5550202020202020201e84000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000");
const std::vector<uint8_t> kSambaCp850Reply =
    Hex("4d008400000000010000000020434b4141414141414141414141414141414141414141414141414141414141"
        "410000210001000000000089055043908f8e2de120202020202020200004005043908f8e2de1202020202020"
        "20200304005043908f8e2de1202020202020202020040047529a50504520202020202020202000840047529a"
        "5050452020202020202020201e84000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000");

std::vector<uint8_t> WithByte(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
}

constexpr uint8_t kGroup = 0x84;
struct NameEntry {
    std::string text;  // up to 15 characters, padded with spaces
    uint8_t suffix = 0;
    uint8_t flags = 0x04;
};

// A reply to id 77 shaped like Samba's: its header and question, then the count, the name
// entries and whatever tail follows (the unit id and statistics). count < 0: the entries'.
std::vector<uint8_t> MakeReply(const std::vector<NameEntry>& names,
                               const std::vector<uint8_t>& tail, int count = -1) {
    std::vector<uint8_t> reply(kSambaReply.begin(), kSambaReply.begin() + 56);
    reply.push_back(static_cast<uint8_t>(count < 0 ? names.size() : count));
    for (const NameEntry& name : names) {
        std::string text = name.text;
        text.resize(15, ' ');
        reply.insert(reply.end(), text.begin(), text.end());
        reply.insert(reply.end(), {name.suffix, name.flags, 0});
    }
    reply.insert(reply.end(), tail.begin(), tail.end());
    return reply;
}

const std::vector<uint8_t> kUnitId = {0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c};

// "name|workgroup|MAC" of the reply to id 77, or "none". Parses a copy of exactly the given
// size, so that the address sanitizer sees any read past it.
std::string Parse(const std::vector<uint8_t>& reply) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[reply.size()]);
    std::copy(reply.begin(), reply.end(), exact.get());
    const auto status =
        ParseNodeStatusReply(std::span<const uint8_t>(exact.get(), reply.size()), 77);
    return status ? status->name + "|" + status->workgroup + "|" + FormatMacText(status->mac)
                  : "none";
}

TEST(NodeStatusRequestTest, FiftyFixedBytesBehindTheTransactionId) {
    const std::vector<uint8_t> expected = Hex(
        "4d000010000100000000000020434b414141414141414141414141414141414141414141414141414141414141"
        "0000210001");
    const auto vec = [](const auto& bytes) {
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(vec(BuildNodeStatusRequest(77)), expected);
    EXPECT_EQ(vec(BuildNodeStatusRequest(0xABCD)), WithByte(WithByte(expected, 0, 0xCD), 1, 0xAB));
}

// Name, workgroup and unit id of every reply a peer may send, hostile ones included: the first
// unique and the first group name in reply order, and nothing read past the datagram (names
// count against the bytes it carries; the exact-size copy lets the sanitizer check).
TEST(NodeStatusReplyTest, NameWorkgroupAndUnitIdFromEachReply) {
    const NameEntry browse{"\x01\x02__MSBROWSE__\x02", 0x01, kGroup};
    std::vector<uint8_t> stats = kUnitId;
    stats.resize(46, 0);
    const std::string unit = "00-1B-21-3A-4F-5C";
    const std::vector<uint8_t> real = kSambaReply;
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {real, "CORVITEST|LABGROUP|"},  // all-zero unit id
        {kSambaCp850Reply, "PCÉÅÄ-ß|GRÜPPE|"},
        // Workgroup first, as Windows sends it.
        {MakeReply({{"OFFICE", 0, kGroup}, {"DESK7", 0x20}, {"OTHER", 0, kGroup}, {"DESK7-A"}},
                   stats),
         "DESK7|OFFICE|" + unit},
        // A master browser lists the browser name before its workgroup.
        {MakeReply({{"FS"}, browse, {"LG", 0, kGroup}, {"LG", 0x1d}, {"LG", 0x1e, kGroup}}, stats),
         "FS|LG|" + unit},
        {MakeReply({browse, {"NAS"}}, stats), "NAS||" + unit},  // browser name: no workgroup
        // Sixteen bytes without space or zero are all kept; a space suffix ends the name.
        {MakeReply({{"ABCDEFGHIJKLMNO", 3}, {std::string("GROUP\0X", 7), 0, kGroup}}, kUnitId),
         "ABCDEFGHIJKLMNO?|GROUP|" + unit},
        {MakeReply({{"ABCDEFGHIJKLMNO", 0x20}}, {}), "ABCDEFGHIJKLMNO||"},
        // Control characters become "?", so a name stays one field of one line in the host list
        // file and the log; bytes that are no UTF-8 are read as code page 850, never kept raw.
        {MakeReply({{"TAB\tNL\nCR\r", 0x20}, {"\x01\x1f\x7f\x1b[31m", 0, kGroup}}, {}),
         "TAB?NL?CR?|????[31m|"},
        {MakeReply({{"\xff\xc3\x28", 0x20}, {"\x80\xfe", 0, kGroup}}, {}),
         "\xC2\xA0\xE2\x94\x9C(|\xC3\x87\xE2\x96\xA0|"},
        {MakeReply({}, kUnitId), "||" + unit},  // no names: unit id right after the count
        // 130 reads as a negative count: no names, unit id right after it.
        {MakeReply({{"HOST"}}, kUnitId, 130), "||48-4F-53-54-20-20"},
        {MakeReply({{"GROUPONLY", 0, kGroup}, {"REALNAME"}}, {}, 40), "REALNAME|GROUPONLY|"},
        // Claims 3 names, carries 2 and a half: the half is not read.
        {MakeReply({{"UNIQUE"}, {"ALSO"}}, std::vector<uint8_t>(10, 0x41), 3), "UNIQUE||"},
        {MakeReply({{"UNIQUE"}}, kUnitId), "UNIQUE||" + unit},  // unit id as the last bytes
        {MakeReply({{"UNIQUE"}}, {kUnitId.begin(), kUnitId.end() - 1}), "UNIQUE||"},
        // A name length that finds the right bytes elsewhere is taken as it says.
        {{0x4d, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0, 0x00, 0x21, 0x00, 0x01}, "||"},
        // No reply to our request: another id, the id's bytes swapped, type NB instead of
        // NBSTAT, another class, a name length of -16 (type and class before the datagram) or
        // of 127 (past its end).
        {WithByte(real, 0, 78), "none"},
        {WithByte(WithByte(real, 0, 0), 1, 77), "none"},
        {WithByte(real, 47, 0x20), "none"},
        {WithByte(real, 49, 0x03), "none"},
        {WithByte(real, 12, 0xF0), "none"},
        {WithByte(real, 12, 0x7F), "none"},
    };
    for (const auto& [reply, expected] : cases) {
        EXPECT_EQ(Parse(reply), expected) << "case " << &expected - &cases[0].second;
    }

    // Every cut of a real reply: an answer from 50 bytes on, each name once all its bytes came.
    const std::vector<uint8_t> whole = kSambaCp850Reply;
    for (size_t length = 0; length <= whole.size(); ++length) {
        const std::string name = length >= 57 + 18 ? "PCÉÅÄ-ß" : "";
        const std::string workgroup = length >= 57 + 4 * 18 ? "GRÜPPE" : "";
        EXPECT_EQ(Parse({whole.begin(), whole.begin() + length}),
                  length < 50 ? "none" : name + "|" + workgroup + "|")
            << "length " << length;
    }
}

// A UDP socket bound to an ephemeral port on 127.0.0.1.
struct LoopbackSocket {
    LoopbackSocket() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = MakeAddress(127, 0, 0, 1);
        socklen_t length = sizeof(address);
        bind(fd, reinterpret_cast<const sockaddr*>(&address), length);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { close(fd); }

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    uint16_t port = 0;
};

// A service on a loopback port answers the one request it gets as each case says; only a
// reply that carries the asked transaction id answers the query, and the ids count up from 77. The
// wait ends as soon as a datagram of seven bytes or more is there, else after the whole time-out
// (none if negative).
TEST(NodeStatusQueryTest, OnlyAReplyWithTheAskedTransactionIdAnswers) {
    enum class Answer { kReply, kFromOtherSocket, kWrongId, kShortJunk, kSilent };
    const std::pair<Answer, int> cases[] = {
        {Answer::kReply, 5000},
        {Answer::kFromOtherSocket, 5000},  // another sender with the right id still counts
        {Answer::kWrongId, 2000},
        {Answer::kShortJunk, 50},  // six bytes
        {Answer::kSilent, 50},
        {Answer::kSilent, -5},
    };
    NetApiLayer layer(IcmpPath::kUnavailable);
    uint16_t next_id = 77;
    for (const auto& [answer, timeout_ms] : cases) {
        SCOPED_TRACE(static_cast<int>(answer));
        LoopbackSocket service;
        LoopbackSocket other;
        std::vector<uint8_t> request(2048);
        std::thread serve([&, answer = answer] {
            sockaddr_in from{};
            socklen_t length = sizeof(from);
            ASSERT_TRUE(WaitReadable(service.fd, 20'000, 1).ready);
            request.resize(recvfrom(service.fd, request.data(), request.size(), 0,
                                    reinterpret_cast<sockaddr*>(&from), &length));
            const uint8_t flip = answer == Answer::kWrongId ? 0xFF : 0;
            auto reply = WithByte(WithByte(kSambaReply, 0, request[0] ^ flip), 1, request[1]);
            reply.resize(answer == Answer::kShortJunk ? 6 : reply.size());
            if (answer != Answer::kSilent) {
                sendto((answer == Answer::kFromOtherSocket ? other : service).fd, reply.data(),
                       reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), length);
            }
        });
        const NodeStatusResult result =
            NodeStatusQuery(layer, MakeAddress(127, 0, 0, 1), timeout_ms, service.port);
        serve.join();
        const bool answered = answer == Answer::kReply || answer == Answer::kFromOtherSocket;
        EXPECT_EQ(result.answered, answered);
        if (answer == Answer::kShortJunk || answer == Answer::kSilent) {
            EXPECT_EQ(result.time_us, std::max(timeout_ms, 0) * 1000u);
        } else {
            EXPECT_LT(result.time_us, timeout_ms * 1000u) << "the datagram ends the wait";
        }
        const auto expected = BuildNodeStatusRequest(next_id++);
        EXPECT_EQ(request, std::vector<uint8_t>(expected.begin(), expected.end()));
    }
}

}  // namespace
}  // namespace corvimap
