#include "games/qt/game_servers_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <thread>

#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "controls/qt/ui_handover.h"
#include "settings/memory_settings_store.h"
#include "settings/qt/qsettings_store.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

QStringList Column(const StoredRowsModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.RowCount(); ++row) {
        texts << model.Text(row, column);
    }
    return texts;
}

class GameServersPaneTest : public ::testing::Test {
protected:
    UiHandover handover_;
    MemorySettingsStore store_;
    GameServersPane pane_{handover_, store_};
};

TEST_F(GameServersPaneTest, UpdatesFromManyProbeThreadsKeepOneRowPerServer) {
    std::atomic<int> running{8};
    std::vector<std::thread> probes;
    for (int t = 0; t < 8; ++t) {
        probes.emplace_back([this, t, &running] {
            for (int i = 0; i < 20; ++i) {
                const int server = (t + i) % 3;
                pane_.UpdateServer(
                    6 + server, ServerReport("198.18.0.14:2750" + std::to_string(server) + "|Srv " +
                                             std::to_string(t) + "|dm4|1/8"));
            }
            --running;
        });
    }
    while (running > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (auto& probe : probes) {
        probe.join();
    }
    const StoredRowsModel& rows = pane_.ServerRows();
    ASSERT_EQ(rows.RowCount(), 3);
    QStringList addresses = Column(rows, 0);
    addresses.sort();
    EXPECT_EQ(addresses,
              (QStringList{"198.18.0.14:27500", "198.18.0.14:27501", "198.18.0.14:27502"}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(rows.RowImage(row), 6 + rows.Text(row, 0).back().digitValue())
            << "each row shows its type's picture";
    }
}

TEST_F(GameServersPaneTest, RowsFillFromTheReportAndKeepTheFirstTypesPicture) {
    pane_.UpdateServer(8, ServerReport("198.18.0.14:27960|^1Frag^7Net|q3dm17|2/16"));
    pane_.UpdateServer(7, ServerReport("198.18.0.14:27960|Other|q2dm1"));
    pane_.UpdateServer(6, ServerReport(""));
    pane_.UpdateServer(6, ServerReport("|empty address"));
    const StoredRowsModel& rows = pane_.ServerRows();
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.RowImage(0), 8);
    EXPECT_EQ(rows.Text(0, 1), "Other");
    EXPECT_EQ(rows.Text(0, 3), "") << "a missing field empties its column";
    EXPECT_EQ(rows.Text(1, 0), "");
    EXPECT_EQ(GameServersPane::LastUpdateText(QDateTime(QDate(2026, 3, 7), QTime(9, 5))),
              "09:05 / 07.03.2026");
}

TEST_F(GameServersPaneTest, DetailsShowPlayersInNameOrderAndTheRulesOfTheClickedServer) {
    pane_.UpdateServer(8, ServerReport("198.18.0.14:27960|Lab|q3dm17|3/16|zed|1|50|^1A^7B|7|20|"
                                       "alpha|3|30|||end|sv_hostname|Lab|g_gametype|0"));
    pane_.UpdateServer(6, ServerReport("198.18.0.14:27500|Empty|dm4|0/8|||end|maxclients|8"));
    pane_.ShowDetails(0);
    EXPECT_EQ(Column(pane_.PlayerRows(), 0), (QStringList{"^1A^7B", "alpha", "zed"}));
    EXPECT_EQ(Column(pane_.PlayerRows(), 1), (QStringList{"7", "3", "1"}));
    EXPECT_EQ(Column(pane_.RuleRows(), 0), (QStringList{"sv_hostname", "g_gametype"}));

    pane_.ShowDetails(1);
    EXPECT_EQ(pane_.PlayerRows().RowCount(), 0);

    // A later answer replaces the report, but the detail lists wait for the next click.
    pane_.UpdateServer(6, ServerReport("198.18.0.14:27500|Busy|dm4|1/8|bob|2|40|||end"));
    EXPECT_EQ(pane_.PlayerRows().RowCount(), 0);
    pane_.ShowDetails(1);
    EXPECT_EQ(Column(pane_.PlayerRows(), 0), (QStringList{"bob"}));
    EXPECT_TRUE(Column(pane_.RuleRows(), 0).isEmpty());

    // Player fields that run out before "end" leave the rules list as it was.
    pane_.UpdateServer(7, ServerReport("198.18.0.14:27910|Q2|q2dm1|1/8|carl|5"));
    pane_.ShowDetails(0);
    pane_.ShowDetails(2);
    EXPECT_TRUE(pane_.PlayerRows().RowCount() == 0);
    EXPECT_EQ(Column(pane_.RuleRows(), 0), (QStringList{"sv_hostname", "g_gametype"}));
    pane_.ShowDetails(-1);  // rows that do not exist show nothing and do not fail
    pane_.ShowDetails(99);
}

TEST_F(GameServersPaneTest, ListsKeepTheirStoredColumns) {
    const int address_width = pane_.Servers().header()->sectionSize(0);

    testing::TempDir dir;
    const QString file = QString::fromStdString(dir.File("Corvimap.conf").string());
    {
        QSettingsStore settings(file);
        GameServersPane pane(handover_, settings);
        pane.Players().header()->resizeSection(0, 150);
        pane.SaveLayout();
    }
    QSettingsStore settings(file);
    GameServersPane reopened(handover_, settings);
    reopened.RestoreLayout();
    EXPECT_EQ(reopened.Players().header()->sectionSize(0), 150);
    EXPECT_EQ(reopened.Servers().header()->sectionSize(0), address_width);
}

}  // namespace
}  // namespace corvimap
