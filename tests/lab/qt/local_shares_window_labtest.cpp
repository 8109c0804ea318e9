// The program's window watching a lab smbd: pane 5 shows the server's shares, a client's session
// and the file it holds, and the log shows their entries.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/window_layout.h"
#include "lab/lab.h"
#include "lab/lab_localshares.h"
#include "lab/qt/lab_window.h"
#include "localshares/qt/local_shares_pane.h"
#include "log/qt/log_pane.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;

bool LogHas(const LogPane& log, const std::string& text) {
    const LogRows& rows = log.Rows();
    return std::any_of(rows.begin(), rows.end(),
                       [&](const LogRow& row) { return row.text == text; });
}

TEST(LocalSharesWindowLabTest, PaneShowsSharesSessionAndOpenFileAndTheLogTheirEntries) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
    lab::Lab lab;
    const lab::LabHost& server = lab.AddSambaHost("srv", 2, lab::LocalSharesServer());
    ASSERT_TRUE(lab.WaitForShares(server, 60s));
    const lab::LabHost& client =
        lab.AddCommandHost("c1", 11, lab::HoldFilesCommand(server, {"limited/a.txt"}, 0, "", ""));
    const std::string path = (lab.ShareDir(server, "limited") / "a.txt").string();

    testing::TempDir dir;
    QSettingsStore store(QString::fromStdString(dir.File("Corvimap.conf").string()));
    store.WriteProfileString("LocalSharesInfo", "SmbConf", lab.SmbConfPath(server).string());
    ScanSettings settings;
    settings.FlagsGroup0 = 0x11 | LogEventBits::kEnableLog | LogEventBits::kLogConnectUser |
                           LogEventBits::kLogOpenLocalFile;
    AppContext context{store, settings, nullptr};
    AppEngine engine(context, std::make_unique<testing::ScriptedNetwork>());
    MainWindow window(context, engine);
    window.show();
    window.SideButton(control_id::kLocalShares)->click();
    LocalSharesPane& pane = *window.LocalShares();
    const int empty_height = pane.Sessions()->height();

    ASSERT_TRUE(lab::ProcessEventsUntil([&] {
        return pane.ShareRows().RowCount() == 3 && pane.SessionRows().RowCount() == 1 &&
               pane.FileRows().RowCount() == 1;
    })) << pane.Note().toStdString();
    EXPECT_EQ(pane.SessionRows().Text(0, 0).toStdString(), client.address);
    EXPECT_EQ(pane.SessionRows().Text(0, 1), "nobody");
    EXPECT_EQ(pane.FileRows().Text(0, 2).toStdString(), path);
    EXPECT_TRUE(LogHas(*window.Log(), "Connect new user: nobody, host: " + client.address));
    EXPECT_TRUE(LogHas(*window.Log(), "nobody open file: " + path));
    // The new session row made its list taller, and the open files list starts below it.
    EXPECT_GT(pane.Sessions()->height(), empty_height);
    EXPECT_EQ(pane.Files()->y(), pane.Sessions()->y() + pane.Sessions()->height() + 1);
    window.close();
}

}  // namespace
}  // namespace corvimap
