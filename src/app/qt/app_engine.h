#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "app/qt/host_notifier.h"
#include "app/qt/startup.h"
#include "app/qt/window_scan_view.h"
#include "controls/qt/ui_handover.h"
#include "engine/net_api_layer.h"
#include "engine/probe_network.h"
#include "engine/scan_driver.h"
#include "engine/scan_engine.h"
#include "engine/wait_cancel.h"
#include "games/game_server_browser.h"
#include "games/scan_game_check.h"
#include "games/server_report_sink.h"
#include "log/event_log.h"
#include "search/file_search.h"

namespace corvimap {

class HandedOverSearchView;
class LogPane;
class MainWindow;
class SearchPane;
class SmbShareFolders;

// Everything the window works with that worker threads touch: the hand-over to the UI thread,
// the network layer, the scan engine and driver, the game server types and the event log. It is
// built before the window and outlives it: the window's close stops the workers and closes the
// hand-over, and destroying the engine waits for the scan to end before anything is freed.
class AppEngine {
public:
    // How long the end of the program waits for a scan to wind down before it says so.
    static constexpr std::chrono::seconds kShutdownWait{10};

    // Built on the UI thread. Without a network of its own the engine asks the Linux network
    // layer; tests pass a scripted one.
    explicit AppEngine(AppContext& context, std::unique_ptr<ProbeNetwork> network = nullptr);
    // Stops the workers, waits for them, then saves the game server types.
    ~AppEngine();
    AppEngine(const AppEngine&) = delete;
    AppEngine& operator=(const AppEngine&) = delete;

    SettingsStore& Store() { return store_; }
    ScanSettings& Settings() { return settings_; }
    UiHandover& Handover() { return *handover_; }
    ScanEngine& Scan() { return *scan_engine_; }
    ScanDriver& Driver() { return *driver_; }
    EventLog& Log() { return *event_log_; }
    GameServerBrowser& Games() { return *games_; }
    FileSearch& Search() { return *search_; }
    // The system's network layer, for the ping and traceroute pages; none with a network of the
    // caller's.
    NetApiLayer* NetApi() { return net_api_.get(); }

    // On the UI thread: where the scan's progress and the log rows are shown. None detaches.
    void AttachWindow(MainWindow* window);
    void AttachLogPane(LogPane* pane);
    void AttachSearchPane(SearchPane* pane);
    // On the UI thread: who lists the game servers a scan finds. Reports reach it on the UI
    // thread; a target that is a QObject is dropped automatically when it is destroyed.
    void SetServerReportTarget(ServerReportSink* target);

    // The window is closing: every worker is asked to stop, the hand-over runs nothing any more
    // and waiting workers are released.
    void BeginShutdown();
    // Waits for the scan to end; true when no worker runs any more.
    bool WaitForWorkers(std::chrono::milliseconds timeout);

private:
    class LogPaneSink;
    class ReportForwarder;

    SettingsStore& store_;
    ScanSettings& settings_;
    std::unique_ptr<UiHandover> handover_;
    std::unique_ptr<NetApiLayer> net_api_;
    std::unique_ptr<ProbeNetwork> network_;
    std::unique_ptr<LogPaneSink> log_sink_;
    std::unique_ptr<EventLog> event_log_;
    std::unique_ptr<WindowScanView> scan_view_;
    std::unique_ptr<GameServerBrowser> games_;
    std::unique_ptr<ReportForwarder> reports_;
    // Hears of new and dead hosts from the probe workers; outlives them.
    std::unique_ptr<HostNotifier> host_notifier_;
    std::unique_ptr<ScanEngine> scan_engine_;
    std::unique_ptr<ScanGameCheck> game_check_;
    std::unique_ptr<ScanDriver> driver_;
    // Fired when the window closes: the search's share listings stop waiting.
    WaitCancel closing_;
    std::unique_ptr<SmbShareFolders> share_folders_;
    std::unique_ptr<HandedOverSearchView> search_view_;
    std::unique_ptr<FileSearch> search_;
    // Reads the MAC vendor registry once; declared last so it is joined before the table goes.
    std::jthread vendor_loader_;
};

}  // namespace corvimap
