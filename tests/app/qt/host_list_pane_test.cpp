#include "app/qt/host_list_pane.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <memory>
#include <string>

#include "app/qt/column_menu.h"
#include "app/qt/host_info_window.h"
#include "app/qt/host_list_model.h"
#include "controls/qt/markup_list.h"
#include "engine/scan_flags.h"
#include "settings/memory_settings_store.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

NetAddress Lab(int last) {
    return MakeAddress(198, 18, 0, static_cast<uint8_t>(last));
}

// Three hosts in table order .9 "bravo", .7 "alpha" (shares C and D), .8 "charlie".
struct PaneFixture {
    explicit PaneFixture(SettingsStore& store_in) : store(store_in) {
        table.AddOrUpdate(Lab(9), 300, "bravo", "WG", {}, HostState::Known);
        const HostHandle alpha =
            table.AddOrUpdate(Lab(7), 100, "alpha", "WG", {}, HostState::Known);
        table.AttachMarker(alpha, HostMarker{kSharesMarker, "C|D"});
        table.AddOrUpdate(Lab(8), 200, "charlie", "WG", {}, HostState::Known);
        pane = std::make_unique<HostListPane>(table, store, settings);
        pane->setGeometry(99, 48, 700, 400);
        pane->show();
        QApplication::processEvents();
        pane->Model().ApplyPendingChanges();
        pane->ShellOpen().SetOpener([this](const QUrl& url, const std::string&) {
            opened.push_back(url.toString().toStdString());
            return true;
        });
        pane->SetProgramStarter([this](const QString& program, const QStringList& arguments) {
            started_program = program;
            started_arguments = arguments;
            return true;
        });
    }
    ~PaneFixture() {
        for (QWidget* popup = QApplication::activePopupWidget(); popup != nullptr;
             popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }

    QHeaderView& Header() { return *pane->List().header(); }
    QString Cell(int row, int column) { return pane->Model().index(row, column).data().toString(); }
    void ClickHeader(int column) {
        QHeaderView& header = Header();
        const QPoint at(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                        header.height() / 2);
        const QPoint global = header.viewport()->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(header.viewport(), &press);
        QApplication::sendEvent(header.viewport(), &release);
        QApplication::processEvents();
    }

    SettingsStore& store;
    ScanSettings settings;
    HostTable table;
    std::unique_ptr<HostListPane> pane;
    std::vector<std::string> opened;
    QString started_program;
    QStringList started_arguments;
};

QStringList Texts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        texts << action->text();
    }
    return texts;
}

TEST(HostListPaneTest, HeaderClicksSortTheTableAndMoveTheSortMark) {
    MemorySettingsStore store;
    PaneFixture f(store);
    EXPECT_EQ(f.Cell(0, 2), "bravo");
    f.ClickHeader(2);  // Name, a new column: ascending
    EXPECT_EQ(f.Cell(0, 2), "alpha");
    EXPECT_EQ(f.Header().sortIndicatorSection(), 2);
    f.ClickHeader(2);  // the same column: the direction flips
    EXPECT_EQ(f.Cell(0, 2), "charlie");
    EXPECT_EQ(f.Header().sortIndicatorOrder(), Qt::DescendingOrder);
    f.ClickHeader(3);  // Time, another column: ascending again
    EXPECT_EQ(f.Cell(0, 0), "198.18.0.7");
    EXPECT_EQ(f.Header().sortIndicatorOrder(), Qt::AscendingOrder);
}

// How layouts are stored and read back is tested with the lists alone; here the pane's menu.
TEST(HostListPaneTest, ColumnMenuHidesAColumnThatStaysHiddenAtTheNextStart) {
    MemorySettingsStore store;
    {
        PaneFixture f(store);
        ColumnMenu& menu = f.pane->Columns();
        // A right click on the header opens the column menu, not the host menu.
        QContextMenuEvent on_header(QContextMenuEvent::Mouse, QPoint(20, 5),
                                    f.Header().viewport()->mapToGlobal(QPoint(20, 5)));
        QApplication::sendEvent(f.Header().viewport(), &on_header);
        EXPECT_TRUE(menu.isVisible());
        EXPECT_EQ(f.pane->HostMenu(), nullptr);
        menu.actions()[1]->trigger();  // hide MAC
        EXPECT_TRUE(f.Header().isSectionHidden(1));
        menu.close();
        f.pane->SaveLayout();
    }
    PaneFixture f(store);
    EXPECT_TRUE(f.Header().isSectionHidden(1));
    f.pane->Columns().RefreshChecks();
    EXPECT_FALSE(f.pane->Columns().actions()[1]->isChecked());
    f.pane->Columns().actions()[1]->trigger();  // shown again, 70 pixels wide
    EXPECT_EQ(f.Header().sectionSize(1), 70);
}

