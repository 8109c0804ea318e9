// Whole scans against real hosts: Samba servers, a host that only answers ICMP and a host with
// game servers, all in network namespaces of their own. The scanner runs in a namespace with no
// default route, so nothing leaves the lab.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/scan_options.h"
#include "engine/linux_probe_network.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "games/scan_game_check.h"
#include "lab.h"
#include "lab/fake_quake_server.h"
#include "lab_browse.h"
#include "lab_hosts.h"
#include "lab_office.h"
#include "lab_scanner.h"
#include "settings/memory_settings_store.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::DropNetRawOnThisThread;
using lab::kTimeoutMs;
using lab::Lab;
using lab::LabHost;
using lab::LabScanner;
using lab::MacText;
using lab::NmbIdentity;
using lab::NmbLookupIdentity;
using lab::OldNas;
using lab::QuietView;
using lab::SmbclientDiskShares;
using testing::FakeGame;
using testing::FakeQuakeServer;

class ScanLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!lab::LabUnavailableReason(lab::LabNeeds::kSamba).empty()) {
            return;
        }
        lab_ = new Lab();
        const lab::OfficeHosts office = lab::AddOfficeHosts(*lab_);
        filesrv_ = office.filesrv;
        mediabox_ = office.mediabox;
        printer_ = office.printer;
        gamebox_ = &lab_->AddIcmpHost("games", 14);
        oldnas_ = &lab_->AddSambaHost("h5", 15, OldNas());
        servers_ =
            new std::vector<std::unique_ptr<FakeQuakeServer>>(lab::InNetns(gamebox_->netns, [] {
                std::vector<std::unique_ptr<FakeQuakeServer>> servers;
                servers.push_back(std::make_unique<FakeQuakeServer>(
                    FakeGame::kQuakeWorld, testing::RealisticQuakeWorldServer(), 27500, true));
                servers.push_back(std::make_unique<FakeQuakeServer>(
                    FakeGame::kQuake2, testing::RealisticQuake2Server(), 27910, true));
                servers.push_back(std::make_unique<FakeQuakeServer>(
                    FakeGame::kQuake3, testing::RealisticQuake3Server(), 27960, true));
                return servers;
            }));
        // Waits for every Samba host of the lab, the old NAS too.
        samba_ready_ = static_cast<bool>(lab::WaitForOffice(*lab_, office, 90s));
    }
    static void TearDownTestSuite() {
        delete servers_;
        delete lab_;
        servers_ = nullptr;
        lab_ = nullptr;
    }
    void SetUp() override {
        CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
        ASSERT_TRUE(samba_ready_) << "the lab's Samba hosts did not answer, or " << filesrv_->name
                                  << " did not become the master browser";
        for (const auto& server : *servers_) {
            ASSERT_TRUE(server->Ok()) << "a fake game server could not bind its port";
        }
    }

    static inline Lab* lab_ = nullptr;
    static inline const LabHost* filesrv_ = nullptr;
    static inline const LabHost* mediabox_ = nullptr;
    static inline const LabHost* printer_ = nullptr;
    static inline const LabHost* gamebox_ = nullptr;
    static inline const LabHost* oldnas_ = nullptr;
    static inline std::vector<std::unique_ptr<FakeQuakeServer>>* servers_ = nullptr;
    static inline bool samba_ready_ = false;
};

