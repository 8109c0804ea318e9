#include "app/qt/main_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/language_changed.h"
#include "app/qt/status_line.h"
#include "app/qt/tray_minimizer.h"
#include "app/version_info.h"
#include "controls/qt/flat_button.h"
#include "engine/scan_flags.h"
#include "log/event_kinds.h"
#include "log/qt/log_pane.h"
#include "options/qt/options_test_helpers.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;
using testing::ScriptedNetwork;
using testing::TempDir;
using testing::WriteWholeFile;

QRect Rect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

// A control's place in window coordinates.
QRect PlaceInWindow(QWidget* control, QWidget* window) {
    return QRect(control->mapTo(window, QPoint(0, 0)), control->size());
}

// A host that answers the node status question with its name.
ScriptedNetwork::Host Answering(const std::string& name) {
    ScriptedNetwork::Host host;
    host.node_status = NodeStatusAnswer{name, "LAB", 1000, {}};
    return host;
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : store_(QString::fromStdString(dir_.File("Corvimap.conf").string())),
          context_{store_, settings_, nullptr} {}

    ~MainWindowTest() override {
        window_.reset();
        engine_.reset();
    }

    void Open() {
        auto network = std::make_unique<ScriptedNetwork>();
        network_ = network.get();
        engine_ = std::make_unique<AppEngine>(context_, std::move(network));
        window_ = std::make_unique<MainWindow>(context_, *engine_);
    }
    void OpenAndShow() {
        Open();
        window_->show();
    }

    // The current group's one network, 10.1.2.1 to 10.1.2.last, answered by the script only.
    void ScriptNetwork(int last) {
        store_.WriteProfileInt("Network\\Nets2", "NetsNumbers", 1);
        store_.WriteProfileString("Network\\Nets2", "Net_00", "10.1.2.1-" + std::to_string(last));
    }

    TempDir dir_;
    QSettingsStore store_;
    ScanSettings settings_;
    AppContext context_;
    ScriptedNetwork* network_ = nullptr;
    std::unique_ptr<AppEngine> engine_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, FirstStartShowsTheHostListAndTheStatusOfTheCurrentPaneOnly) {
    Open();
    EXPECT_EQ(window_->CurrentPane(), kNoPane) << "nothing is shown before the first show";
    EXPECT_EQ(window_->windowTitle().toStdString(), VersionInfo().VersionLine());
    window_->show();
    for (int pane : kPanes) {
        EXPECT_EQ(window_->PaneContainer(pane)->isVisible(), pane == kHostListPane) << pane;
    }
    EXPECT_FALSE(window_->ScanTimer()->isActive()) << "ScanEvery 0: no automatic rescan";

    window_->ShowStatus(kHostListPane, "- Fast search: 10.1.2.3");
    window_->ShowStatus(kSearchPane, "found 3 files");
    EXPECT_EQ(window_->Status()->Text(), "Hosts: 0/0  - Fast search: 10.1.2.3");
    window_->SideButton(control_id::kLog)->click();
    EXPECT_EQ(window_->Status()->Text(), "Log") << "a pane switch shows the pane's title";
    window_->SwitchPane(kSearchPane);
    window_->ShowStatus(kSearchPane, "found 3 files");
    window_->ShowStatus(kHostListPane, "");
    EXPECT_EQ(window_->Status()->Text(), "found 3 files");
}

// The layout rules themselves are tested without widgets; here only that the window applies them.
TEST_F(MainWindowTest, ControlsFollowTheLayoutWhenTheWindowIsResized) {
    OpenAndShow();
    QWidget* mask = window_->PaneControl(control_id::kSearchMask);
    ASSERT_NE(mask, nullptr);
    window_->resize(1001, 777);
    window_->SwitchPane(kSearchPane);
    EXPECT_EQ(window_->Status()->geometry(),
              Rect(*FindPlace(LayoutFrame(1001, 777), control_id::kStatusLine)));
    EXPECT_EQ(
        PlaceInWindow(mask, window_.get()),
        Rect(*FindPlace(LayoutPane(kSearchPane, PaneRect(1001, 777)), control_id::kSearchMask)));
    window_->resize(300, 200);
    EXPECT_EQ(window_->size(), QSize(kMinimumWindowWidth, kMinimumWindowHeight));
}

