// A Stop pressed while the scan's probes wait on addresses that never answer ends the scan long
// before their 20 s time-out, and a probe cut short leaves its host as it was. Runs in a network
// namespace of its own, where 198.18.78.0/24 is routed into a veth link with nobody behind it.

#include <gtest/gtest.h>

#include <thread>

#include "engine/linux_probe_network.h"
#include "engine/net_api_layer.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "games/game_server_browser.h"
#include "games/game_server_type.h"
#include "games/scan_game_check.h"
#include "lab/netns_sandbox.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;

constexpr int kLongTimeoutMs = 20000;
// Generous: the waits themselves would last 20 s (40 s for a game server exchange).
constexpr auto kEndsWithin = 5s;

class NoReports final : public ServerReportSink {
public:
    void UpdateServer(uint8_t, ServerReport) override {}
};

struct StopCase {
    const char* name;
    uint32_t flags;
    bool parallel_ping;
    // The first address answers its node status at once and is asked for a game server over the
    // silent link; otherwise every address is asked over the system's network layer.
    bool game_server;
};

// Starts the scan, presses Stop once its probes wait, and tells whether it ended in time and
// whether the host known from an earlier scan on the first address is still alive.
std::string StopDuringWaits(const StopCase& test) {
    ScanSettings settings;
    settings.FlagsGroup0 = test.flags;
    settings.PingTimeout = kLongTimeoutMs;
    settings.ThreadsOfScan = 8;
    settings.ParallelPing = test.parallel_ping;
    MemorySettingsStore store;
    NetApiLayer layer;
    LinuxProbeNetwork system_network(layer);
    testing::ScriptedNetwork scripted;
    GameServerBrowser browser(store);
    browser.Find("QuakeWorld")->SetFlags(kGameCheckThisGame | kGameCheckDuringScan);
    const NetAddress known = MakeAddress(198, 18, 78, 2);
    WriteGroupRanges(store, "Default", {"198.18.78.2-198.18.78.60"});
    scripted.SetHost(known, {.node_status = NodeStatusAnswer{"GAMEBOX", "LAN", 0, {}}});

    ScanEngine engine(settings,
                      test.game_server ? static_cast<ProbeNetwork&>(scripted) : system_network,
                      nullptr, nullptr);
    NoReports reports;
    ScanGameCheck games(browser, engine.Hosts(), settings, reports);
    engine.SetGameHostCheck(&games);
    engine.Hosts().AddOrUpdate(known, 1000, "KNOWN", "WG", MacBlock{}, HostState::Known);
    SilentScanView view;
    ScanDriver driver(engine, store, view, nullptr);

    driver.Refresh();
    const auto give_up = std::chrono::steady_clock::now() + kEndsWithin;
    while (!driver.Scanning() && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(10ms);
    }
    // Into the waits.
    std::this_thread::sleep_for(300ms);
    driver.RequestStop();
    const bool ended = driver.WaitFinished(kEndsWithin);
    // The known host is the only row: silent addresses add none.
    return std::string(ended ? "ended" : "still waiting") +
           (engine.Hosts().StateAt(0) == HostState::Dead ? ", marked dead" : ", alive");
}

TEST(ScanStopTest, StopWakesEveryProbeThatWaitsOnASilentAddress) {
    const StopCase cases[] = {
        {"fast pass", ScanFlags::kFastSearch, false, false},
        {"ping pass", ScanFlags::kPingPass, false, false},
        {"parallel ping pass", ScanFlags::kPingPass, true, false},
        {"game server check", ScanFlags::kFastSearch, false, true},
    };
    const std::optional<std::string> result = testing::RunInFreshNetNamespace([&] {
        // A permanent neighbour entry: no ARP, so nothing reports the packets as lost either.
        if (!testing::Shell("ip link set lo up && "
                            "ip link add silent0 type veth peer name silent1 && "
                            "ip addr add 198.18.77.1/24 dev silent0 && ip link set silent0 up && "
                            "ip link set silent1 up && ip neigh add 198.18.77.2 "
                            "lladdr 02:00:00:00:00:02 dev silent0 nud permanent && "
                            "ip route add 198.18.78.0/24 via 198.18.77.2")) {
            return std::string("no silent link");
        }
        std::string lines;
        for (const StopCase& test : cases) {
            lines += std::string(test.name) + ": " + StopDuringWaits(test) + "\n";
        }
        return lines;
    });
    if (!result) {
        GTEST_SKIP() << "needs a network namespace (root)";
    }
    std::string expected;
    for (const StopCase& test : cases) {
        expected += std::string(test.name) + ": ended, alive\n";
    }
    EXPECT_EQ(*result, expected);
}

}  // namespace
}  // namespace corvimap
