#include "games/scan_game_check.h"

#include <gtest/gtest.h>

#include "engine/scan_engine.h"
#include "games/game_server_type.h"
#include "lab/fake_quake_server.h"
#include "lab/lab_server_reports.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using testing::FakeGame;
using testing::FakeQuakeServer;
using testing::ScriptedNetwork;

constexpr NetAddress kLoopback = MakeAddress(127, 0, 0, 1);

class StateList final : public HostTableListener {
public:
    explicit StateList(HostTable& table) : table_(table) {}
    void CountChanged(std::size_t) override { states.push_back(int(table_.StateAt(0))); }
    void RowsChanged(std::size_t, std::size_t) override {
        states.push_back(int(table_.StateAt(0)));
    }
    std::vector<int> states;

private:
    HostTable& table_;
};

TEST(ScanGameCheckTest, AProbeAsksTheEnabledGamesAndMarksTheHostRow) {
    FakeQuakeServer qw(FakeGame::kQuakeWorld, testing::RealisticQuakeWorldServer());
    FakeQuakeServer q3(FakeGame::kQuake3, testing::RealisticQuake3Server());
    ASSERT_TRUE(qw.Ok() && q3.Ok());

    MemorySettingsStore store;
    ScanSettings settings;
    GameServerBrowser browser(store);
    browser.Find("QuakeWorld")->SetFlags(kGameCheckThisGame | kGameCheckDuringScan);
    browser.Find("QuakeWorld")->SetPorts({qw.Port()});
    browser.Find("Quake II")->SetFlags(0);
    browser.Find("Quake III Arena")->SetFlags(kGameCheckThisGame | kGameCheckDuringScan);
    browser.Find("Quake III Arena")->SetPorts({q3.Port()});

    ScriptedNetwork network;
    ScriptedNetwork::Host host;
    host.node_status = NodeStatusAnswer{"GAMEBOX", "LAN", 0, {}};
    network.SetHost(kLoopback, host);
    testing::ServerReportList reports;
    ScanEngine engine(settings, network, nullptr, nullptr);
    ScanGameCheck games(browser, engine.Hosts(), settings, reports);
    engine.SetGameHostCheck(&games);
    auto states = std::make_shared<StateList>(engine.Hosts());
    engine.Hosts().SetListener(states);

    engine.ProbeHost(kLoopback, true);

    EXPECT_EQ(states->states, (std::vector<int>{1, 6, 6, 8, 8, 2}));
    EXPECT_EQ(engine.Hosts().ColumnText(0, HostColumn::Found), "$IMG|6|8|");
    const auto reported = reports.Reports();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[0].first, 6);
    EXPECT_EQ(reported[1].first, 8);
    EXPECT_TRUE(reported[1].second.starts_with("127.0.0.1:" + std::to_string(q3.Port())))
        << reported[1].second;
}

}  // namespace
}  // namespace corvimap
