#include "localshares/qt/local_shares_pane.h"

#include <gtest/gtest.h>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "app/qt/status_line.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/window_layout.h"
#include "options/qt/options_test_helpers.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;
using testing::TempDir;
using testing::WriteWholeFile;

// The window's local shares pane on a Samba configuration of our own with no server running:
// the lists are installed, the shares come from the configuration, the status says why there are
// no sessions, and the layouts are saved under the lists' keys.
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

        window.SideButton(control_id::kLocalShares)->click();
        StoredRowsModel& shares = pane->ShareRows();
        ASSERT_TRUE(ProcessEventsUntil([&] { return shares.RowCount() == 2; }));
        EXPECT_EQ(shares.Text(0, 0), "limited");
        EXPECT_EQ(shares.Text(1, 4), "Open");
        ASSERT_TRUE(ProcessEventsUntil([&] {
            return window.Status()->accessibleName().contains("smbd) is not running");
        })) << window.Status()->accessibleName().toStdString();
        window.close();
    }
    EXPECT_EQ(store.GetProfileInt("LocalSharesInfo\\SharesList", "ColumnNumber", 0), 6);
    EXPECT_EQ(store.GetProfileInt("LocalSharesInfo\\FilesList", "ColumnNumber", 0), 3);
}

}  // namespace
}  // namespace corvimap
