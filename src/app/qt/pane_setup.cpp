#include "app/qt/pane_setup.h"

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/language_changed.h"
#include "app/qt/main_window.h"
#include "app/qt/pane_containers.h"
#include "engine/scan_flags.h"
#include "games/qt/game_servers_pane.h"
#include "localshares/qt/local_shares_pane.h"
#include "log/event_kinds.h"
#include "netutils/qt/net_utils_tab_control.h"
#include "options/qt/external_programs_page.h"
#include "options/qt/options_tab_control.h"
#include "search/qt/search_pane.h"

namespace corvimap {
namespace {

OptionsTabControl* InstallOptionsPane(MainWindow& window, AppContext& context, AppEngine& engine) {
    auto* options = new OptionsTabControl(context.store, context.scan_settings, engine.Games());
    window.SetPaneContent(kOptionsPane, options);
    QObject::connect(options, &OptionsTabControl::languageChanged, &window,
                     [w = &window] { PostLanguageChanged(w); });
    QObject::connect(&window, &MainWindow::languageApplied, options,
                     &OptionsTabControl::UpdateCaptions);
    return options;
}

void InstallHostListPane(MainWindow& window, AppContext& context, AppEngine& engine,
                         OptionsTabControl* options) {
    auto* hosts = new HostListPane(engine.Scan().Hosts(), context.store, context.scan_settings);
    window.SetPaneContent(kHostListPane, hosts);
    // The host menu reads the programs as the options page holds them now.
    hosts->SetProgramsProvider([options] { return options->ExternalPrograms().Entries(); });
    QObject::connect(&window, &MainWindow::hostListButtonsEnabled, hosts,
                     &HostListPane::SetButtonsEnabled);
    QObject::connect(&window, &MainWindow::languageApplied, hosts, &HostListPane::RetranslateUi);
    QObject::connect(&window, &MainWindow::sideButtonClicked, hosts,
                     &HostListPane::StartHostInfoHideTimer);
    QObject::connect(
        hosts, &HostListPane::StatusUpdate, &window,
        [w = &window](const QString& text) { w->ShowStatus(kHostListPane, text.toStdString()); });
    QObject::connect(hosts, &HostListPane::ActionFailed, &window,
                     [w = &window, &context, &engine](const QString& message) {
                         w->ShowStatus(kHostListPane, message.toStdString());
                         if (context.scan_settings.HasFlag(LogEventBits::kLogInternalErrors)) {
                             engine.Log().Add(EventKind::kInternalError, "%s",
                                              message.toStdString().c_str());
                         }
                     });
    window.AddListLayoutSaver([hosts] { hosts->SaveLayout(); });
}

void InstallSearchPane(MainWindow& window, AppContext& context, AppEngine& engine) {
    auto* search = new SearchPane(engine.Search(), &window);
    window.SetPaneControl(control_id::kSearchProgress, search->Folder());
    window.SetPaneControl(control_id::kSearchMask, search->Mask());
    window.SetPaneControl(control_id::kSearchButton, search->Button());
    window.SetPaneControl(control_id::kSearchResults, search->Results());
    search->RestoreLayout(context.store);
    search->ShowCaption();
    engine.AttachSearchPane(search);
    QObject::connect(&window, &MainWindow::languageApplied, search, &SearchPane::ShowCaption);
    QObject::connect(
        search, &SearchPane::StatusUpdate, &window,
        [w = &window](const QString& text) { w->ShowStatus(kSearchPane, text.toStdString()); });
    window.AddListLayoutSaver([&context, search] { search->SaveLayout(context.store); });
}

LocalSharesPane* InstallLocalSharesPane(MainWindow& window, AppContext& context,
                                        AppEngine& engine) {
    auto* shares = new LocalSharesPane(context.store, context.scan_settings, engine.Log(),
                                       LocalSharesPane::OptionsFromStore(context.store), &window);
    shares->RestoreLayout();
    window.SetPaneControl(control_id::kSharesList, shares->Shares());
    window.SetPaneControl(control_id::kSessionsList, shares->Sessions());
    window.SetPaneControl(control_id::kFilesList, shares->Files());
    window.AddListLayoutSaver([shares] { shares->SaveLayout(); });
    QObject::connect(&window, &MainWindow::localSharesTick, shares, [w = &window, shares] {
        const bool shown = w->CurrentPane() == kLocalSharesPane;
        const auto result = shares->Tick(shown);
        if (shown && result.rows_changed) {
            w->ForceLayout();
        } else if (shown && result.note_changed) {
            w->ShowStatus(kLocalSharesPane, PaneStatusTitle(kLocalSharesPane, shares->Note()));
        }
    });
    shares->Start();
    return shares;
}

void InstallGameServersPane(MainWindow& window, AppContext& context, AppEngine& engine) {
    auto* games = new GameServersPane(engine.Handover(), context.store);
    games->RestoreLayout();
    window.SetPaneContent(kGameServersPane, games);
    engine.SetServerReportTarget(games);
    window.AddListLayoutSaver([games] { games->SaveLayout(); });
}

}  // namespace

LocalSharesPane* InstallPaneContents(MainWindow& window, AppContext& context, AppEngine& engine) {
    OptionsTabControl* options = InstallOptionsPane(window, context, engine);
    InstallHostListPane(window, context, engine, options);
    // Pings and traces run on threads of their own pages, over the engine's network layer.
    window.SetPaneContent(
        kNetUtilsPane, new NetUtilsTabControl(context.store, MakeSystemEchoSource(engine.NetApi()),
                                              std::make_unique<SystemHostLookup>()));
    InstallSearchPane(window, context, engine);
    LocalSharesPane* shares = InstallLocalSharesPane(window, context, engine);
    InstallGameServersPane(window, context, engine);
    return shares;
}

}  // namespace corvimap
