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

// A scripted host: its node status answer (none: silent), ping time (none: silent), DNS name.
ScriptedNetwork::Host Host(std::optional<NodeStatusAnswer> status, std::optional<uint32_t> ping,
                           std::string dns_name = "") {
    ScriptedNetwork::Host host;
    host.node_status = std::move(status);
    host.ping_time = ping;
    host.dns_name = std::move(dns_name);
    return host;
}

class ScanDriverTest : public ::testing::Test {
protected:
    ScanDriverTest() {
        settings_.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                                LogEventBits::kEnableLog | LogEventBits::kLogStartScan |
                                LogEventBits::kLogStopScan;
        settings_.ThreadsOfScan = 3;
    }
    void SetRanges(std::vector<std::string> ranges) { WriteGroupRanges(store_, "Default", ranges); }
    ScriptedNetwork::Host Answering() { return Host(NodeStatusAnswer{"HOST", "WG", 0, {}}, 1000); }

    ScanSettings settings_;
    MemorySettingsStore store_;
    ScriptedNetwork network_;
    CapturingLogSink sink_;
    EventLog log_{settings_, sink_, store_};
    ScanEngine engine_{settings_, network_, &log_, nullptr};
    RecordingView view_;
};

// The addresses as text, one space apart; sorted when asked (probes finish in any order).
std::string Texts(std::vector<NetAddress> list, bool sorted = false) {
    if (sorted) {
        std::sort(list.begin(), list.end(),
                  [](NetAddress a, NetAddress b) { return ToHostOrder(a) < ToHostOrder(b); });
    }
    std::string text;
    for (const NetAddress address : list) {
        text += (text.empty() ? "" : " ") + FormatAddress(address);
    }
    return text;
}

TEST_F(ScanDriverTest, BothPassesWalkEveryRangeAndTheTableEndsSortedByAddress) {
    SetRanges({"198.18.0.250>198.18.1.2", "198.18.5.7-6", "198.18.9.1-3"});
    // Answer NetBIOS in reverse order of the addresses so the table fills unsorted.
    network_.SetHost(MakeAddress(198, 18, 9, 3), Answering());
    network_.SetHost(MakeAddress(198, 18, 1, 1), Answering());
    network_.SetHost(MakeAddress(198, 18, 0, 251), Host(std::nullopt, 1000));

    ScanDriver driver(engine_, store_, view_, &log_);
    driver.RunScan();

    EXPECT_EQ(Texts(network_.node_status_asked, true),
              "198.18.0.250 198.18.0.251 198.18.0.252 198.18.0.253 198.18.0.254 198.18.0.255 "
              "198.18.1.0 198.18.1.1 198.18.1.2 198.18.5.7 198.18.9.1 198.18.9.2 198.18.9.3");
    EXPECT_EQ(Texts(network_.pinged),
              "198.18.0.250 198.18.0.251 198.18.0.252 198.18.0.253 198.18.0.254 198.18.0.255 "
              "198.18.1.0 198.18.1.2 198.18.5.7 198.18.9.1 198.18.9.2")
        << "ping pass: in order, skipping fast finds";
    std::vector<NetAddress> rows;
    for (size_t row = 0; row < engine_.Hosts().Count(); ++row) {
        rows.push_back(engine_.Hosts().AddressAt(row));
    }
    EXPECT_EQ(Texts(rows), "198.18.0.251 198.18.1.1 198.18.9.3");
    EXPECT_EQ(engine_.FoundCount(), 3u);

    EXPECT_EQ(view_.events, (std::vector<std::string>{"button Stop", "buttons off", "timer killed",
                                                      "buttons on", "button Refresh"}));
    EXPECT_EQ(view_.statuses.front(), "- Fast search: 198.18.0.250");
    EXPECT_EQ(view_.statuses[13], "- Ping: 198.18.0.250");
    EXPECT_EQ(view_.statuses.back(), "");
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{"Start network scanner", "Stop network scanner"}));
}

// Two scans of a range larger than one parallel batch, with a host that dies in between; every
// cell, state and log line, and the addresses asked, in order.
std::string ScanTwiceAndDescribe(bool parallel) {
    ScanSettings settings;
    settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                           ScanFlags::kResolveHostName | LogEventBits::kEnableLog |
                           LogEventBits::kLogFoundNewHost | LogEventBits::kLogDeadHost;
    settings.ParallelPing = parallel;
    MemorySettingsStore store;
    WriteGroupRanges(store, "Default", {"198.18.0.0>198.18.4.255", "198.18.9.1-3"});
    ScriptedNetwork network;
    network.SetHost(MakeAddress(198, 18, 0, 5),
                    Host(NodeStatusAnswer{"FILESRV", "WG", 0, {}}, 1000));
    network.SetHost(MakeAddress(198, 18, 4, 200),
                    Host(std::nullopt, 3000, "printer.lab"));  // beyond the first batch
    network.SetHost(MakeAddress(198, 18, 9, 2), Host(std::nullopt, 3000));
    CapturingLogSink sink;
    EventLog log{settings, sink, store};
    ScanEngine engine{settings, network, &log, nullptr};
    SilentScanView view;
    ScanDriver driver(engine, store, view, &log);
    driver.RunScan();
    network.RemoveHost(MakeAddress(198, 18, 9, 2));
    driver.RunScan();

    std::string text;
    for (size_t row = 0; row < engine.Hosts().Count(); ++row) {
        for (size_t column = 0; column < kHostColumnCount; ++column) {
            text += engine.Hosts().ColumnText(row, static_cast<HostColumn>(column)) + "|";
        }
        text += std::to_string(static_cast<int>(engine.Hosts().StateAt(row))) + "\n";
    }
    for (const std::string& line : sink.Texts()) {
        text += line + "\n";
    }
    return text + std::to_string(network.pinged.size()) + " pinged, last " +
           FormatAddress(network.pinged.back()) + "\n";
}

