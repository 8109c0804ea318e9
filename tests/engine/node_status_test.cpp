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

// Node status replies of Samba 4.17's nmbd to our request with transaction id 77, captured in a
// network namespace made for the purpose: nmbd -D with a private smb.conf bound to a veth
// address, the 50-byte request sent from a plain UDP socket, and the datagram that came back
// written out unchanged. First with "netbios name = CORVITEST" and "workgroup = LABGROUP", then
// with "netbios name = PCÉÅÄ-ß" and "workgroup = GRÜPPE", which nmbd sends in code page 850.
// nmblookup -A showed the same five names (<00> <03> <20> unique, <00> <1e> group) for both.
// Samba's unit id is all zero.
constexpr uint8_t kSambaReply[] = {
    0x4d, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x43, 0x4b,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x00, 0x00, 0x21, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x89, 0x05, 0x43, 0x4f, 0x52,
    0x56, 0x49, 0x54, 0x45, 0x53, 0x54, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x04, 0x00,
    0x43, 0x4f, 0x52, 0x56, 0x49, 0x54, 0x45, 0x53, 0x54, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x03, 0x04, 0x00, 0x43, 0x4f, 0x52, 0x56, 0x49, 0x54, 0x45, 0x53, 0x54, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x04, 0x00, 0x4c, 0x41, 0x42, 0x47, 0x52, 0x4f, 0x55, 0x50, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x84, 0x00, 0x4c, 0x41, 0x42, 0x47, 0x52, 0x4f,
    0x55, 0x50, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x1e, 0x84, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};
constexpr uint8_t kSambaCp850Reply[] = {
    0x4d, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x20, 0x43, 0x4b,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
    0x00, 0x00, 0x21, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x89, 0x05, 0x50, 0x43, 0x90,
    0x8f, 0x8e, 0x2d, 0xe1, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x04, 0x00,
    0x50, 0x43, 0x90, 0x8f, 0x8e, 0x2d, 0xe1, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x03, 0x04, 0x00, 0x50, 0x43, 0x90, 0x8f, 0x8e, 0x2d, 0xe1, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x04, 0x00, 0x47, 0x52, 0x9a, 0x50, 0x50, 0x45, 0x20, 0x20, 0x20,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x00, 0x84, 0x00, 0x47, 0x52, 0x9a, 0x50, 0x50, 0x45,
    0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x1e, 0x84, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

struct NameEntry {
    std::string text;  // up to 15 characters, padded with spaces
    uint8_t suffix;
    bool group;
};

// A reply shaped like Samba's: its header and question, then the count, the name entries and
// whatever tail follows (the unit id and statistics). count < 0: the number of entries.
std::vector<uint8_t> MakeReply(uint16_t id, const std::vector<NameEntry>& names,
                               const std::vector<uint8_t>& tail, int count = -1) {
    std::vector<uint8_t> reply(std::begin(kSambaReply), std::begin(kSambaReply) + 56);
    reply[0] = static_cast<uint8_t>(id);
    reply[1] = static_cast<uint8_t>(id >> 8);
    reply.push_back(static_cast<uint8_t>(count < 0 ? names.size() : count));
    for (const NameEntry& name : names) {
        std::string text = name.text;
        text.resize(15, ' ');
        reply.insert(reply.end(), text.begin(), text.end());
        reply.push_back(name.suffix);
        reply.push_back(name.group ? 0x84 : 0x04);
        reply.push_back(0x00);
    }
    reply.insert(reply.end(), tail.begin(), tail.end());
    return reply;
}

const std::vector<uint8_t> kUnitId = {0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c};
const HardwareAddress kUnitIdAddress = {0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x5c};

// Parses a copy of exactly the given size, so that the address sanitizer sees any read past it.
std::optional<NodeStatus> Parse(const std::vector<uint8_t>& reply, uint16_t id) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[reply.size()]);
    std::copy(reply.begin(), reply.end(), exact.get());
    return ParseNodeStatusReply(std::span<const uint8_t>(exact.get(), reply.size()), id);
}

