#include "engine/node_status.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "engine/host_columns.h"
#include "engine/host_list_file.h"
#include "engine/net_api_layer.h"
#include "engine/wait_readable.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::TempDir;

// The bytes a hex text spells, two digits a byte.
std::vector<uint8_t> Hex(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (size_t k = 0; k + 1 < hex.size(); k += 2) {
        bytes.push_back(
            static_cast<uint8_t>(std::stoul(std::string(hex.substr(k, 2)), nullptr, 16)));
    }
    return bytes;
}

// Node status replies of Samba 4.17's nmbd to our request with transaction id 77, captured in a
// network namespace made for the purpose: nmbd -D with a private smb.conf bound to a veth
// address, the 50-byte request sent from a plain UDP socket, and the datagram that came back
// written out unchanged. First with "netbios name = CORVITEST" and "workgroup = LABGROUP", then
// with "netbios name = PCÉÅÄ-ß" and "workgroup = GRÜPPE", which nmbd sends in code page 850.
// nmblookup -A showed the same five names (<00> <03> <20> unique, <00> <1e> group) for both.
// Samba's unit id is all zero.
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

struct NameEntry {
    std::string text;  // up to 15 characters, padded with spaces
    uint8_t suffix;
    bool group;
};
NameEntry U(std::string text, uint8_t suffix = 0) {
    return {std::move(text), suffix, false};
}
NameEntry G(std::string text, uint8_t suffix = 0) {
    return {std::move(text), suffix, true};
}

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
        reply.insert(reply.end(), {name.suffix, static_cast<uint8_t>(name.group ? 0x84 : 0x04), 0});
    }
    reply.insert(reply.end(), tail.begin(), tail.end());
    return reply;
}

const std::vector<uint8_t> kUnitId = {0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c};
const MacBlock kUnit = KnownMac({0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c});

std::vector<uint8_t> WithoutLast(std::vector<uint8_t> bytes) {
    bytes.pop_back();
    return bytes;
}

// Parses a copy of exactly the given size, so that the address sanitizer sees any read past it.
std::optional<NodeStatus> Parse(const std::vector<uint8_t>& reply, uint16_t id) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[reply.size()]);
    std::copy(reply.begin(), reply.end(), exact.get());
    return ParseNodeStatusReply(std::span<const uint8_t>(exact.get(), reply.size()), id);
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
    NetApiLayer layer(IcmpPath::kUnavailable);
    EXPECT_EQ(layer.NextTransactionId(), 77);
    EXPECT_EQ(layer.NextTransactionId(), 78);
    for (int i = 0; i < 65535 - 79; ++i) {
        layer.NextTransactionId();
    }
    EXPECT_EQ(layer.NextTransactionId(), 65535);
    EXPECT_EQ(layer.NextTransactionId(), 0) << "the counter wraps at 65536";
}