TEST_F(MainWindowTest, PlaceIsRestoredAndSavedAtCloseButNotWhenMinimised) {
    store_.WriteProfileInt("Main", "WindowX", 30);
    store_.WriteProfileInt("Main", "WindowY", 40);
    store_.WriteProfileInt("Main", "WindowW", 600);
    store_.WriteProfileInt("Main", "WindowH", 500);
    OpenAndShow();
    EXPECT_EQ(window_->pos(), QPoint(30, 40));
    EXPECT_EQ(window_->size(), QSize(600, 500));

    window_->move(50, 60);
    window_->resize(700, 520);
    window_->SideButton(control_id::kExit)->click();
    EXPECT_FALSE(window_->isVisible());
    window_.reset();
    engine_.reset();

    OpenAndShow();
    EXPECT_EQ(window_->pos(), QPoint(50, 60));
    EXPECT_EQ(window_->size(), QSize(700, 520));
    window_->move(80, 90);
    window_->showMinimized();
    ASSERT_TRUE(window_->isMinimized());
    window_->close();
    EXPECT_EQ(store_.GetProfileInt("Main", "WindowX", -1), 50) << "a minimised place is no place";
}

TEST_F(MainWindowTest, MinimizeToTrayHidesTheWindowBehindAnIconOnlyWhereThereIsATray) {
    settings_.FlagsGroup0 =
        0x11 | ScanFlags::kMinimizeToTray | LogEventBits::kEnableLog | LogEventBits::kLogHideToTray;
    ScriptNetwork(3);
    OpenAndShow();
    network_->SetHost(MakeAddress(10, 1, 2, 2), Answering("ALPHA"));
    TrayMinimizer& tray = *window_->Tray();
    // The offscreen platform has no tray: minimising minimises.
    window_->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window_->isVisible());
    window_->showNormal();

    tray.SetTrayCheck([] { return true; });
    window_->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->isVisible());
    ASSERT_NE(tray.Icon(), nullptr);
    EXPECT_EQ(window_->Log()->Rows()[window_->Log()->RowCount() - 1].text, "Hide to tray");

    tray.Menu()->actions()[1]->trigger();  // Refresh scans behind the icon
    ASSERT_TRUE(ProcessEventsUntil([&] { return engine_->Scan().Hosts().Count() == 1; }));
    EXPECT_FALSE(window_->isVisible());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !engine_->Driver().Running(); }));
    EXPECT_EQ(tray.ToolTip(), window_->windowTitle() + "\nHosts: 1/1");
    tray.Menu()->actions()[0]->trigger();
    EXPECT_TRUE(window_->isVisible() && !window_->isMinimized());

    window_->showMinimized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(tray.HiddenToTray());
    tray.Menu()->actions()[3]->trigger();  // Exit
    EXPECT_TRUE(engine_->Handover().Closed());
    EXPECT_FALSE(tray.Icon()->isVisible());
}

