#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/scan_engine.h"
#include "engine/scan_flags.h"
#include "log/event_log.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using testing::ScriptedNetwork;

constexpr NetAddress kHost = MakeAddress(198, 18, 0, 11);
constexpr MacBlock kNetbiosMac = {1, 0x02, 0x00, 0x00, 0x00, 0x00, 0x11};
constexpr MacBlock kArpMac = {1, 0x52, 0x54, 0x00, 0xAB, 0xCD, 0xEF};

// Writes down a probe's steps in order: the first row's state at every change the table reports
// ("state N"), the host events, the log rows with their kind, and the game check, which marks
// the row as a game check would.
class ProbeTrail final : public HostTableListener,
                         public GameHostCheck,
                         public HostEventListener,
                         public EventLogSink {
public:
    void CountChanged(std::size_t) override { NoteState(); }
    void RowsChanged(std::size_t, std::size_t) override { NoteState(); }
    void CheckHost(NetAddress address, const HostHandle& record, const WaitCancel*) override {
        steps.push_back("game " + FormatAddress(address));
        table->SetState(record, HostState::QueryQuake3);
    }
    void HostFound(NetAddress address, std::string_view name) override {
        steps.push_back("found " + FormatAddress(address) + " " + std::string(name));
    }
    void HostDead(NetAddress address) override {
        steps.push_back("dead " + FormatAddress(address));
    }
    void AddRow(const LogRow& row) override {
        steps.push_back("log " + std::to_string(row.kind) + " " + row.text);
    }

    HostTable* table = nullptr;
    std::vector<std::string> steps;

private:
    void NoteState() {
        if (table->Count() > 0) {
            steps.push_back("state " + std::to_string(static_cast<int>(table->StateAt(0))));
        }
    }
};

class ProbeHostTest : public ::testing::Test {
protected:
    ProbeHostTest() {
        settings_.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                                ScanFlags::kScanShares | ScanFlags::kResolveHostName |
                                LogEventBits::kEnableLog | LogEventBits::kLogFoundNewHost |
                                LogEventBits::kLogDeadHost;
        trail_->table = &engine_.Hosts();
        engine_.Hosts().SetListener(trail_);
        engine_.SetGameHostCheck(trail_.get());
        engine_.SetHostEvents(trail_.get());
        network_.on_list_shares = [this](NetAddress) { trail_->steps.push_back("shares"); };
    }

    static ScriptedNetwork::Host WindowsHost() {
        return {.node_status = NodeStatusAnswer{"FILESRV", "LABGROUP", 1000, kNetbiosMac},
                .ping_time = 2000,
                .shares = "public|media"};
    }
    std::string Cell(HostColumn column) { return engine_.Hosts().ColumnText(0, column); }

    ScanSettings settings_;
    MemorySettingsStore store_;
    ScriptedNetwork network_;
    std::shared_ptr<ProbeTrail> trail_ = std::make_shared<ProbeTrail>();
    EventLog log_{settings_, *trail_, store_};
    ScanEngine engine_{settings_, network_, &log_, nullptr};
};

TEST_F(ProbeHostTest, FastPassFindsANewHostAndWalksItsStatesInOrder) {
    network_.SetHost(kHost, WindowsHost());
    engine_.ProbeHost(kHost, true);
    EXPECT_EQ(trail_->steps,
              (std::vector<std::string>{"state 1", "log 2 Found new host: 198.18.0.11 (FILESRV)",
                                        "found 198.18.0.11 FILESRV", "state 4", "shares", "state 4",
                                        "game 198.18.0.11", "state 8", "state 2"}));
    // The NetBIOS MAC, as there is no ARP entry.
    EXPECT_EQ(*engine_.Hosts().RowTexts(0),
              (HostRowTexts{"198.18.0.11", "02-00-00-00-00-11", "FILESRV", "1.0", "$IMG|4|",
                            "LABGROUP", "", ""}));
    EXPECT_EQ(engine_.Hosts().CopyMarker(kHost, kSharesMarker)->text, "public|media");

    // The next scan: known host, the ARP table's MAC wins, an earlier share list stays when
    // none comes, no second event.
    auto host = WindowsHost();
    host.arp_mac = kArpMac;
    host.shares.reset();
    network_.SetHost(kHost, host);
    trail_->steps.clear();
    engine_.ProbeHost(kHost, true);
    EXPECT_EQ(trail_->steps, (std::vector<std::string>{"state 1", "state 4", "shares",
                                                       "game 198.18.0.11", "state 8", "state 0"}));
    EXPECT_EQ(Cell(HostColumn::Mac), "52-54-00-AB-CD-EF");
    EXPECT_EQ(Cell(HostColumn::Found), "$IMG|4|");
}

// Addresses that never answered leave no trace: the scan driver test's table shows that.
TEST_F(ProbeHostTest, AKnownHostThatFallsSilentIsDeadForTheLogAndTheListener) {
    network_.SetHost(kHost, WindowsHost());
    engine_.ProbeHost(kHost, true);
    network_.RemoveHost(kHost);
    trail_->steps.clear();
    engine_.ProbeHost(kHost, true);
    settings_.FlagsGroup0 = settings_.FlagsGroup0 & ~LogEventBits::kLogDeadHost;
    engine_.ProbeHost(kHost, true);
    // The dead event has its own log switch; the listener hears it whatever the switches.
    EXPECT_EQ(trail_->steps,
              (std::vector<std::string>{"state 3", "log 3 Dead host: 198.18.0.11",
                                        "dead 198.18.0.11", "state 3", "dead 198.18.0.11"}));
}

// Dying and coming back over both passes, with the log, is the scan driver test's; a ping-only
// host's state and ARP MAC the scan lab test's. Here the name it gets.
TEST_F(ProbeHostTest, PingPassNamesAHostByDnsOnlyWhenAskedTo) {
    network_.SetHost(kHost, {.ping_time = 3000, .dns_name = "printer\tlab"});
    engine_.ProbeHost(kHost, false);
    EXPECT_EQ(Cell(HostColumn::Name), "printer?lab") << "a resolver's answer comes from the wire";

    settings_.FlagsGroup0 = settings_.FlagsGroup0 & ~ScanFlags::kResolveHostName;
    engine_.ProbeHost(kHost, false);
    EXPECT_EQ(Cell(HostColumn::Name), "");
}

}  // namespace
}  // namespace corvimap
