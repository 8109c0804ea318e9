#include "localshares/qt/local_shares_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <chrono>
#include <functional>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "app/qt/status_line.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/window_layout.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

bool ProcessEventsUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The window's pane 5 on a Samba configuration of our own with no server running: the lists
// are installed under their names, the shares come from the configuration, the status says why
// there are no sessions, and the layouts are saved under the lists' keys.
TEST(LocalSharesPaneTest, WindowShowsTheConfiguredSharesAndSaysWhatIsMissing) {
    TempDir dir;
    const std::string root = dir.Path().string();
    WriteWholeFile(dir.File("smb.conf"),
                   "[global]\npid directory = " + root + "\nlock directory = " + root +
                       "\nstate directory = " + root + "\ncache directory = " + root +
                       "\n[limited]\npath = /tmp\nmax connections = 3\n"
                       "[Pub]\npath = /srv\ncomment = Open\nread only = no\n");
    QSettingsStore store(QString::fromStdString(dir.File("Corvimap.conf").string()));
    store.WriteProfileString("LocalSharesInfo", "SmbConf", dir.File("smb.conf").string());
    ScanSettings settings;
    AppContext context{store, settings, nullptr};
    AppEngine engine(context, std::make_unique<testing::ScriptedNetwork>());
    {
        MainWindow window(context, engine);
        window.show();
        LocalSharesPane* pane = window.LocalShares();
        ASSERT_NE(pane, nullptr);
        EXPECT_EQ(window.PaneControl(control_id::kSharesList), pane->Shares());
        EXPECT_EQ(window.PaneControl(control_id::kSessionsList), pane->Sessions());
        EXPECT_EQ(window.PaneControl(control_id::kFilesList), pane->Files());
        EXPECT_EQ(pane->Shares()->accessibleName(), "Shares");
        EXPECT_EQ(pane->Sessions()->accessibleName(), "Sessions");
        EXPECT_EQ(pane->Files()->accessibleName(), "Open files");

        window.SideButton(control_id::kLocalShares)->click();
        StoredRowsModel& shares = pane->ShareRows();
        ASSERT_TRUE(ProcessEventsUntil([&] { return shares.RowCount() == 2; }));
        EXPECT_EQ(shares.Text(0, 0), "limited");
        EXPECT_EQ(shares.Text(0, 2), "3");
        EXPECT_EQ(shares.Text(1, 2), "Any");
        EXPECT_EQ(shares.Text(1, 3), "read/write");
        EXPECT_EQ(shares.index(1, 4).data(Qt::AccessibleTextRole).toString(), "Open");
        EXPECT_EQ(shares.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Max users");
        ASSERT_TRUE(ProcessEventsUntil([&] {
            return window.Status()->accessibleName().contains("smbd) is not running");
        })) << window.Status()->accessibleName().toStdString();
        EXPECT_GT(window.PaneControl(control_id::kSessionsList)->y(),
                  window.PaneControl(control_id::kSharesList)->y());

        pane->Shares()->header()->resizeSection(0, 120);
        window.close();
    }
    EXPECT_EQ(store.GetProfileInt("LocalSharesInfo\\SharesList", "ColumnNumber", 0), 6);
    EXPECT_EQ(store.GetProfileInt("LocalSharesInfo\\FilesList", "ColumnNumber", 0), 3);
}

}  // namespace
}  // namespace corvimap