TEST_F(MainWindowTest, ClosingLogsThenSavesListsThenTheMaskThenThePlace) {
    settings_.FlagsGroup0 = 0x11 | LogEventBits::kEnableLog | LogEventBits::kLogStartProgram |
                            LogEventBits::kLogCloseProgram;
    store_.WriteProfileString("Search", "LastSearchMask", "*.mp3");
    Open();
    ASSERT_EQ(window_->Log()->RowCount(), 1u);
    EXPECT_EQ(window_->Log()->Rows()[0].text, "Corvimap start...");
    auto* mask = new QLineEdit;
    window_->SetPaneControl(control_id::kSearchMask, mask);
    EXPECT_EQ(mask->text(), "*.mp3");
    window_->show();

    std::vector<std::string> seen;
    window_->AddListLayoutSaver([&] {
        seen.push_back("first list, log rows " + std::to_string(window_->Log()->RowCount()));
    });
    window_->AddListLayoutSaver([&] {
        seen.push_back("second list, mask " +
                       store_.GetProfileString("Search", "LastSearchMask", "") + ", place " +
                       std::to_string(store_.GetProfileInt("Main", "WindowX", -1)));
    });
    mask->setText("*.avi");
    window_->close();
    EXPECT_EQ(seen, (std::vector<std::string>{"first list, log rows 2",
                                              "second list, mask *.mp3, place -1"}));
    EXPECT_EQ(window_->Log()->Rows()[1].text, "Corvimap close");
    EXPECT_EQ(store_.GetProfileString("Search", "LastSearchMask", ""), "*.avi");
    EXPECT_EQ(store_.GetProfileInt("Main", "WindowX", -1), 10);

    window_->close();  // a second close request saves nothing twice
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(engine_->Handover().Closed());
}

TEST_F(MainWindowTest, RefreshScansTheGroupShowingStopWhileItRuns) {
    ScriptNetwork(20);
    settings_.ScanEvery = 5;
    Open();
    network_->SetHost(MakeAddress(10, 1, 2, 5), Answering("ALPHA"));
    network_->SetHost(MakeAddress(10, 1, 2, 9), Answering("BETA"));
    network_->node_status_delay = std::chrono::milliseconds(20);
    auto* load = new QPushButton;
    auto* find = new QPushButton;
    window_->SetPaneControl(control_id::kLoad, load);
    window_->SetPaneControl(control_id::kFind, find);
    window_->show();
    EXPECT_TRUE(window_->ScanTimer()->isActive()) << "ScanEvery 5 arms the rescan at start";
    window_->SwitchPane(kLogPane);

    FlatButton* refresh = window_->SideButton(control_id::kRefresh);
    refresh->click();
    EXPECT_EQ(window_->CurrentPane(), kHostListPane) << "Refresh shows the host list first";
    ASSERT_TRUE(ProcessEventsUntil([&] { return refresh->text() == "Stop"; }));
    // Load (with Save and Clear) goes grey and the rescan timer stops while the scan runs.
    ASSERT_TRUE(ProcessEventsUntil(
        [&] { return !load->isEnabled() && !window_->ScanTimer()->isActive(); }));
    EXPECT_TRUE(find->isEnabled());

    ASSERT_TRUE(ProcessEventsUntil([&] { return !engine_->Driver().Running(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(refresh->text(), "Refresh");
    EXPECT_EQ(window_->Status()->Text(), "Hosts: 2/2  ");
    EXPECT_TRUE(load->isEnabled());
    EXPECT_EQ(window_->ScanTimer()->interval(), 5 * 60000);
}

TEST_F(MainWindowTest, RefreshWhileAScanRunsStopsItInsteadOfStartingAnother) {
    ScriptNetwork(254);
    settings_.ThreadsOfScan = 2;
    OpenAndShow();
    network_->node_status_delay = std::chrono::milliseconds(30);
    window_->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return network_->node_status_count.load() >= 4; }));
    window_->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !engine_->Driver().Running(); }));
    EXPECT_LT(network_->node_status_count.load(), 254);
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->SideButton(control_id::kRefresh)->text(), "Refresh");
}

