#include "engine/scan_driver.h"

#include <gtest/gtest.h>

#include "engine/host_record.h"
#include "engine/network_groups.h"
#include "engine/scan_flags.h"
#include "log/event_log.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using testing::CapturingLogSink;
using testing::ScriptedNetwork;

// Writes down what the scan shows, in order: the status texts apart from the other events. The
// lists are read once the scan has ended.
class RecordingView final : public ScanDriverView {
public:
    void SetScanButtonText(const std::string& text) override { Note(events, "button " + text); }
    void EnableHostListButtons(bool on) override {
        Note(events, on ? "buttons on" : "buttons off");
    }
    void KillScanTimer() override { Note(events, "timer killed"); }
    void ArmScanTimer(std::chrono::milliseconds period) override {
        Note(events, "timer " + std::to_string(period.count()));
    }
    void ShowScanStatus(const std::string& text) override { Note(statuses, text); }
    std::vector<std::string> statuses;
    std::vector<std::string> events;

private:
    void Note(std::vector<std::string>& list, const std::string& text) {
        std::lock_guard lock(mutex_);
        list.push_back(text);
    }
    std::mutex mutex_;
};

// A scanner over a scripted network, its log kept: both passes on three threads, the start
// and the end of a scan logged, unless a test says otherwise.
struct Scanner {
    Scanner() {
        settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                               LogEventBits::kEnableLog | LogEventBits::kLogStartScan |
                               LogEventBits::kLogStopScan;
        settings.ThreadsOfScan = 3;
    }
    void SetRanges(std::vector<std::string> ranges) { WriteGroupRanges(store, "Default", ranges); }

    ScanSettings settings;
    MemorySettingsStore store;
    ScriptedNetwork network;
    CapturingLogSink sink;
    EventLog log{settings, sink, store};
    ScanEngine engine{settings, network, &log, nullptr};
    RecordingView view;
};

class ScanDriverTest : public ::testing::Test, protected Scanner {};

// Two scans of two ranges, the first larger than one parallel batch, with a host that dies and
// one that comes in between: every cell, state and log line, the found count, what the view showed
// (of the progress texts the first and the last), and the addresses asked.
std::string ScanTwiceAndDescribe(bool parallel) {
    Scanner scan;
    scan.settings.FlagsGroup0 |=
        ScanFlags::kResolveHostName | LogEventBits::kLogFoundNewHost | LogEventBits::kLogDeadHost;
    scan.settings.ParallelPing = parallel;
    scan.SetRanges({"198.18.0.0>198.18.4.255", "198.18.9.1-3"});
    scan.network.SetHost(
        MakeAddress(198, 18, 0, 5),
        {.node_status = NodeStatusAnswer{"FILESRV", "WG", 0, {}}, .ping_time = 1000});
    // Found by the fast pass before the ping pass's finds below it (in each scan), so the table
    // fills unsorted.
    scan.network.SetHost(MakeAddress(198, 18, 9, 3),
                         {.node_status = NodeStatusAnswer{"LAST", "WG", 0, {}}, .ping_time = 1000});
    scan.network.SetHost(MakeAddress(198, 18, 4, 200),
                         {.ping_time = 3000, .dns_name = "printer.lab"});  // beyond the first batch
    scan.network.SetHost(MakeAddress(198, 18, 9, 2), {.ping_time = 3000});
    ScanDriver driver(scan.engine, scan.store, scan.view, &scan.log);
    driver.RunScan();
    scan.network.RemoveHost(MakeAddress(198, 18, 9, 2));
    scan.network.SetHost(MakeAddress(198, 18, 0, 9), {.ping_time = 2000});
    driver.RunScan();

    const HostTable& hosts = scan.engine.Hosts();
    std::string text;
    for (size_t row = 0; row < hosts.Count(); ++row) {
        for (size_t column = 0; column < kHostColumnCount; ++column) {
            text += hosts.ColumnText(row, static_cast<HostColumn>(column)) + "|";
        }
        text += std::to_string(static_cast<int>(hosts.StateAt(row))) + "\n";
    }
    for (const std::string& line : scan.sink.Texts()) {
        text += line + "\n";
    }
    text += std::to_string(scan.engine.FoundCount()) + " found; view:";
    for (const std::string& event : scan.view.events) {
        text += " " + event + ",";
    }
    text += " \"" + scan.view.statuses.front() + "\" .. \"" + scan.view.statuses.back() + "\"\n";
    return text + std::to_string(scan.network.node_status_count) + " asked, " +
           std::to_string(scan.network.pinged.size()) + " pinged from " +
           FormatAddress(scan.network.pinged.front()) + " to " +
           FormatAddress(scan.network.pinged.back()) + "\n";
}

