// The global search in the program's window against the lab: after a scan with shares, masks
// typed into the search pane list exactly the matching files of every lab share; Stop ends the
// search after the share being walked; closing the window in the middle of a share ends the
// search.
//
// The window lives on the main thread, which is moved into the scanner namespace for its life,
// so the scan's and the search's threads see the lab only.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <set>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "app/qt/status_line.h"
#include "controls/qt/flat_button.h"
#include "engine/network_groups.h"
#include "engine/scan_flags.h"
#include "lab/lab.h"
#include "lab/lab_hosts.h"
#include "lab/lab_search.h"
#include "lab/qt/lab_window.h"
#include "search/qt/search_pane.h"
#include "settings/group_sections.h"
#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::ProcessEventsUntil;

// UNC paths of the lab's *.mp3 and *.avi files: one on the file server, the rest on the search
// server's loop and tree shares.
std::multiset<std::string> MediaFiles(const lab::LabHost& filesrv, const lab::LabHost& server) {
    std::multiset<std::string> files = {"\\\\" + filesrv.address + "\\media\\album\\track01.mp3",
                                        "\\\\" + server.address + "\\loop\\a\\in a.mp3",
                                        "\\\\" + server.address + "\\loop\\a\\b\\in b.mp3"};
    for (const lab::TreeFile& file : lab::TreeFiles()) {
        if (file.path.ends_with(".mp3") || file.path.ends_with(".avi")) {
            files.insert("\\\\" + server.address + "\\tree\\" + file.path);
        }
    }
    return files;
}

TEST(SearchWindowLabTest, MasksListTheLabFilesStopEndsAfterTheShareCloseEndsTheSearch) {
    CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
    lab::Lab lab;
    const lab::LabHost& filesrv = lab.AddSambaHost("h1", 11, lab::FileServer());
    const lab::LabHost& server = lab.AddSambaHost("search", 30, lab::SearchServer());
    lab::FillSearchShares(lab, server);
    lab::FillBulkShare(lab, server, 250, 20);
    ASSERT_TRUE(lab.WaitForSamba(60s));

    lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    corvimap::testing::TempDir dir;
    QSettingsStore store(QString::fromStdString(dir.File("Corvimap.conf").string()));
    WriteGroupRanges(store, kDefaultGroupName, {"198.18.0.11-30"});
    ScanSettings settings;
    settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kScanShares;
    settings.PingTimeout = 300;
    AppContext context{store, settings, nullptr};
    auto engine = std::make_unique<AppEngine>(context);
    auto window = std::make_unique<MainWindow>(context, *engine);
    window->show();

    window->Refresh();
    ASSERT_TRUE(ProcessEventsUntil([&] { return engine->Driver().Running(); }, 30s));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !engine->Driver().Running(); }));
    ASSERT_EQ(engine->Scan().Hosts().Count(), 2u);

    window->SideButton(control_id::kGlobalSearch)->click();
    auto* folder = qobject_cast<QLabel*>(window->PaneControl(control_id::kSearchProgress));
    auto* mask = qobject_cast<QLineEdit*>(window->PaneControl(control_id::kSearchMask));
    auto* button = qobject_cast<QPushButton*>(window->PaneControl(control_id::kSearchButton));
    auto* results =
        qobject_cast<QAbstractItemView*>(window->PaneControl(control_id::kSearchResults));
    ASSERT_TRUE(folder && mask && button && results);
    const QAbstractItemModel& rows = *results->model();
    auto cell = [&rows](int row, int column) {
        return rows.index(row, column).data().toString().toStdString();
    };

    // Masks of the example: exactly the matching files of every share, each once. Sizes and
    // times against smbclient are the search lab test's.
    mask->setText("*.mp3|*.avi");
    button->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return button->text() == "Start"; }));
    EXPECT_EQ(folder->text(), "End");
    const std::multiset<std::string> expected = MediaFiles(filesrv, server);
    std::multiset<std::string> shown;
    for (int row = 0; row < rows.rowCount(); ++row) {
        shown.insert(cell(row, 3));
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(window->Status()->Text(),
              "Searching... Hosts: 2, shares: 5, found files: " + QString::number(expected.size()));

    // Stop while the big share is walked: that share completes, the ones after it are not walked.
    // Stop is clicked while the first rows of that share are handed over, so the walk is still in
    // it however fast the share is walked.
    const QString bulk = QString::fromStdString("\\\\" + server.address + "\\bulk\\");
    const auto holds_bulk = [&](int first, int last) {
        for (int row = first; row <= last; ++row) {
            if (QString::fromStdString(cell(row, 3)).startsWith(bulk)) {
                return true;
            }
        }
        return false;
    };
    bool stop_clicked = false;
    const QMetaObject::Connection stopper = QObject::connect(
        &rows, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
            if (!stop_clicked && holds_bulk(first, last)) {
                stop_clicked = true;
                EXPECT_EQ(button->text(), "Stop");
                button->click();
            }
        });
    mask->setText("*");
    button->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return stop_clicked; }));
    QObject::disconnect(stopper);
    ASSERT_TRUE(ProcessEventsUntil([&] { return button->text() == "Start"; }));
    EXPECT_EQ(folder->text(), "End");
    int bulk_rows = 0;
    for (int row = 0; row < rows.rowCount(); ++row) {
        bulk_rows += QString::fromStdString(cell(row, 3)).startsWith(bulk) ? 1 : 0;
        EXPECT_FALSE(cell(row, 3).starts_with("\\\\" + server.address + "\\tree")) << cell(row, 3);
    }
    EXPECT_EQ(bulk_rows, 250 * 20);

    // Closing in the middle of the big share: the window goes at once, the search ends before
    // its next directory entry and nothing of the window is touched after.
    bool bulk_shown = false;
    QObject::connect(&rows, &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) {
                         bulk_shown = bulk_shown || holds_bulk(first, last);
                     });
    button->click();
    ASSERT_TRUE(ProcessEventsUntil([&] { return bulk_shown; }));
    window->close();
    EXPECT_TRUE(engine->Search().WaitFinished(10s)) << "the search went on after the close";
    window.reset();
    engine.reset();
}

}  // namespace
}  // namespace corvimap
