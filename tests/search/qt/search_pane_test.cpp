#include "search/qt/search_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <chrono>

#include "app/qt/app_engine.h"
#include "app/qt/main_window.h"
#include "app/qt/status_line.h"
#include "controls/qt/flat_button.h"
#include "controls/qt/ui_handover.h"
#include "search/qt/search_results_model.h"
#include "settings/qt/qsettings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

// One share of one host: a folder with two files, one of them in a subfolder.
class TwoFiles final : public ShareFolderSource {
public:
    std::optional<ShareFolderListing> ListFolder(NetAddress, const std::string&,
                                                 const std::vector<std::string>& folders) override {
        if (folders.empty()) {
            return ShareFolderListing{
                0, {{"a b.mp3", false, 2048, 0, 0}, {"M\xC3\xBCsik #1 100%", true, 0, 0, 0}}};
        }
        return ShareFolderListing{0, {{"x.mp3", false, 5, 0, 0}}};
    }
};

void WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TEST(SearchPaneTest, ButtonRunsTheSearchRowsOpenAsSmbUrls) {
    HostTable table;
    const HostHandle host = table.AddOrUpdate(MakeAddress(198, 18, 0, 30), 0, "S", "W", MacBlock{},
                                              HostState::Answered);
    table.AttachMarker(host, HostMarker{kSharesMarker, "tree"});
    UiHandover handover;
    TwoFiles folders;
    HandedOverSearchView view(handover);
    FileSearch search(table, folders, view);
    SearchPane pane(search);
    view.Attach(&pane);
    std::vector<QString> statuses;
    QObject::connect(&pane, &SearchPane::StatusUpdate,
                     [&](const QString& text) { statuses.push_back(text); });

    EXPECT_EQ(pane.Mask()->accessibleName(), "Mask");
    EXPECT_EQ(pane.Mask()->maxLength(), 254);
    EXPECT_EQ(pane.Results()->accessibleName(), "Search results");
    EXPECT_EQ(pane.Button()->text(), "Search");
    EXPECT_EQ(pane.Button()->accessibleName(), "Search");
    const QHeaderView& header = *pane.Results()->header();
    EXPECT_EQ(header.sectionSize(0), 130);
    EXPECT_EQ(header.sectionSize(1), 90);
    EXPECT_GE(header.sectionSize(2), 90);
    EXPECT_EQ(header.sectionSize(3), 250);
    EXPECT_TRUE(header.sectionsMovable());
    const QAbstractItemModel& model = *pane.Results()->model();
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Size");

    pane.Mask()->setText("*.mp3");
    pane.Button()->click();
    EXPECT_TRUE(search.Running());
    WaitUntil([&] { return pane.Button()->text() == "Start"; });
    EXPECT_EQ(pane.Folder()->text(), "End");
    EXPECT_TRUE(pane.Mask()->isEnabled());
    EXPECT_EQ(statuses, std::vector<QString>{"Searching... Hosts: 1, shares: 1, found files: 2"});
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "2 kB");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(model.data(model.index(1, 3), Qt::AccessibleTextRole).toString(),
              QString::fromUtf8("\\\\198.18.0.30\\tree\\M\xC3\xBCsik #1 100%\\x.mp3"));

    QUrl opened;
    pane.SetOpener([&](const QUrl& url) { opened = url; });
    emit pane.Results()->doubleClicked(model.index(1, 0));
    EXPECT_EQ(opened.toString(QUrl::FullyEncoded),
              "smb://198.18.0.30/tree/M%C3%BCsik%20%231%20100%25/x.mp3");
    pane.OpenRow(0);
    EXPECT_EQ(opened.toString(QUrl::FullyEncoded), "smb://198.18.0.30/tree/a%20b.mp3");
}

TEST(SearchPaneTest, TheWindowShowsThePaneWithTheLastMask) {
    corvimap::testing::TempDir dir;
    QSettingsStore store(QString::fromStdString(dir.File("Corvimap.conf").string()));
    store.WriteProfileString("Search", "LastSearchMask", "*.avi|*.mp3");
    ScanSettings settings;
    AppContext context{store, settings, nullptr};
    {
        AppEngine engine(context, std::make_unique<corvimap::testing::ScriptedNetwork>());
        MainWindow window(context, engine);
        window.show();
        window.SideButton(control_id::kGlobalSearch)->click();
        EXPECT_EQ(window.CurrentPane(), kSearchPane);
        EXPECT_EQ(window.Status()->Text(),
                  "Global search, enter mask (example: *.mp3|*.mpg|*.avi)");
        auto* mask = qobject_cast<QLineEdit*>(window.PaneControl(control_id::kSearchMask));
        ASSERT_NE(mask, nullptr);
        EXPECT_EQ(mask->accessibleName(), "Mask");
        EXPECT_EQ(mask->text(), "*.avi|*.mp3");
        auto* button = qobject_cast<QPushButton*>(window.PaneControl(control_id::kSearchButton));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        // No host has shares: the search ends at once.
        button->click();
        WaitUntil([&] { return button->text() == "Start"; });
        EXPECT_EQ(qobject_cast<QLabel*>(window.PaneControl(control_id::kSearchProgress))->text(),
                  "End");
        mask->setText("*.mpg");
        window.close();
    }
    EXPECT_EQ(store.GetProfileString("Search", "LastSearchMask", ""), "*.mpg");
    EXPECT_EQ(store.GetProfileInt("Search\\GSL", "ColumnNumber", 0), 4);
}

}  // namespace
}  // namespace corvimap