TEST(NodeStatusRequestTest, FiftyFixedBytesBehindTheTransactionId) {
    constexpr uint8_t kExpected[kNodeStatusRequestSize] = {
        0x4d, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20,
        0x43, 0x4b, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
        0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41,
        0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x00, 0x00, 0x21, 0x00, 0x01,
    };
    const auto request = BuildNodeStatusRequest(77);
    EXPECT_TRUE(std::equal(request.begin(), request.end(), std::begin(kExpected)));

    const auto other = BuildNodeStatusRequest(0xABCD);
    EXPECT_EQ(other[0], 0xCD);
    EXPECT_EQ(other[1], 0xAB);
    EXPECT_TRUE(std::equal(other.begin() + 2, other.end(), std::begin(kExpected) + 2));

    NetApiLayer layer(IcmpPath::kUnavailable);
    EXPECT_EQ(layer.NextTransactionId(), 77);
    EXPECT_EQ(layer.NextTransactionId(), 78);
    for (int i = 0; i < 65535 - 79; ++i) {
        layer.NextTransactionId();
    }
    EXPECT_EQ(layer.NextTransactionId(), 65535);
    EXPECT_EQ(layer.NextTransactionId(), 0) << "the counter wraps at 65536";
}

std::vector<uint8_t> WithByte(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
}

std::vector<uint8_t> WithoutLast(std::vector<uint8_t> bytes) {
    bytes.pop_back();
    return bytes;
}