// The second fast pass marks the hosts that answer only pings dead, and its ping pass brings
// back those still there, found only once; the ping pass skips the fast pass's finds, and the
// table ends sorted by address. The parallel ping pass records exactly the same.
TEST(ScanDriverRunTest, TwoScansOfBothPassesAndTheParallelPingPassRecordTheSame) {
    const std::string sequential = ScanTwiceAndDescribe(false);
    const std::string scan = "button Stop, buttons off, timer killed, buttons on, button Refresh,";
    EXPECT_EQ(sequential,
              "198.18.0.5||FILESRV|<10||WG|||0\n198.18.0.9|||2.0|||||2\n"
              "198.18.4.200||printer.lab|3.0|||||0\n"
              "198.18.9.2|||3.0|||||3\n198.18.9.3||LAST|<10||WG|||0\n"
              "Start network scanner\nFound new host: 198.18.0.5 (FILESRV)\n"
              "Found new host: 198.18.9.3 (LAST)\nFound new host: 198.18.4.200 (printer.lab)\n"
              "Found new host: 198.18.9.2 ()\nStop network scanner\nStart network scanner\n"
              "Dead host: 198.18.4.200\nDead host: 198.18.9.2\nFound new host: 198.18.0.9 ()\n"
              "Dead host: 198.18.9.2\nStop network scanner\n4 found; view: " +
                  scan + " " + scan +
                  " \"- Fast search: 198.18.0.0\" .. \"\"\n"
                  "2566 asked, 2562 pinged from 198.18.0.0 to 198.18.9.2\n");
    EXPECT_EQ(ScanTwiceAndDescribe(true), sequential);
}

TEST_F(ScanDriverTest, StopDuringTheFastPassEndsTheScanCleanly) {
    SetRanges({"198.18.0.1-254"});
    settings.ScanEvery = 5;
    ScanDriver driver(engine, store, view, &log);
    std::atomic<int> asked{0};
    network.on_node_status = [&](NetAddress) {
        if (++asked == 10) {
            driver.Refresh();  // the Stop button while the scan runs
        }
    };
    driver.Refresh();
    ASSERT_TRUE(driver.WaitFinished(30s));

    const size_t asked_before = network.node_status_asked.size();
    EXPECT_LT(asked_before, 20u) << "no new probe after the stop";
    EXPECT_TRUE(network.pinged.empty()) << "the ping pass sees the stop at once";
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"button Stop", "buttons off", "timer killed", "buttons on",
                                        "button Refresh", "timer 300000"}));
    EXPECT_EQ(sink.Texts().back(), "Stop network scanner");

    // The next Refresh starts a new scan that walks the whole range.
    network.on_node_status = nullptr;
    driver.Refresh();
    ASSERT_TRUE(driver.WaitFinished(30s));
    EXPECT_EQ(network.node_status_asked.size(), asked_before + 254);
}

TEST_F(ScanDriverTest, EmptyFirstRangeProbesNothingButStillFinishes) {
    settings.ScanEvery = 1;
    ScanDriver driver(engine, store, view, &log);
    driver.RunScan();
    EXPECT_TRUE(network.node_status_asked.empty());
    EXPECT_TRUE(view.statuses.empty());
    EXPECT_EQ(view.events.back(), "timer 60000");
    EXPECT_EQ(sink.Texts().back(), "Stop network scanner");
}

TEST_F(ScanDriverTest, WithoutIcmpThePingPassSaysWhyOncePerScanAndLogsWhenChosen) {
    SetRanges({"198.18.0.1-3"});
    network.icmp_available = false;
    for (const bool log_errors : {false, true}) {
        SCOPED_TRACE(log_errors);
        settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                               LogEventBits::kEnableLog |
                               (log_errors ? LogEventBits::kLogInternalErrors : 0);
        view.statuses.clear();
        ScanDriver driver(engine, store, view, &log);
        const std::string problem = driver.RunScan();

        ASSERT_FALSE(problem.empty());
        EXPECT_TRUE(network.pinged.empty());
        EXPECT_EQ(view.statuses.back(), problem) << "the scan's last status";
        const auto rows = sink.Rows();
        ASSERT_EQ(rows.size(), log_errors ? 1u : 0u);
        EXPECT_TRUE(rows.empty() || (rows[0].text == problem && rows[0].kind == 5));
    }
}

// The fast pass runs as many probes at once as the threads setting allows, and a driver
// destroyed while it scans waits for every one of them.
TEST_F(ScanDriverTest, FastPassRunsProbesSideBySideAndTheDriverWaitsForThemWhenDestroyed) {
    SetRanges({"198.18.0.1-254"});
    network.node_status_delay = 5ms;
    {
        ScanDriver driver(engine, store, view, &log);
        driver.Refresh();
        while (network.node_status_count < 30) {
            std::this_thread::sleep_for(1ms);
        }
    }
    EXPECT_TRUE(engine.Slots().Idle());
    EXPECT_EQ(view.events.back(), "button Refresh");
    EXPECT_LE(network.max_in_flight_.load(), 3);
    EXPECT_GE(network.max_in_flight_.load(), 2) << "probes do run side by side";
}

}  // namespace
}  // namespace corvimap
