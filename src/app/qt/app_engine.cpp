#include "app/qt/app_engine.h"

#include <QPointer>
#include <cstdio>

#include "engine/linux_probe_network.h"
#include "engine/mac_vendors.h"
#include "log/qt/log_pane.h"
#include "search/qt/search_pane.h"
#include "search/smb_share_folders.h"

namespace corvimap {

// The event log's rows, handed over to the log pane.
class AppEngine::LogPaneSink final : public EventLogSink {
public:
    explicit LogPaneSink(UiHandover& handover) : handover_(handover) {}
    void Attach(LogPane* pane) { pane_ = pane; }

    void AddRow(const LogRow& row) override {
        handover_.Run([&] {
            if (pane_) {
                pane_->AddRow(row);
            }
        });
    }

private:
    UiHandover& handover_;
    QPointer<LogPane> pane_;  // read on the UI thread only
};

// Game server reports, handed over to the server list.
class AppEngine::ReportForwarder final : public ServerReportSink {
public:
    explicit ReportForwarder(UiHandover& handover) : handover_(handover) {}
    void SetTarget(ServerReportSink* target) {
        target_ = target;
        guard_ = dynamic_cast<QObject*>(target);
        guarded_ = guard_ != nullptr;
    }

    void UpdateServer(uint8_t image_index, ServerReport report) override {
        handover_.Run([&] {
            if (target_ != nullptr && (!guarded_ || guard_)) {
                target_->UpdateServer(image_index, std::move(report));
            }
        });
    }

private:
    UiHandover& handover_;
    // Read on the UI thread only.
    ServerReportSink* target_ = nullptr;
    QPointer<QObject> guard_;
    bool guarded_ = false;
};

AppEngine::AppEngine(AppContext& context, std::unique_ptr<ProbeNetwork> network)
    : store_(context.store),
      settings_(context.scan_settings),
      handover_(std::make_unique<UiHandover>()) {
    if (network) {
        network_ = std::move(network);
    } else {
        net_api_ = std::make_unique<NetApiLayer>();
        network_ = std::make_unique<LinuxProbeNetwork>(*net_api_);
    }
    log_sink_ = std::make_unique<LogPaneSink>(*handover_);
    event_log_ = std::make_unique<EventLog>(settings_, *log_sink_, store_);
    scan_view_ = std::make_unique<WindowScanView>(*handover_);
    games_ = std::make_unique<GameServerBrowser>(store_);
    reports_ = std::make_unique<ReportForwarder>(*handover_);
    scan_engine_ = std::make_unique<ScanEngine>(settings_, *network_, event_log_.get(), nullptr);
    host_notifier_ = std::make_unique<HostNotifier>(store_);
    scan_engine_->SetHostEvents(host_notifier_.get());
    game_check_ =
        std::make_unique<ScanGameCheck>(*games_, scan_engine_->Hosts(), settings_, *reports_);
    scan_engine_->SetGameHostCheck(game_check_.get());
    driver_ = std::make_unique<ScanDriver>(*scan_engine_, store_, *scan_view_, event_log_.get());
    share_folders_ = std::make_unique<SmbShareFolders>(ShareListTimeouts{}, &closing_);
    search_view_ = std::make_unique<HandedOverSearchView>(*handover_);
    search_ = std::make_unique<FileSearch>(scan_engine_->Hosts(), *share_folders_, *search_view_);
    // A few megabytes of CSV: read off the UI thread; the vendor column fills in when done.
    vendor_loader_ = std::jthread([&hosts = scan_engine_->Hosts()] {
        hosts.SetVendors(MacVendors::LoadDirectory(kIeeeDataDir));
    });
}

AppEngine::~AppEngine() {
    BeginShutdown();
    if (!WaitForWorkers(kShutdownWait)) {
        std::fprintf(stderr, "corvimap: waiting for the scan threads to end\n");
    }
    // The search was told to end before its next directory entry; at most the folder listing
    // under way is waited for.
    search_.reset();
    // The driver joins whatever still runs before the engine and the network go.
    driver_.reset();
}

void AppEngine::AttachWindow(MainWindow* window) {
    scan_view_->Attach(window);
}

void AppEngine::AttachLogPane(LogPane* pane) {
    log_sink_->Attach(pane);
}

void AppEngine::AttachSearchPane(SearchPane* pane) {
    search_view_->Attach(pane);
}

void AppEngine::SetServerReportTarget(ServerReportSink* target) {
    reports_->SetTarget(target);
}

void AppEngine::BeginShutdown() {
    driver_->RequestStop();
    search_->Abort();
    closing_.Cancel();
    handover_->Close();
    // The host list's listener belongs to the window; the table must not call it any more.
    scan_engine_->Hosts().SetListener(nullptr);
}

bool AppEngine::WaitForWorkers(std::chrono::milliseconds timeout) {
    return driver_->WaitFinished(timeout);
}

}  // namespace corvimap
