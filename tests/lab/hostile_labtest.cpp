// One scan over a lab where every host but one misbehaves: NetBIOS names full of control bytes,
// replies that claim more than they carry, come from another address or come a thousand at a
// time, game servers with oversized and odd replies, an SMB server that never answers. The
// scan must end within its time-outs with the well-behaved Samba host's row exact.

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "engine/cp850.h"
#include "lab.h"
#include "lab_hostile.h"
#include "lab_hosts.h"
#include "support/temp_dir.h"
#include "text/wire_text.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::HostileNetbios;
using lab::HostileNetbiosResponder;
using lab::Lab;
using lab::LabHost;
using testing::FakeGame;
using testing::FakeQuakeServer;

constexpr const char* kOtherAddress = "198.18.0.200";

const nlohmann::json* RowOf(const nlohmann::json& hosts, const std::string& address) {
    for (const auto& host : hosts) {
        if (host["address"] == address) {
            return &host;
        }
    }
    return nullptr;
}

struct Hostile {
    HostileNetbios kind;
    int octet;
    const LabHost* host = nullptr;
    std::unique_ptr<HostileNetbiosResponder> responder;
};

// One ICMP host per kind of bad NetBIOS reply, each with its responder running.
std::vector<Hostile> AddHostileNetbiosHosts(Lab& lab) {
    std::vector<Hostile> hostile;
    for (const auto& [kind, octet] :
         {std::pair{HostileNetbios::kControlNames, 21}, std::pair{HostileNetbios::kClaimsMore, 22},
          std::pair{HostileNetbios::kOtherAddress, 23}, std::pair{HostileNetbios::kFlood, 24}}) {
        Hostile& each = hostile.emplace_back(Hostile{kind, octet, nullptr, nullptr});
        each.host = &lab.AddIcmpHost("bad" + std::to_string(octet), octet);
        if (kind == HostileNetbios::kOtherAddress) {
            EXPECT_TRUE(
                lab.RunIn(*each.host,
                          {"ip", "addr", "add", std::string(kOtherAddress) + "/24", "dev", "eth0"},
                          10s)
                    .Ok());
        }
        each.responder = lab::InNetns(each.host->netns, [&each] {
            return std::make_unique<HostileNetbiosResponder>(each.kind, each.host->address,
                                                             kOtherAddress);
        });
        EXPECT_TRUE(each.responder->Ok()) << octet;
    }
    return hostile;
}

// One event per line: a stamp, the text and the kind, two tabs on each line.
void ExpectOneEventPerLine(const std::string& log, size_t at_least) {
    size_t lines = 0;
    for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos;
         start = end + 1, ++lines) {
        const std::string line = log.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    }
    EXPECT_GE(lines, at_least);
}

TEST(HostileLabTest, MisbehavingPeersChangeOnlyTheirOwnRows) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
    Lab lab;
    const LabHost& samba = lab.AddSambaHost("good", 11, lab::FileServer());
    const std::vector<Hostile> hostile = AddHostileNetbiosHosts(lab);
    ASSERT_FALSE(::testing::Test::HasFailure());
    // The host that claims more names also holds SMB connections open without a word.
    auto silent_smb = lab::InNetns(hostile[1].host->netns,
                                   [] { return std::make_unique<lab::SilentSmbServer>(); });
    ASSERT_TRUE(silent_smb->Ok());
    const LabHost& games = lab.AddIcmpHost("games", 26);
    auto servers = lab::InNetns(games.netns, [] {
        std::vector<std::unique_ptr<FakeQuakeServer>> made;
        made.push_back(std::make_unique<FakeQuakeServer>(
            FakeGame::kQuakeWorld, lab::HostileQuakeWorldServer(), 27500, true));
        made.push_back(std::make_unique<FakeQuakeServer>(FakeGame::kQuake3, lab::HugeQuake3Server(),
                                                         27960, true));
        made.back()->OverrideReply("getstatus", lab::HugeQuake3StatusReply());
        return made;
    });
    ASSERT_TRUE(lab.WaitForSamba(90s));

    const auto log_file = lab.WorkDir() / "scan.log";
    const auto run = lab.RunInScanner(
        {CORVIMAP_SCAN_PROGRAM, "--ping", "--shares", "--games", "qw,q3", "--json", "--threads",
         "64", "--timeout", "400", "--log", log_file.string(), "198.18.0.10-30"},
        180s);
    // Share listing time-outs (1.5 s to connect, 5 s per answer) bound what a silent SMB server
    // can hold up; the scan must end well before the 180 s the run is given.
    ASSERT_TRUE(run.Ok()) << run.Describe();
    EXPECT_GE(silent_smb->Accepted(), 1);

    const nlohmann::json found = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(found.contains("hosts")) << run.out;
    const nlohmann::json& hosts = found["hosts"];
    EXPECT_EQ(hosts.size(), 6u) << run.out;
    const nlohmann::json* good = RowOf(hosts, samba.address);
    ASSERT_NE(good, nullptr) << run.out;
    EXPECT_EQ((*good)["name"], "FILESRV");
    EXPECT_EQ((*good)["workgroup"], "LABGROUP");
    EXPECT_EQ((*good)["mac"], lab::MacText(lab.HostMac(samba)));
    EXPECT_EQ((*good)["shares"], nlohmann::json::array({"public", "media"}));
    EXPECT_EQ((*good)["games"], nlohmann::json::array());

    for (const Hostile& each : hostile) {
        SCOPED_TRACE(each.octet);
        EXPECT_GE(each.responder->Queries(), 1);
        const nlohmann::json* row = RowOf(hosts, each.host->address);
        ASSERT_NE(row, nullptr) << run.out;
        EXPECT_EQ((*row)["name"],
                  ReplaceControlChars(Cp850ToUtf8(HostileNetbiosResponder::NameBytes(each.kind))));
        // The reply that claims 40 names carries only the first, the host's own name.
        EXPECT_EQ((*row)["workgroup"],
                  each.kind == HostileNetbios::kClaimsMore
                      ? ""
                      : ReplaceControlChars(
                            Cp850ToUtf8(HostileNetbiosResponder::WorkgroupBytes(each.kind))));
        EXPECT_EQ((*row)["shares"], nlohmann::json::array());
    }
    EXPECT_EQ(RowOf(hosts, kOtherAddress), nullptr);

    const nlohmann::json* game_row = RowOf(hosts, games.address);
    ASSERT_NE(game_row, nullptr);
    // The oversized Quake III reply counts as no answer; the QuakeWorld one is read whole.
    EXPECT_EQ((*game_row)["games"], nlohmann::json::array({"QuakeWorld"}));
    ASSERT_EQ(found["servers"].size(), 1u) << run.out;
    EXPECT_EQ(found["servers"][0]["player_list"].size(), lab::kHostileQuakeWorldPlayers);

    const std::string log = testing::ReadWholeFile(log_file);
    EXPECT_NE(log.find("Found new host: 198.18.0.21 (T?N?C?P|??"), std::string::npos) << log;
    ExpectOneEventPerLine(log, 7);
}

}  // namespace
}  // namespace corvimap