TEST_F(ScanLabTest, FastPassFindsTheSambaHostsAsNmblookupAndSmbclientSeeThem) {
    // 64 threads over the whole /24: the thread sanitizer build checks this scan.
    LabScanner scanner(*lab_, ScanFlags::kFastSearch | ScanFlags::kScanShares, 64);
    scanner.Scan({"198.18.0.1-254"});

    ASSERT_EQ(scanner.engine->Hosts().Count(), 3u) << "only the Samba hosts answer NetBIOS";
    EXPECT_EQ(scanner.engine->FoundCount(), 3u);
    for (const LabHost* host : {filesrv_, mediabox_, oldnas_}) {
        SCOPED_TRACE(host->samba.netbios_name);
        const NmbIdentity nmb = NmbLookupIdentity(*lab_, *host);
        EXPECT_EQ(scanner.Cell(*host, HostColumn::Name), nmb.name);
        EXPECT_EQ(scanner.Cell(*host, HostColumn::Workgroup), nmb.workgroup);
        EXPECT_EQ(nmb.name, host->samba.netbios_name) << "nmblookup, against the configuration";
        EXPECT_EQ(scanner.Cell(*host, HostColumn::Mac), MacText(lab_->HostMac(*host)))
            << "the MAC comes from the scanner's ARP table";
        EXPECT_EQ(scanner.State(*host), HostState::New);

        const std::string disk_shares = SmbclientDiskShares(*lab_, *host);
        EXPECT_FALSE(disk_shares.empty());
        const auto marker =
            scanner.engine->Hosts().CopyMarker(InetAddr(host->address), kSharesMarker);
        ASSERT_TRUE(marker.has_value());
        EXPECT_EQ(marker->text, disk_shares);
        EXPECT_EQ(scanner.Cell(*host, HostColumn::Found), "$IMG|4|");
    }

    if (!lab::ToolAvailable("nbtscan")) {
        std::printf("[ lab      ] nbtscan is not installed; its comparison is left out\n");
        return;
    }
    // nbtscan over the same /24 finds the same hosts under the same names.
    const auto scan =
        lab_->RunInScanner({"nbtscan", "-q", "-s", "|", "-t", "500", Lab::kSubnet}, 30s);
    std::map<std::string, std::string> by_nbtscan;  // address -> name
    std::istringstream lines(scan.out);
    for (std::string line; std::getline(lines, line);) {
        const size_t bar = line.find('|');
        if (bar != std::string::npos) {
            std::string name = line.substr(bar + 1, line.find('|', bar + 1) - bar - 1);
            name.erase(name.find_last_not_of(' ') + 1);
            by_nbtscan[line.substr(0, bar)] = name;
        }
    }
    std::map<std::string, std::string> by_scanner;
    for (size_t row = 0; row < scanner.engine->Hosts().Count(); ++row) {
        by_scanner[FormatAddress(scanner.engine->Hosts().AddressAt(row))] =
            scanner.engine->Hosts().ColumnText(row, HostColumn::Name);
    }
    EXPECT_EQ(by_scanner, by_nbtscan) << scan.Describe();
}

TEST_F(ScanLabTest, IcmpOnlyHostIsFoundByThePingPassThenMarkedDeadAndRevivedEachScan) {
    LabScanner scanner(*lab_, ScanFlags::kFastSearch | ScanFlags::kPingPass);
    const std::vector<std::string> range = {"198.18.0.11-13"};

    scanner.Scan(range);
    ASSERT_EQ(scanner.engine->Hosts().Count(), 3u);
    EXPECT_EQ(scanner.State(*printer_), HostState::New);
    EXPECT_EQ(scanner.engine->FoundCount(), 3u);

    scanner.Scan(range);
    EXPECT_EQ(scanner.State(*printer_), HostState::Known);
    EXPECT_EQ(scanner.State(*filesrv_), HostState::Known);
    const auto texts = scanner.log_rows.Texts();
    auto count = [&texts](const std::string& text) {
        return std::count(texts.begin(), texts.end(), text);
    };
    EXPECT_EQ(count("Found new host: 198.18.0.13 ()"), 1);
    EXPECT_EQ(count("Dead host: 198.18.0.13"), 1) << "the second fast pass found it silent";
    EXPECT_EQ(count("Found new host: 198.18.0.11 (FILESRV)"), 1);
    EXPECT_EQ(count("Dead host: 198.18.0.11"), 0);
}

TEST_F(ScanLabTest, GameServersOnALiveHostAreReportedAndMarked) {
    LabScanner scanner(*lab_, ScanFlags::kPingPass);
    for (const char* name : {"QuakeWorld", "Quake II", "Quake III Arena"}) {
        scanner.browser.Find(name)->SetFlags(kGameCheckThisGame | kGameCheckDuringScan);
    }
    scanner.Scan({"198.18.0.14-14"});

    EXPECT_EQ(scanner.Cell(*gamebox_, HostColumn::Found), "$IMG|6|7|8|");
    EXPECT_EQ(scanner.State(*gamebox_), HostState::New);
    const auto reports = scanner.reports.Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].first, 6);
    EXPECT_TRUE(reports[0].second.starts_with("198.18.0.14:27500|"));
    EXPECT_EQ(reports[1].first, 7);
    EXPECT_TRUE(reports[1].second.starts_with("198.18.0.14:27910|Quake II Deathmatch Arena|"));
    EXPECT_EQ(reports[2].first, 8);
    EXPECT_TRUE(reports[2].second.starts_with("198.18.0.14:27960|^1Frag^7Net ^3Q3 ^7FFA|"));
}

TEST_F(ScanLabTest, HostWhoseNmbdStopsIsMarkedDeadAtTheNextScan) {
    LabScanner scanner(*lab_, ScanFlags::kFastSearch);
    scanner.Scan({"198.18.0.11-12"});
    ASSERT_EQ(scanner.State(*mediabox_), HostState::New);

    lab_->StopNmbd(*mediabox_);
    scanner.Scan({"198.18.0.11-12"});
    lab_->StartNmbd(*mediabox_);

    EXPECT_EQ(scanner.State(*mediabox_), HostState::Dead);
    EXPECT_EQ(scanner.State(*filesrv_), HostState::Known);
    const auto rows = scanner.log_rows.Rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().text, "Dead host: 198.18.0.12");
    EXPECT_EQ(rows.back().kind, 3);
    EXPECT_TRUE(lab_->WaitForNodeStatus(*mediabox_, 60s));
}