TEST(HostListPaneTest, HostMenuOffersSharesAndProgramsAndActsOnItsHostAfterASort) {
    MemorySettingsStore store;
    PaneFixture f(store);
    MarkupListCtrl& list = f.pane->List();
    const auto right_click = [&list](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &event);
    };
    // .8 has no shares and no program is stored: one item. Under the rows: no menu.
    right_click(list.visualRect(f.pane->Model().index(2, 0)).center());
    ASSERT_NE(f.pane->HostMenu(), nullptr);
    EXPECT_EQ(Texts(*f.pane->HostMenu()), QStringList{"open: \\\\198.18.0.8"});
    f.pane->HostMenu()->close();
    right_click(QPoint(10, list.viewport()->height() - 5));
    EXPECT_EQ(f.pane->HostMenu(), nullptr);

    store.WriteProfileString("Network", "OpenExplore", "explore");
    store.WriteProfileInt("Progs\\ProgsList", "ItemCount", 1);
    store.WriteProfileInt("Progs\\ProgsList", "SubItemCount", 3);
    store.WriteProfileString("Progs\\ProgsList", "Item0000_00", "Telnet & co");
    store.WriteProfileString("Progs\\ProgsList", "Item0000_01", "/usr/bin/telnet");
    store.WriteProfileString("Progs\\ProgsList", "Item0000_02", "%a 23");
    QMenu* menu = f.pane->BuildHostMenu(1);  // .7, shares C and D
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    QMenu* shares = menu->actions()[1]->menu();
    QMenu* programs = menu->actions()[2]->menu();
    ASSERT_TRUE(shares != nullptr && programs != nullptr);
    EXPECT_EQ(Texts(*shares),
              (QStringList{"explore: \\\\198.18.0.7\\C", "explore: \\\\198.18.0.7\\D"}));
    EXPECT_EQ(Texts(*programs), QStringList{"Telnet && co"}) << "no shortcut mark";

    f.pane->SortByColumn(2);
    QApplication::processEvents();
    ASSERT_EQ(f.Cell(1, 2), "bravo");
    shares->actions()[1]->trigger();
    menu->actions()[0]->trigger();
    f.pane->ShellOpen().WaitIdle();
    QApplication::processEvents();
    // Each request has a thread of its own, so they may arrive in either order.
    std::sort(f.opened.begin(), f.opened.end());
    EXPECT_EQ(f.opened, (std::vector<std::string>{"smb://198.18.0.7/", "smb://198.18.0.7/D"}));
    programs->actions()[0]->trigger();
    EXPECT_EQ(f.started_program, "/usr/bin/telnet");
    EXPECT_EQ(f.started_arguments, (QStringList{"198.18.0.7", "23"}));
}

TEST(HostListPaneTest, SaveClearLoadAndAutoloadGoThroughTheHostListFile) {
    testing::TempDir dir;
    MemorySettingsStore store;
    PaneFixture f(store);
    const QString path = QString::fromStdString(dir.File("hosts list.txt").string());
    int status_updates = 0;
    QObject::connect(f.pane.get(), &HostListPane::StatusUpdate, [&] { ++status_updates; });
    std::vector<bool> asked_to_save;
    f.pane->SetFileChooser([&](bool save) {
        asked_to_save.push_back(save);
        return path;
    });
    f.pane->ButtonAt(HostListPane::kSaveButton).click();
    f.pane->ButtonAt(HostListPane::kClearButton).click();
    QApplication::processEvents();
    EXPECT_EQ(f.pane->Model().rowCount(), 0);
    f.pane->ButtonAt(HostListPane::kLoadButton).click();
    QApplication::processEvents();
    EXPECT_EQ(asked_to_save, (std::vector<bool>{true, false}));
    EXPECT_EQ(f.pane->Model().rowCount(), 3);
    EXPECT_EQ(status_updates, 2) << "after Clear and after Load";

    // Autoload: only with the flag, from the file last saved.
    f.table.Clear();
    EXPECT_FALSE(f.pane->AutoloadHostList());
    f.settings.FlagsGroup0 = f.settings.FlagsGroup0.load() | ScanFlags::kAutoloadHostList;
    EXPECT_TRUE(f.pane->AutoloadHostList());
    EXPECT_EQ(f.table.Count(), 3u);
}

void MoveOver(QWidget* viewport, const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

TEST(HostListPaneTest, HostInfoFollowsTheCursorOnlyWithTheShowHostInfoFlag) {
    MemorySettingsStore store;
    PaneFixture f(store);
    MarkupListCtrl& list = f.pane->List();
    HostInfoWindow& info = f.pane->InfoWindow();
    const QPoint row0 = list.visualRect(f.pane->Model().index(0, 0)).center();
    const QPoint row1 = list.visualRect(f.pane->Model().index(1, 0)).center();
    MoveOver(list.viewport(), row1);
    EXPECT_FALSE(info.isVisible()) << "flag clear: never shown";

    f.settings.FlagsGroup0 = f.settings.FlagsGroup0.load() | ScanFlags::kShowHostInfo;
    MoveOver(list.viewport(), row1);
    ASSERT_TRUE(info.isVisible());
    EXPECT_EQ(info.Title(), "alpha (198.18.0.7)");
    // Once the list learns that the row changed, the next move fills the window afresh.
    f.table.AddOrUpdate(Lab(7), 100, "renamed", "WG", {}, HostState::Known);
    QApplication::processEvents();
    MoveOver(list.viewport(), row1);
    EXPECT_EQ(info.Title(), "renamed (198.18.0.7)");

    // Off the rows (the header holds none): the window goes after a while.
    MoveOver(list.viewport(), row0);
    EXPECT_EQ(info.Title(), "bravo (198.18.0.9)");
    EXPECT_FALSE(info.HideTimer().isActive());
    MoveOver(f.Header().viewport(), QPoint(10, 5));
    EXPECT_TRUE(info.HideTimer().isActive());
}

}  // namespace
}  // namespace corvimap