// Name, workgroup and unit id of every reply a peer may send, hostile ones included: the first
// unique and the first group name in reply order, and nothing read past the datagram (names
// count against the bytes it carries; the exact-size copy lets the sanitizer check).
TEST(NodeStatusReplyTest, NameWorkgroupAndUnitIdFromEachReply) {
    const NameEntry browse = G("\x01\x02__MSBROWSE__\x02", 0x01);
    std::vector<uint8_t> stats = kUnitId;
    stats.resize(46, 0);
    const std::vector<uint8_t> header(kSambaReply.begin(), kSambaReply.begin() + 56);
    struct Case {
        std::vector<uint8_t> reply;
        std::string name, workgroup;
        MacBlock mac;
    };
    const Case cases[] = {
        {kSambaReply, "CORVITEST", "LABGROUP", {}},  // all-zero unit id
        {kSambaCp850Reply, "PCÉÅÄ-ß", "GRÜPPE", {}},
        // Workgroup first, as Windows sends it.
        {MakeReply({G("OFFICE"), U("DESK7", 0x20), G("OTHER"), U("DESK7-A")}, stats), "DESK7",
         "OFFICE", kUnit},
        // A master browser lists the browser name before its workgroup.
        {MakeReply({U("FS"), browse, G("LG"), U("LG", 0x1d), G("LG", 0x1e)}, stats), "FS", "LG",
         kUnit},
        {MakeReply({browse, U("NAS")}, stats), "NAS", "", kUnit},  // browser name: no workgroup
        // Sixteen bytes without space or zero are all kept; a space suffix ends the name.
        {MakeReply({U("ABCDEFGHIJKLMNO", 3), G(std::string("GROUP\0X", 7))}, kUnitId),
         "ABCDEFGHIJKLMNO?", "GROUP", kUnit},
        {MakeReply({U("ABCDEFGHIJKLMNO", 0x20)}, {}), "ABCDEFGHIJKLMNO", "", {}},
        {MakeReply({}, kUnitId), "", "", kUnit},  // no names: unit id right after the count
        // 130 reads as a negative count: no names, unit id right after it.
        {MakeReply({U("HOST")}, kUnitId, 130), "", "", KnownMac({'H', 'O', 'S', 'T', ' ', ' '})},
        {header, "", "", {}},  // the count itself missing
        {MakeReply({G("GROUPONLY"), U("REALNAME")}, {}, 40), "REALNAME", "GROUPONLY", {}},
        // Claims 3 names, carries 2 and a half: the half is not read.
        {MakeReply({U("UNIQUE"), U("ALSO")}, std::vector<uint8_t>(10, 0x41), 3), "UNIQUE", "", {}},
        {MakeReply({U("UNIQUE")}, kUnitId), "UNIQUE", "", kUnit},  // unit id as the last bytes
        {WithoutLast(MakeReply({U("UNIQUE")}, kUnitId)), "UNIQUE", "", {}},  // one byte short
        // A name length that finds the right bytes elsewhere is taken as it says.
        {{0x4d, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0, 0x00, 0x21, 0x00, 0x01}, "", "", {}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(&each - cases);
        const auto status = Parse(each.reply, 77);
        ASSERT_TRUE(status);
        EXPECT_EQ(std::tie(status->name, status->workgroup, status->mac),
                  std::tie(each.name, each.workgroup, each.mac));
    }

    // Every cut of a real reply: an answer from 50 bytes on, each name once all its bytes came.
    const std::vector<uint8_t> whole = kSambaCp850Reply;
    for (size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        const auto status = Parse({whole.begin(), whole.begin() + length}, 77);
        ASSERT_EQ(status.has_value(), length >= 50);
        if (status) {
            EXPECT_EQ(status->name, length >= 57 + 18 ? "PCÉÅÄ-ß" : "");
            EXPECT_EQ(status->workgroup, length >= 57 + 4 * 18 ? "GRÜPPE" : "");
        }
    }
}

TEST(NodeStatusReplyTest, OtherTransactionTypeClassOrNameLengthIsNoReply) {
    const std::vector<uint8_t> real = kSambaReply;
    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        uint16_t id;
    };
    const Case cases[] = {
        {"another query's transaction id", real, 78},
        {"id bytes in the wrong order", real, 77 << 8},
        {"type NB instead of NBSTAT", WithByte(real, 47, 0x20), 77},
        {"another class", WithByte(real, 49, 0x03), 77},
        {"name length -16: type and class before the datagram", WithByte(real, 12, 0xF0), 77},
        {"name length 127: past its end", WithByte(real, 12, 0x7F), 77},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        EXPECT_FALSE(Parse(each.reply, each.id));
    }
}

TEST(NodeStatusReplyTest, HostileNamesStayOneFieldOfOneLineThroughTheHostListFile) {
    // Reply bytes of name and group, and the name and workgroup they must read as.
    const std::string cases[][4] = {
        {"TAB\tHOST", "WG\tX", "TAB?HOST", "WG?X"},
        {"NL\nHOST", "CR\rWG", "NL?HOST", "CR?WG"},
        {"PIPE|HOST", "A|B", "PIPE|HOST", "A|B"},
        {"\x01\x1f\x7f", "\x1b[31m", "???", "?[31m"},
        // Bytes that are no UTF-8 are read as code page 850, never stored raw.
        {"\xff\xc3\x28", "\x80\xfe", "\xC2\xA0\xE2\x94\x9C(", "\xC3\x87\xE2\x96\xA0"},
    };
    HostTable saved;
    std::vector<std::string> expected, parsed, loaded;
    for (const auto& each : cases) {
        const auto status = Parse(MakeReply({U(each[0], 0x20), G(each[1])}, kUnitId), 77);
        ASSERT_TRUE(status);
        parsed.insert(parsed.end(), {status->name, status->workgroup});
        expected.insert(expected.end(), {each[2], each[3]});
        saved.AddOrUpdate(MakeAddress(198, 18, 0, static_cast<uint8_t>(parsed.size())), 100,
                          status->name, status->workgroup, {}, HostState::Known);
    }
    EXPECT_EQ(parsed, expected);
    TempDir dir;
    ASSERT_TRUE(HostListFile::Save(saved, dir.File("hosts.txt")));
    const std::string text = testing::ReadWholeFile(dir.File("hosts.txt"));
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')),
              3 + std::size(cases));
    HostTable table;
    ASSERT_TRUE(HostListFile::Read(table, dir.File("hosts.txt")));
    for (size_t row = 0; row < table.Count(); ++row) {
        loaded.insert(loaded.end(), {table.ColumnText(row, HostColumn::Name),
                                     table.ColumnText(row, HostColumn::Workgroup)});
    }
    EXPECT_EQ(loaded, expected);
}