TEST(ScanDriverParallelPingTest, RecordsExactlyWhatTheSequentialPassRecords) {
    // The second fast pass marks the hosts that answer only pings dead, and its ping pass
    // brings back those still there, found only once; the pass skips the fast pass's finds.
    const std::string sequential = ScanTwiceAndDescribe(false);
    EXPECT_EQ(sequential,
              "198.18.0.5||FILESRV|<10||WG|||0\n198.18.4.200||printer.lab|3.0|||||0\n"
              "198.18.9.2|||3.0|||||3\nFound new host: 198.18.0.5 (FILESRV)\n"
              "Found new host: 198.18.4.200 (printer.lab)\nFound new host: 198.18.9.2 ()\n"
              "Dead host: 198.18.4.200\nDead host: 198.18.9.2\nDead host: 198.18.9.2\n"
              "2564 pinged, last 198.18.9.3\n");
    EXPECT_EQ(ScanTwiceAndDescribe(true), sequential);
}

TEST_F(ScanDriverTest, FastPassRunsAsManyProbesAtOnceAsTheThreadsSettingAllows) {
    SetRanges({"198.18.0.1-40"});
    network_.node_status_delay = 5ms;
    settings_.FlagsGroup0 = ScanFlags::kFastSearch;
    ScanDriver driver(engine_, store_, view_, nullptr);
    driver.RunScan();
    EXPECT_EQ(network_.node_status_asked.size(), 40u);
    EXPECT_LE(network_.max_in_flight_.load(), 3);
    EXPECT_GE(network_.max_in_flight_.load(), 2) << "probes do run side by side";
}

TEST_F(ScanDriverTest, StopDuringTheFastPassEndsTheScanCleanly) {
    SetRanges({"198.18.0.1-254"});
    settings_.ScanEvery = 5;
    ScanDriver driver(engine_, store_, view_, &log_);
    std::atomic<int> asked{0};
    network_.on_node_status = [&](NetAddress) {
        if (++asked == 10) {
            driver.Refresh();  // the Stop button while the scan runs
        }
    };
    network_.SetHost(MakeAddress(198, 18, 0, 3), Answering());
    driver.Refresh();
    ASSERT_TRUE(driver.WaitFinished(30s));

    EXPECT_LT(network_.node_status_asked.size(), 20u) << "no new probe after the stop";
    EXPECT_TRUE(network_.pinged.empty()) << "the ping pass sees the stop at once";
    EXPECT_EQ(engine_.Hosts().Count(), 1u);
    const auto events = view_.events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(std::vector(events.end() - 2, events.end()),
              (std::vector<std::string>{"button Refresh", "timer 300000"}));
    EXPECT_FALSE(driver.Scanning());
    EXPECT_EQ(sink_.Texts().back(), "Stop network scanner");

    // The next Refresh starts a new scan that walks the whole range.
    network_.on_node_status = nullptr;
    driver.Refresh();
    ASSERT_TRUE(driver.WaitFinished(30s));
    EXPECT_GE(network_.node_status_asked.size(), 254u);
}

TEST_F(ScanDriverTest, EmptyFirstRangeProbesNothingButStillFinishes) {
    settings_.ScanEvery = 1;
    ScanDriver driver(engine_, store_, view_, &log_);
    driver.RunScan();
    EXPECT_TRUE(network_.node_status_asked.empty());
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_EQ(view_.events.back(), "timer 60000");
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{"Start network scanner", "Stop network scanner"}));
}

TEST_F(ScanDriverTest, WithoutIcmpThePingPassSaysWhyOncePerScanAndLogsWhenChosen) {
    SetRanges({"198.18.0.1-3"});
    network_.SetHost(MakeAddress(198, 18, 0, 2), Answering());
    network_.icmp_available = false;
    for (const bool log_errors : {false, true}) {
        SCOPED_TRACE(log_errors);
        settings_.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kPingPass |
                                LogEventBits::kEnableLog |
                                (log_errors ? LogEventBits::kLogInternalErrors : 0);
        view_.statuses.clear();
        ScanDriver driver(engine_, store_, view_, &log_);
        const std::string problem = driver.RunScan();

        EXPECT_NE(problem.find("net.ipv4.ping_group_range"), std::string::npos) << problem;
        EXPECT_NE(problem.find("setcap cap_net_raw+ep /"), std::string::npos)
            << "names the program to give the capability: " << problem;
        EXPECT_TRUE(network_.pinged.empty());
        EXPECT_EQ(engine_.Hosts().Count(), 1u) << "the fast pass still ran";
        EXPECT_EQ(view_.statuses.back(), problem) << "the scan's last status";
        const auto rows = sink_.Rows();
        ASSERT_EQ(rows.size(), log_errors ? 1u : 0u);
        EXPECT_TRUE(rows.empty() || (rows[0].text == problem && rows[0].kind == 5));
    }
}

TEST_F(ScanDriverTest, DestroyingTheDriverWhileItScansWaitsForEveryThread) {
    SetRanges({"198.18.0.1-254"});
    network_.node_status_delay = 2ms;
    {
        ScanDriver driver(engine_, store_, view_, &log_);
        driver.Refresh();
        while (network_.node_status_count == 0) {
            std::this_thread::sleep_for(1ms);
        }
    }
    EXPECT_TRUE(engine_.Slots().Idle());
    EXPECT_EQ(view_.events.back(), "button Refresh");
}

}  // namespace
}  // namespace corvimap
