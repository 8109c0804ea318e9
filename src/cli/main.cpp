// corvimap-scan: the scanner without a window. Scans the given ranges once and writes what it
// found to standard output, as a host list file or as JSON.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "cli/scan_options.h"
#include "cli/scan_output.h"
#include "engine/host_list_file.h"
#include "engine/linux_probe_network.h"
#include "engine/mac_vendors.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "engine/wait_cancel.h"
#include "games/game_server_type.h"
#include "games/scan_game_check.h"
#include "log/event_log.h"
#include "search/file_search.h"
#include "search/smb_share_folders.h"
#include "settings/group_sections.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

ScanDriver* g_driver = nullptr;
std::atomic<FileSearch*> g_search = nullptr;
// Fired by the first interrupt: the search's share listings stop waiting.
WaitCancel g_interrupted;

void OnInterrupt(int) {
    // A first Ctrl+C ends the walk (a lock-free store, safe here); the hosts found so far are
    // still written. A second one ends the program at once.
    if (g_driver != nullptr) {
        g_driver->RequestStop();
    }
    if (FileSearch* search = g_search.load()) {
        search->Abort();
    }
    g_interrupted.Cancel();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// Keeps the files found; the progress goes to standard error.
class CollectingSearchView final : public SearchView {
public:
    void SearchStarted() override {}
    void ShowFolder(const std::string&) override {}
    void AddResults(std::vector<SearchResult> rows) override {
        files.insert(files.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
    }
    void ShowProgress(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void SearchEnded() override {}

    std::vector<SearchResult> files;
};

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
    settings.ParallelPing = options.parallel_ping;
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
    const std::string problem = driver.RunScan();
    g_driver = nullptr;
    if (vendors.valid()) {
        engine.Hosts().SetVendors(vendors.get());
    }

    CollectingSearchView found;
    if (options.search_masks) {
        SmbShareFolders folders(ShareListTimeouts{}, &g_interrupted);
        FileSearch search(engine.Hosts(), folders, found);
        g_search = &search;
        search.RunHere(*options.search_masks);
        g_search = nullptr;
    }
    const std::vector<SearchResult>* files = options.search_masks ? &found.files : nullptr;
    const std::string output =
        options.json ? ScanResultJson(engine.Hosts(), servers.Servers(), browser, files)
        : files      ? SearchResultLines(*files)
                     : HostListFile::Format(engine.Hosts());
    std::fwrite(output.data(), 1, output.size(), stdout);
    const bool written = std::fflush(stdout) == 0;
    // What the other passes found is written all the same; the exit status tells a script
    // that a pass it asked for did not run.
    if (!problem.empty()) {
        std::fprintf(stderr, "corvimap-scan: %s\n", problem.c_str());
        return 1;
    }
    return written ? 0 : 1;
}

}  // namespace
}  // namespace corvimap

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const corvimap::ScanOptionsResult parsed = corvimap::ParseScanOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "corvimap-scan: %s\n%s\n", parsed.error.c_str(),
                     std::string(corvimap::kScanUsage).c_str());
        return corvimap::kExitBadUsage;
    }
    if (parsed.options->help) {
        std::fputs(corvimap::ScanHelpText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? corvimap::kExitDone : corvimap::kExitPassFailed;
    }
    return corvimap::Run(*parsed.options);
}
