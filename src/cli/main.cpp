// corvimap-scan: the scanner without a window. Scans the given ranges once and writes what it
// found to standard output, as a host list file or as JSON.

#include <csignal>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/memory_settings_store.h"
#include "cli/scan_options.h"
#include "cli/scan_output.h"
#include "engine/group_sections.h"
#include "engine/host_list_file.h"
#include "engine/linux_probe_network.h"
#include "engine/mac_vendors.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "games/game_server_type.h"
#include "games/scan_game_check.h"
#include "log/event_log.h"

namespace corvimap {
namespace {

ScanDriver* g_driver = nullptr;

void OnInterrupt(int) {
    // A first Ctrl+C ends the walk (a lock-free store, safe here); the hosts found so far are
    // still written. A second one ends the program at once.
    if (g_driver != nullptr) {
        g_driver->RequestStop();
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// The log file is the only place log lines go.
class NoLogList final : public EventLogSink {
public:
    void AddRow(const LogRow&) override {}
};

const char* GameTypeName(const std::string& option) {
    if (option == "qw") {
        return "QuakeWorld";
    }
    if (option == "q2") {
        return "Quake II";
    }
    return "Quake III Arena";
}

uint32_t ScanFlagsFor(const ScanOptions& options) {
    uint32_t flags = 0;
    flags |= options.fast_pass ? ScanFlags::kFastSearch : 0;
    flags |= options.ping_pass ? ScanFlags::kPingPass : 0;
    flags |= options.resolve_names ? ScanFlags::kResolveHostName : 0;
    flags |= options.list_shares ? ScanFlags::kScanShares : 0;
    if (!options.log_file.empty()) {
        flags |= LogEventBits::kEnableLog | LogEventBits::kEnableLogFile |
                 LogEventBits::kLogStartScan | LogEventBits::kLogStopScan |
                 LogEventBits::kLogFoundNewHost | LogEventBits::kLogDeadHost |
                 LogEventBits::kLogInternalErrors;
    }
    return flags;
}

int Run(const ScanOptions& options) {
    // The JSON output names vendors; the registry is read while the scan runs.
    std::future<std::shared_ptr<const MacVendors>> vendors;
    if (options.json) {
        vendors =
            std::async(std::launch::async, [] { return MacVendors::LoadDirectory(kIeeeDataDir); });
    }
    MemorySettingsStore store;
    WriteGroupRanges(store, kDefaultGroupName, options.ranges);
    ScanSettings settings;
    settings.FlagsGroup0 = ScanFlagsFor(options);
    settings.PingTimeout = options.timeout_ms;
    settings.ThreadsOfScan = options.threads;
    store.WriteProfileString("LogOptions", "LogFile", options.log_file);

    NoLogList no_list;
    EventLog log(settings, no_list, store);
    log.LoadSettings();

    GameServerBrowser browser(store);
    for (size_t i = 0; i < browser.Count(); ++i) {
        browser.At(i).SetFlags(0);
    }
    for (const std::string& game : options.game_types) {
        browser.Find(GameTypeName(game))->SetFlags(kGameCheckThisGame | kGameCheckDuringScan);
    }

    NetApiLayer layer;
    LinuxProbeNetwork network(layer);
    ServerCollector servers;
    ScanEngine engine(settings, network, &log, nullptr);
    ScanGameCheck games(browser, engine.Hosts(), settings, servers);
    if (!options.game_types.empty()) {
        engine.SetGameHostCheck(&games);
    }
    SilentScanView view;
    ScanDriver driver(engine, store, view, &log);

    g_driver = &driver;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    driver.RunScan();
    g_driver = nullptr;
    if (vendors.valid()) {
        engine.Hosts().SetVendors(vendors.get());
    }

    const std::string output = options.json
                                   ? ScanResultJson(engine.Hosts(), servers.Servers(), browser)
                                   : HostListFile::Format(engine.Hosts());
    std::fwrite(output.data(), 1, output.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace corvimap

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const corvimap::ScanOptionsResult parsed = corvimap::ParseScanOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "corvimap-scan: %s\n", parsed.error.c_str());
        return 2;
    }
    return corvimap::Run(*parsed.options);
}