TEST_F(MainWindowTest, RunProgramClosesTheWindowDuringAScanAndEndsTheEngineWithIt) {
    ScriptNetwork(254);
    // Outlives the engine, which owns the network.
    auto asked = std::make_shared<std::atomic<int>>(0);
    const int status = RunProgram(store_, [asked](AppContext& context) {
        auto network = std::make_unique<ScriptedNetwork>();
        network->node_status_delay = std::chrono::milliseconds(100);
        network->on_node_status = [asked](NetAddress) { ++*asked; };
        auto engine = std::make_shared<AppEngine>(context, std::move(network));
        context.engine = engine;
        auto window = std::make_unique<MainWindow>(context, *engine);
        MainWindow* shown = window.get();
        QTimer::singleShot(0, shown, [shown, asked] {
            shown->SideButton(control_id::kRefresh)->click();
            auto* poll = new QTimer(shown);
            QObject::connect(poll, &QTimer::timeout, shown, [shown, asked] {
                if (asked->load() >= 3) {
                    shown->SideButton(control_id::kExit)->click();
                }
            });
            poll->start(5);
        });
        return window;
    });
    EXPECT_EQ(status, 0);
    const int at_return = asked->load();
    EXPECT_LT(at_return, 254) << "the scan stopped at close";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(asked->load(), at_return) << "no probe runs after the program returned";
    EXPECT_EQ(store_.GetProfileInt("Main", "WindowX", -1), 10);
    EXPECT_EQ(store_.GetProfileInt("GameServers\\QuakeWorld", "Flags", -1), 2)
        << "the game server types were saved when the engine went";
}

TEST_F(MainWindowTest, LanguageChangeSetsTheCaptionsAgain) {
    TempDir languages;
    WriteWholeFile(languages.File("test.lng"), "-1,\"Testish\"\n1,\"Info\"\n");
    StringTable::SetLanguageFolders({languages.Path()});
    OpenAndShow();
    int applied = 0;
    QObject::connect(window_.get(), &MainWindow::languageApplied, [&] { ++applied; });

    store_.WriteProfileString("Main", "DefaultLng", "Testish");
    PostLanguageChanged(window_->Status());  // to any control of the window
    QCoreApplication::processEvents();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(window_->SideButton(control_id::kAbout)->text(), "Info");
    StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
    StringTable::UseBuiltIn();
}

TEST_F(MainWindowTest, HostActionsThatFailSayWhyInTheStatusLineAndTheLog) {
    // No program that opens smb:// addresses: the offscreen platform offers none, and under a
    // desktop platform nothing on the PATH and no browser named would.
    struct RestorePath {
        QByteArray path = qgetenv("PATH");
        ~RestorePath() { qputenv("PATH", path); }
    } restore_path;
    std::filesystem::create_directory(dir_.File("empty"));
    qputenv("PATH", QByteArray::fromStdString(dir_.File("empty").string()));
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    settings_.FlagsGroup0 = 0x11 | LogEventBits::kEnableLog;
    OpenAndShow();
    const NetAddress address = MakeAddress(198, 18, 0, 7);
    engine_->Scan().Hosts().AddOrUpdate(address, 100, "alpha", "WG", {}, HostState::Known);
    auto* hosts = window_->PaneContainer(kHostListPane)->findChild<HostListPane*>();
    ASSERT_NE(hosts, nullptr);

    // "Internal errors" not chosen: the status line tells, the log does not.
    ASSERT_NE(hosts->BuildHostMenu(0), nullptr);
    hosts->HostMenu()->actions().front()->trigger();
    hosts->ShellOpen().WaitIdle();
    const QString open_failed =
        "Hosts: 0/1  Cannot open smb://198.18.0.7/: no program here opens smb:// addresses; "
        "a file manager with SMB support is needed";
    EXPECT_TRUE(ProcessEventsUntil([&] { return window_->Status()->Text() == open_failed; }))
        << window_->Status()->Text().toStdString();
    EXPECT_EQ(window_->Log()->RowCount(), 0u);

    settings_.FlagsGroup0 |= LogEventBits::kLogInternalErrors;
    hosts->RunProgram({"Nothing", "/nonexistent/corvimap-helper", "%a"}, address);
    const std::string start_failed =
        "Cannot start /nonexistent/corvimap-helper: the program does not exist or cannot run";
    EXPECT_EQ(window_->Status()->Text().toStdString(), "Hosts: 0/1  " + start_failed);
    ASSERT_EQ(window_->Log()->RowCount(), 1u);
    EXPECT_EQ(window_->Log()->Rows()[0].text, start_failed);
    EXPECT_EQ(window_->Log()->Rows()[0].kind, static_cast<int32_t>(EventKind::kInternalError));
}

}  // namespace
}  // namespace corvimap
