#include "search/qt/search_pane.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/qt/markup_list.h"
#include "controls/qt/ui_handover.h"
#include "options/qt/options_test_helpers.h"

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
    const QAbstractItemModel& model = *pane.Results()->model();
    pane.Mask()->setText("*.mp3");
    pane.Button()->click();
    EXPECT_TRUE(search.Running());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return pane.Button()->text() == "Start"; }));
    EXPECT_EQ(pane.Folder()->text(), "End");
    EXPECT_TRUE(pane.Mask()->isEnabled());
    EXPECT_EQ(statuses, std::vector<QString>{"Searching... Hosts: 1, shares: 1, found files: 2"});
    ASSERT_EQ(model.rowCount(), 2);

    QUrl opened;
    pane.SetOpener([&](const QUrl& url) { opened = url; });
    emit pane.Results()->doubleClicked(model.index(1, 0));
    EXPECT_EQ(opened.toString(QUrl::FullyEncoded),
              "smb://198.18.0.30/tree/M%C3%BCsik%20%231%20100%25/x.mp3");
}

}  // namespace
}  // namespace corvimap