// Name, workgroup and unit id of every reply a peer may send, hostile ones included: the first
// unique and the first group name in reply order, and nothing read past the datagram (names
// count against the bytes it carries; the exact-size copy lets the sanitizer check).
TEST(NodeStatusReplyTest, NameWorkgroupAndUnitIdFromEachReply) {
    const NameEntry browse = {"\x01\x02__MSBROWSE__\x02", 0x01, true};
    std::vector<uint8_t> statistics = kUnitId;
    statistics.resize(46, 0);
    const MacBlock unit = KnownMac(kUnitIdAddress);
    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        uint16_t id;
        const char* name;
        const char* workgroup;
        MacBlock mac;
    };
    const Case cases[] = {
        {"real Samba reply, all-zero unit id", Bytes(kSambaReply), 77, "CORVITEST", "LABGROUP", {}},
        {"real Samba reply in code page 850", Bytes(kSambaCp850Reply), 77, "PCÉÅÄ-ß", "GRÜPPE", {}},
        {"workgroup first, as Windows sends it",
         MakeReply(300,
                   {{"OFFICE", 0x00, true},
                    {"DESK7", 0x20, false},
                    {"OTHERGROUP", 0x00, true},
                    {"DESK7-ALIAS", 0x00, false}},
                   statistics),
         300, "DESK7", "OFFICE", unit},
        {"a master browser lists the browser name before its workgroup",
         MakeReply(300,
                   {{"FILESRV", 0x00, false},
                    browse,
                    {"LABGROUP", 0x00, true},
                    {"LABGROUP", 0x1d, false},
                    {"LABGROUP", 0x1e, true}},
                   statistics),
         300, "FILESRV", "LABGROUP", unit},
        {"the browser name alone is no workgroup",
         MakeReply(300, {browse, {"NAS", 0x00, false}}, statistics), 300, "NAS", "", unit},
        {"sixteen bytes without space or zero are all kept",
         MakeReply(5, {{"ABCDEFGHIJKLMNO", 0x03, false}, {"GROUP\0X", 0x00, true}}, kUnitId), 5,
         "ABCDEFGHIJKLMNO?", "GROUP", unit},
        {"a space suffix ends the name",
         MakeReply(5, {{"ABCDEFGHIJKLMNO", 0x20, false}}, {}),
         5,
         "ABCDEFGHIJKLMNO",
         "",
         {}},
        {"no names: unit id right after the count", MakeReply(1, {}, kUnitId), 1, "", "", unit},
        {"130 reads as a negative count: no names, unit id right after it",
         MakeReply(1, {{"HOST", 0x00, false}}, kUnitId, 130), 1, "", "",
         KnownMac({'H', 'O', 'S', 'T', ' ', ' '})},
        {"the count itself missing",
         std::vector<uint8_t>(std::begin(kSambaReply), std::begin(kSambaReply) + 56),
         77,
         "",
         "",
         {}},
        {"claims 40 names, carries 2",
         MakeReply(9, {{"GROUPONLY", 0x00, true}, {"REALNAME", 0x00, false}}, {}, 40),
         9,
         "REALNAME",
         "GROUPONLY",
         {}},
        {"claims 3 names, carries 2 and a half: the half is not read",
         MakeReply(9, {{"UNIQUE", 0x00, false}, {"ALSO", 0x00, false}},
                   std::vector<uint8_t>(10, 0x41), 3),
         9,
         "UNIQUE",
         "",
         {}},
        {"unit id as the very last six bytes", MakeReply(9, {{"UNIQUE", 0x00, false}}, kUnitId), 9,
         "UNIQUE", "", unit},
        {"unit id one byte short",
         WithoutLast(MakeReply(9, {{"UNIQUE", 0x00, false}}, kUnitId)),
         9,
         "UNIQUE",
         "",
         {}},
        {"a name length that finds the right bytes elsewhere is taken as it says",
         {0x4d, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0, 0x00, 0x21, 0x00, 0x01},
         77,
         "",
         "",
         {}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const auto status = Parse(each.reply, each.id);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->name, each.name);
        EXPECT_EQ(status->workgroup, each.workgroup);
        EXPECT_EQ(status->mac, each.mac);
    }

    // Every cut of a real reply: an answer from 50 bytes on, each name once all its bytes came.
    const std::vector<uint8_t> whole = Bytes(kSambaCp850Reply);
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
    const std::vector<uint8_t> real = Bytes(kSambaReply);
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
    struct Case {
        std::string name_bytes;
        std::string group_bytes;
        const char* name;
        const char* workgroup;
    };
    const Case cases[] = {
        {"TAB\tHOST", "WG\tX", "TAB?HOST", "WG?X"},
        {"NL\nHOST", "CR\rWG", "NL?HOST", "CR?WG"},
        {"PIPE|HOST", "A|B", "PIPE|HOST", "A|B"},
        {"\x01\x1f\x7f", "\x1b[31m", "???", "?[31m"},
        // Bytes that are no UTF-8 are read as code page 850, never stored raw.
        {"\xff\xc3\x28", "\x80\xfe", "\xC2\xA0\xE2\x94\x9C(", "\xC3\x87\xE2\x96\xA0"},
    };
    HostTable saved;
    for (size_t k = 0; k < std::size(cases); ++k) {
        const auto status = Parse(
            MakeReply(9, {{cases[k].name_bytes, 0x20, false}, {cases[k].group_bytes, 0x00, true}},
                      kUnitId),
            9);
        ASSERT_TRUE(status) << k;
        EXPECT_EQ(status->name, cases[k].name) << k;
        EXPECT_EQ(status->workgroup, cases[k].workgroup) << k;
        saved.AddOrUpdate(MakeAddress(198, 18, 0, static_cast<uint8_t>(k + 1)), 100, status->name,
                          status->workgroup, {}, HostState::Known);
    }
    TempDir dir;
    ASSERT_TRUE(HostListFile::Save(saved, dir.File("hosts.txt")));
    const std::string text = testing::ReadWholeFile(dir.File("hosts.txt"));
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')),
              3 + std::size(cases));
    HostTable loaded;
    ASSERT_TRUE(HostListFile::Read(loaded, dir.File("hosts.txt")));
    ASSERT_EQ(loaded.Count(), std::size(cases));
    for (size_t row = 0; row < std::size(cases); ++row) {
        EXPECT_EQ(loaded.ColumnText(row, HostColumn::Name), cases[row].name) << row;
        EXPECT_EQ(loaded.ColumnText(row, HostColumn::Workgroup), cases[row].workgroup) << row;
    }
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