// A UDP socket bound to an ephemeral port on 127.0.0.1.
class LoopbackSocket {
public:
    LoopbackSocket() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = MakeAddress(127, 0, 0, 1);
        bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        socklen_t length = sizeof(address);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { close(fd_); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    int fd() const { return fd_; }
    uint16_t port() const { return port_; }

    void SendTo(uint16_t port, const std::vector<uint8_t>& bytes) const {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(port);
        target.sin_addr.s_addr = MakeAddress(127, 0, 0, 1);
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
               sizeof(target));
    }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// Too few bytes are the query test's six-byte reply.
TEST(WaitReadableTest, EndsWhenTheBytesComeOrTheTimeOutPasses) {
    LoopbackSocket receiver;
    LoopbackSocket sender;
    // Ready, and the time waited in microseconds (the whole time-out when not ready).
    using Waited = std::pair<bool, uint64_t>;
    const auto wait = [](int fd, int timeout_ms) {
        const ReadableWait result = WaitReadable(fd, timeout_ms, 7);
        return Waited(result.ready, result.waited_us);
    };
    EXPECT_EQ(wait(receiver.fd(), 30), (Waited(false, 30'000)));
    EXPECT_EQ(wait(receiver.fd(), -5), (Waited(false, 0)));
    EXPECT_FALSE(wait(-1, 30).first);

    // A datagram that comes while the wait blocks ends it before the time-out.
    std::thread late_sender([&sender, &receiver] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sender.SendTo(receiver.port(), {1, 2, 3, 4, 5, 6, 7});
    });
    const auto arrived = wait(receiver.fd(), 10'000);
    late_sender.join();
    EXPECT_TRUE(arrived.first);
    EXPECT_LT(arrived.second, 10'000'000u);
}

// A service on a loopback port answers the one request it gets as each case says; only a
// reply that carries the asked transaction id answers the query.
TEST(NodeStatusQueryTest, OnlyAReplyWithTheAskedTransactionIdAnswers) {
    enum class Answer { kReply, kFromOtherSocket, kWrongId, kShortJunk, kSilent };
    const std::pair<Answer, int> cases[] = {
        {Answer::kReply, 5000},
        {Answer::kFromOtherSocket, 5000},  // another sender with the right id still counts
        {Answer::kWrongId, 2000},
        {Answer::kShortJunk, 50},  // six bytes: waits the whole time-out
        {Answer::kSilent, 50},
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
            ASSERT_TRUE(WaitReadable(service.fd(), 20'000, 1).ready);
            request.resize(recvfrom(service.fd(), request.data(), request.size(), 0,
                                    reinterpret_cast<sockaddr*>(&from), &length));
            const uint8_t flip = answer == Answer::kWrongId ? 0xFF : 0;
            std::vector<uint8_t> reply = WithByte(kSambaReply, 0, request[0] ^ flip);
            reply = WithByte(reply, 1, request[1]);
            reply.resize(answer == Answer::kShortJunk ? 6 : reply.size());
            if (answer != Answer::kSilent) {
                (answer == Answer::kFromOtherSocket ? other : service)
                    .SendTo(ntohs(from.sin_port), reply);
            }
        });
        const NodeStatusResult result =
            NodeStatusQuery(layer, MakeAddress(127, 0, 0, 1), timeout_ms, service.port());
        serve.join();
        const bool answered = answer == Answer::kReply || answer == Answer::kFromOtherSocket;
        EXPECT_EQ(result.answered, answered);
        if (answered) {
            EXPECT_EQ(std::tie(result.status.name, result.status.workgroup),
                      std::tuple("CORVITEST", "LABGROUP"));
        }
        if (timeout_ms == 50) {
            EXPECT_EQ(result.time_us, 50'000u);
        }
        const auto expected = BuildNodeStatusRequest(next_id++);
        EXPECT_EQ(request, std::vector<uint8_t>(expected.begin(), expected.end()));
    }
}

}  // namespace
}  // namespace corvimap