TEST_F(ScanLabTest, StopDuringTheFastPassEndsTheScanCleanly) {
    LabScanner scanner(*lab_, ScanFlags::kFastSearch | ScanFlags::kPingPass, 2);
    scanner.view.on_status = [&scanner](int statuses) {
        if (statuses == 5) {
            scanner.driver->RequestStop();
        }
    };
    scanner.Scan({"198.18.0.1-254"});
    EXPECT_EQ(scanner.view.statuses.load(), 5) << "no address after the stop, no ping pass";
    EXPECT_TRUE(scanner.engine->Slots().Idle());
    EXPECT_EQ(scanner.view.button, "Refresh");
    EXPECT_FALSE(scanner.driver->Scanning());
}

TEST_F(ScanLabTest, BothIcmpPathsReachAHost) {
    const auto saved = lab_->PingGroupRange(lab_->Scanner());
    lab_->SetPingGroupRange(lab_->Scanner(), 0, 2147483647);
    const NetAddress printer = InetAddr(printer_->address);
    const NetAddress nobody = InetAddr(Lab::AddressOf(99));
    lab_->InScanner([&] {
        for (IcmpPath path : {IcmpPath::kDatagram, IcmpPath::kRaw}) {
            SCOPED_TRACE(static_cast<int>(path));
            NetApiLayer layer(path);
            EXPECT_EQ(layer.icmp_path(), path);
            EXPECT_TRUE(layer.PingHost(printer, kTimeoutMs).answered);
            EXPECT_FALSE(layer.PingHost(nobody, 100).answered);
        }
    });
    lab_->SetPingGroupRange(lab_->Scanner(), 1, 0);
    lab_->InScanner([] { EXPECT_EQ(NetApiLayer().icmp_path(), IcmpPath::kRaw); });
    lab_->SetPingGroupRange(lab_->Scanner(), saved.first, saved.second);
}

TEST_F(ScanLabTest, CommandLineScannerWritesHostListLogAndJsonAsThePeersSeeTheHosts) {
    const std::string program = CORVIMAP_SCAN_PROGRAM;
    const std::string timeout = std::to_string(kTimeoutMs);
    const auto log_file = lab_->WorkDir() / "scan.log";
    const auto plain = lab_->RunInScanner(
        {program, "--ping", "--timeout", timeout, "--log", log_file.string(), "198.18.0.11-15"},
        120s);
    ASSERT_TRUE(plain.Ok()) << plain.Describe();
    EXPECT_TRUE(plain.out.starts_with("# Generate by Corvimap\n"));
    EXPECT_NE(plain.out.find("198.18.0.11\tFILESRV\t" + MacText(lab_->HostMac(*filesrv_))),
              std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("198.18.0.13\t\t"), std::string::npos) << plain.out;
    const std::string log = testing::ReadWholeFile(log_file);
    EXPECT_NE(log.find("\tStart network scanner\t0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tFound new host: 198.18.0.12 (MEDIABOX)\t2\n"), std::string::npos);

    const auto json = lab_->RunInScanner(
        {program, "--ping", "--shares", "--json", "--timeout", timeout, "198.18.0.11-15"}, 120s);
    ASSERT_TRUE(json.Ok()) << json.Describe();
    const nlohmann::json found = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_TRUE(found.contains("hosts")) << json.out;
    using Row = std::vector<std::string>;  // name, workgroup, disk shares joined by "|"
    std::map<std::string, Row> by_program;
    for (const auto& host : found["hosts"]) {
        std::string shares;
        for (const auto& share : host["shares"]) {
            shares += (shares.empty() ? "" : "|") + share.get<std::string>();
        }
        by_program[host["address"]] = {host["name"], host["workgroup"], shares};
    }
    std::map<std::string, Row> by_peers = {{printer_->address, {"", "", ""}},
                                           {gamebox_->address, {"", "", ""}}};
    for (const LabHost* host : {filesrv_, mediabox_, oldnas_}) {
        const NmbIdentity nmb = NmbLookupIdentity(*lab_, *host);
        by_peers[host->address] = {nmb.name, nmb.workgroup, SmbclientDiskShares(*lab_, *host)};
    }
    EXPECT_EQ(by_program, by_peers) << json.out;

    const auto bad = lab_->RunInScanner({program, "198.18.0.1-999"}, 10s);
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_EQ(bad.err,
              "corvimap-scan: bad range '198.18.0.1-999': use w.x.y.z-v, w.x.y.z>p.q.r.s, "
              "w.x.y.z/n, w.x.y.z or a host name\n" +
                  std::string(kScanUsage) + "\n");
    EXPECT_TRUE(bad.out.empty());
}