TEST(WaitReadableTest, ReadyOnlyOnceSevenBytesAreThere) {
    LoopbackSocket receiver;
    LoopbackSocket sender;
    const ReadableWait nothing = WaitReadable(receiver.fd(), 30, 7);
    EXPECT_FALSE(nothing.ready);
    EXPECT_EQ(nothing.waited_us, 30'000u) << "the whole time-out, in microseconds";

    const ReadableWait negative = WaitReadable(receiver.fd(), -5, 7);
    EXPECT_FALSE(negative.ready);
    EXPECT_EQ(negative.waited_us, 0u);

    // A datagram that comes while the wait blocks ends it before the time-out.
    std::thread late_sender([&sender, &receiver] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sender.SendTo(receiver.port(), {1, 2, 3, 4, 5, 6, 7});
    });
    const ReadableWait arrived = WaitReadable(receiver.fd(), 10'000, 7);
    late_sender.join();
    EXPECT_TRUE(arrived.ready);
    EXPECT_LT(arrived.waited_us, 10'000'000u);
    char drain[16];
    EXPECT_EQ(recv(receiver.fd(), drain, sizeof(drain), 0), 7);

    // Six bytes are too few, however long they wait.
    sender.SendTo(receiver.port(), {1, 2, 3, 4, 5, 6});
    const ReadableWait short_one = WaitReadable(receiver.fd(), 30, 7);
    EXPECT_FALSE(short_one.ready);
    EXPECT_EQ(short_one.waited_us, 30'000u);
    EXPECT_EQ(recv(receiver.fd(), drain, sizeof(drain), 0), 6);

    const ReadableWait closed = WaitReadable(-1, 30, 7);
    EXPECT_FALSE(closed.ready);
}

// Answers node status requests on a loopback port, the way a test tells it to.
class FakeNameService {
public:
    enum class Answer { kReply, kWrongId, kShortJunk, kFromOtherSocket, kSilent };

    explicit FakeNameService(Answer answer) : answer_(answer) {
        worker_ = std::thread([this] { Serve(); });
    }
    ~FakeNameService() {
        stop_ = true;
        socket_.SendTo(socket_.port(), {0});  // wakes the receive up
        worker_.join();
    }
    uint16_t port() const { return socket_.port(); }
    std::vector<std::vector<uint8_t>> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        for (;;) {
            uint8_t buffer[2048];
            sockaddr_in from{};
            socklen_t length = sizeof(from);
            const ssize_t n = recvfrom(socket_.fd(), buffer, sizeof(buffer), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
            if (stop_ || n < 0) {
                return;
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.emplace_back(buffer, buffer + n);
            }
            std::vector<uint8_t> reply = Bytes(kSambaReply);
            reply[0] = buffer[0];
            reply[1] = buffer[1];
            if (answer_ == Answer::kWrongId) {
                reply[0] ^= 0xFF;
            } else if (answer_ == Answer::kShortJunk) {
                reply.resize(6);
            } else if (answer_ == Answer::kSilent) {
                continue;
            }
            const LoopbackSocket& out = answer_ == Answer::kFromOtherSocket ? other_ : socket_;
            out.SendTo(ntohs(from.sin_port), reply);
        }
    }

    Answer answer_;
    LoopbackSocket socket_;
    LoopbackSocket other_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> requests_;
    std::thread worker_;
};

TEST(NodeStatusQueryTest, OnlyAReplyWithTheAskedTransactionIdAnswers) {
    using Answer = FakeNameService::Answer;
    struct Case {
        const char* what;
        Answer answer;
        int timeout_ms;
        bool answered;
        bool waits_whole_time_out;
    };
    const Case cases[] = {
        {"the right reply", Answer::kReply, 5000, true, false},
        {"another sender with the right id still counts", Answer::kFromOtherSocket, 5000, true,
         false},
        {"a wrong transaction id", Answer::kWrongId, 2000, false, false},
        {"six bytes of junk", Answer::kShortJunk, 50, false, true},
        {"no reply at all", Answer::kSilent, 50, false, true},
    };
    NetApiLayer layer(IcmpPath::kUnavailable);
    uint8_t next_id = 77;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        FakeNameService service(each.answer);
        const NodeStatusResult result =
            NodeStatusQuery(layer, MakeAddress(127, 0, 0, 1), each.timeout_ms, service.port());
        EXPECT_EQ(result.answered, each.answered);
        if (each.answered) {
            EXPECT_EQ(result.status.name, "CORVITEST");
            EXPECT_EQ(result.status.workgroup, "LABGROUP");
        }
        if (each.waits_whole_time_out) {
            EXPECT_EQ(result.time_us, each.timeout_ms * 1000u);
        }
        const auto request = BuildNodeStatusRequest(next_id++);
        const auto requests = service.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0], std::vector<uint8_t>(request.begin(), request.end()));
    }
}

}  // namespace
}  // namespace corvimap
