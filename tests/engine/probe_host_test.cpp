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

using testing::CapturingLogSink;
using testing::ScriptedNetwork;

constexpr NetAddress kHost = MakeAddress(198, 18, 0, 11);
constexpr MacBlock kNetbiosMac = {1, 0x02, 0x00, 0x00, 0x00, 0x00, 0x11};
constexpr MacBlock kArpMac = {1, 0x52, 0x54, 0x00, 0xAB, 0xCD, 0xEF};

// Records the row's state whenever the table reports a change, to see a probe's steps.
class StateTrail final : public HostTableListener {
public:
    explicit StateTrail(HostTable& table) : table_(table) {}
    void CountChanged(std::size_t) override { Note(); }
    void RowsChanged(std::size_t, std::size_t) override { Note(); }
    std::vector<int> states;

private:
    void Note() {
        if (table_.Count() > 0) {
            states.push_back(static_cast<int>(table_.StateAt(0)));
        }
    }
    HostTable& table_;
};

class GameCheckSpy final : public GameHostCheck {
public:
    explicit GameCheckSpy(HostTable& table) : table_(table) {}
    void CheckHost(NetAddress address, const HostHandle& record, const WaitCancel*) override {
        checked.push_back(address);
        table_.SetState(record, HostState::QueryQuake3);
    }
    std::vector<NetAddress> checked;

private:
    HostTable& table_;
};

// What the scan told its host event listener, as "found <address> <name>" and "dead <address>".
struct HostEventRecorder final : HostEventListener {
    void HostFound(NetAddress address, std::string_view name) override {
        events.push_back("found " + FormatAddress(address) + " " + std::string(name));
    }
    void HostDead(NetAddress address) override {
        events.push_back("dead " + FormatAddress(address));
    }
    std::vector<std::string> events;
};

class ProbeHostTest : public ::testing::Test {
protected:
    ProbeHostTest() {
        settings_.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                                ScanFlags::kScanShares | ScanFlags::kResolveHostName |
                                LogEventBits::kEnableLog | LogEventBits::kLogFoundNewHost |
                                LogEventBits::kLogDeadHost;
        trail_ = std::make_shared<StateTrail>(engine_.Hosts());
        engine_.Hosts().SetListener(trail_);
    }

    ScriptedNetwork::Host WindowsHost() {
        ScriptedNetwork::Host host;
        host.node_status = NodeStatusAnswer{"FILESRV", "LABGROUP", 1000, kNetbiosMac};
        host.ping_time = 2000;
        host.shares = "public|media";
        return host;
    }
    std::string Cell(HostColumn column) { return engine_.Hosts().ColumnText(0, column); }

    ScanSettings settings_;
    MemorySettingsStore store_;
    ScriptedNetwork network_;
    CapturingLogSink sink_;
    EventLog log_{settings_, sink_, store_};
    ScanEngine engine_{settings_, network_, &log_, nullptr};
    std::shared_ptr<StateTrail> trail_;
};

TEST_F(ProbeHostTest, FastPassFindsANewHostAndWalksItsStatesInOrder) {
    GameCheckSpy games(engine_.Hosts());
    engine_.SetGameHostCheck(&games);
    network_.SetHost(kHost, WindowsHost());
    network_.on_list_shares = [this](NetAddress) {
        EXPECT_EQ(engine_.Hosts().StateAt(0), HostState::ListingShares);
    };

    engine_.ProbeHost(kHost, true);

    EXPECT_EQ(trail_->states, (std::vector<int>{1, 4, 4, 8, 2}));
    // The NetBIOS MAC, as there is no ARP entry.
    EXPECT_EQ(*engine_.Hosts().RowTexts(0),
              (HostRowTexts{"198.18.0.11", "02-00-00-00-00-11", "FILESRV", "1.0", "$IMG|4|",
                            "LABGROUP", "", ""}));
    EXPECT_EQ(engine_.Hosts().CopyMarker(kHost, kSharesMarker)->text, "public|media");
    EXPECT_EQ(games.checked, std::vector<NetAddress>{kHost});
    ASSERT_EQ(sink_.Texts(), std::vector<std::string>{"Found new host: 198.18.0.11 (FILESRV)"});
    EXPECT_EQ(sink_.Rows()[0].kind, 2);

    // The next scan: known host, the ARP table's MAC wins, no second event.
    auto host = WindowsHost();
    host.arp_mac = kArpMac;
    host.shares.reset();
    network_.SetHost(kHost, host);
    engine_.ProbeHost(kHost, true);
    EXPECT_EQ(engine_.Hosts().StateAt(0), HostState::Known);
    EXPECT_EQ(Cell(HostColumn::Mac), "52-54-00-AB-CD-EF");
    EXPECT_EQ(Cell(HostColumn::Found), "$IMG|4|") << "an earlier share list stays";
    EXPECT_EQ(sink_.Texts().size(), 1u);
}

// Addresses that never answered leave no trace: the scan driver test's table shows that.
TEST_F(ProbeHostTest, AKnownHostThatFallsSilentIsDeadForTheLogAndTheListener) {
    HostEventRecorder recorder;
    engine_.SetHostEvents(&recorder);
    network_.SetHost(kHost, WindowsHost());
    engine_.ProbeHost(kHost, true);
    network_.RemoveHost(kHost);
    engine_.ProbeHost(kHost, true);
    EXPECT_EQ(engine_.Hosts().StateAt(0), HostState::Dead);
    const auto rows = sink_.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::tie(rows[1].text, rows[1].kind), std::tuple("Dead host: 198.18.0.11", 3));

    settings_.FlagsGroup0 = settings_.FlagsGroup0 & ~LogEventBits::kLogDeadHost;
    engine_.ProbeHost(kHost, true);
    EXPECT_EQ(sink_.Rows().size(), 2u) << "the event has its own switch";
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"found 198.18.0.11 FILESRV",
                                                         "dead 198.18.0.11", "dead 198.18.0.11"}))
        << "the listener hears every moment, whatever the log's switches";
}

// Dying and coming back over both passes, with the log, is the scan driver test's; here the
// name a ping-only host gets.
TEST_F(ProbeHostTest, PingPassNamesAHostByDnsOnlyWhenAskedTo) {
    ScriptedNetwork::Host printer;
    printer.ping_time = 3000;
    printer.arp_mac = kArpMac;
    printer.dns_name = "printer\tlab";
    network_.SetHost(kHost, printer);
    engine_.ProbeHost(kHost, false);
    EXPECT_EQ(engine_.Hosts().StateAt(0), HostState::New);
    EXPECT_EQ(Cell(HostColumn::Name), "printer?lab") << "a resolver's answer comes from the wire";
    EXPECT_EQ(Cell(HostColumn::Mac), "52-54-00-AB-CD-EF");

    settings_.FlagsGroup0 = settings_.FlagsGroup0 & ~ScanFlags::kResolveHostName;
    engine_.ProbeHost(kHost, false);
    EXPECT_EQ(Cell(HostColumn::Name), "");
}

}  // namespace
}  // namespace corvimap