// Every cell but the reply time, the state of every row, the log, for one ping-pass scan of the
// lab's first 40 addresses: every lab host and some 35 silent ones, one parallel batch.
std::string ScanOfTheLab(const Lab& lab, bool parallel) {
    // The ping pass alone: the Samba hosts' NetBIOS answers change while nmbd settles.
    LabScanner scanner(lab, ScanFlags::kPingPass);
    // Short, so the sequential pass over the silent addresses ends in seconds; lab hosts answer
    // within a millisecond.
    scanner.settings.PingTimeout = 100;
    scanner.settings.ParallelPing = parallel;
    scanner.Scan({"198.18.0.1-40"});
    std::string text;
    const HostTable& hosts = scanner.engine->Hosts();
    for (size_t row = 0; row < hosts.Count(); ++row) {
        for (size_t column = 0; column < kHostColumnCount; ++column) {
            if (static_cast<HostColumn>(column) != HostColumn::Time) {
                text += hosts.ColumnText(row, static_cast<HostColumn>(column)) + "|";
            }
        }
        text += std::to_string(static_cast<int>(hosts.StateAt(row))) + "\n";
    }
    for (const std::string& line : scanner.log_rows.Texts()) {
        text += line + "\n";
    }
    return text + std::to_string(scanner.engine->FoundCount()) + " found\n";
}

TEST_F(ScanLabTest, ParallelPingPassFindsExactlyWhatTheSequentialPassFinds) {
    const std::string sequential = ScanOfTheLab(*lab_, false);
    for (const LabHost* host : {filesrv_, mediabox_, printer_, gamebox_}) {
        EXPECT_NE(sequential.find(host->address + "|"), std::string::npos) << host->address;
    }
    EXPECT_EQ(ScanOfTheLab(*lab_, true), sequential);
}

// No datagram ICMP for anyone and no CAP_NET_RAW: the program fails saying why, after writing
// what its fast pass found; the window's scan says why and looks again at its next scan.
TEST_F(ScanLabTest, WithoutIcmpScansSayWhyUntilTheSysctlIsWidened) {
    const auto saved = lab_->PingGroupRange(lab_->Scanner());
    lab_->SetPingGroupRange(lab_->Scanner(), 1, 0);
    const std::string program = std::filesystem::canonical(CORVIMAP_SCAN_PROGRAM).string();
    const auto refused =
        lab_->RunInScanner({"setpriv", "--inh-caps=-all", "--bounding-set=-net_raw", program,
                            "--ping", "--timeout", std::to_string(kTimeoutMs), "198.18.0.11-13"},
                           60s);
    EXPECT_EQ(refused.exit_code, 1) << refused.Describe();
    EXPECT_EQ(refused.err, "corvimap-scan: " +
                               FillText(StringTable::Lookup(text_id::kIcmpUnavailable), {program}) +
                               "\n");
    EXPECT_NE(refused.out.find("198.18.0.11\tFILESRV\t"), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find("198.18.0.13\t"), std::string::npos) << refused.out;

    ScanSettings settings;
    settings.FlagsGroup0 = ScanFlags::kPingPass;
    settings.PingTimeout = kTimeoutMs;
    MemorySettingsStore store;
    WriteGroupRanges(store, "Default", {"198.18.0.13-13"});
    QuietView view;
    lab_->InScanner([&] {
        ASSERT_TRUE(DropNetRawOnThisThread());
        NetApiLayer layer;
        EXPECT_TRUE(layer.IcmpUnavailable());
        LinuxProbeNetwork network(layer);
        ScanEngine engine(settings, network, nullptr, nullptr);
        ScanDriver driver(engine, store, view, nullptr);
        EXPECT_NE(driver.RunScan().find("setcap cap_net_raw+ep"), std::string::npos);
        EXPECT_EQ(engine.Hosts().Count(), 0u);

        // The next scan looks again, without a restart.
        lab_->SetPingGroupRange(lab_->Scanner(), 0, 2147483647);
        EXPECT_EQ(driver.RunScan(), "");
        EXPECT_EQ(layer.icmp_path(), IcmpPath::kDatagram);
        EXPECT_EQ(engine.Hosts().Count(), 1u);
    });
    lab_->SetPingGroupRange(lab_->Scanner(), saved.first, saved.second);
}

}  // namespace
}  // namespace corvimap
