#include "games/qt/game_servers_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <thread>

#include "controls/qt/stored_rows_model.h"
#include "controls/qt/ui_handover.h"
#include "settings/memory_settings_store.h"

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

// Reading reports is tested without widgets; here a report fills its row and a click its details.
TEST_F(GameServersPaneTest, ReportsFillOneRowPerServerAndAClickShowsItsDetails) {
    pane_.UpdateServer(8, ServerReport("198.18.0.14:27960|Frag|q3dm17|2/16"));
    pane_.UpdateServer(7, ServerReport("198.18.0.14:27960|Other|q2dm1"));
    pane_.UpdateServer(6, ServerReport(""));
    const StoredRowsModel& rows = pane_.ServerRows();
    ASSERT_EQ(rows.RowCount(), 1);
    EXPECT_EQ(rows.RowImage(0), 8) << "the first type's picture stays";
    EXPECT_EQ(rows.Text(0, 1), "Other");
    EXPECT_EQ(rows.Text(0, 3), "") << "a missing field empties its column";
    EXPECT_EQ(GameServersPane::LastUpdateText(QDateTime(QDate(2026, 3, 7), QTime(9, 5))),
              "09:05 / 07.03.2026");

    pane_.UpdateServer(8, ServerReport("198.18.0.14:27960|Lab|q3dm17|3/16|zed|1|50|^1A^7B|7|20|"
                                       "alpha|3|30|||end|sv_hostname|Lab|g_gametype|0"));
    pane_.UpdateServer(6, ServerReport("198.18.0.14:27500|Empty|dm4|0/8|||end|maxclients|8"));
    pane_.ShowDetails(0);
    EXPECT_EQ(Column(pane_.PlayerRows(), 0), (QStringList{"^1A^7B", "alpha", "zed"}))
        << "in name order";
    EXPECT_EQ(Column(pane_.RuleRows(), 0), (QStringList{"sv_hostname", "g_gametype"}));

    // A later answer replaces the report, but the detail lists wait for the next click.
    pane_.ShowDetails(1);
    pane_.UpdateServer(6, ServerReport("198.18.0.14:27500|Busy|dm4|1/8|bob|2|40|||end"));
    EXPECT_EQ(pane_.PlayerRows().RowCount(), 0);
    pane_.ShowDetails(1);
    EXPECT_EQ(Column(pane_.PlayerRows(), 0), (QStringList{"bob"}));
    pane_.ShowDetails(-1);  // rows that do not exist show nothing and do not fail
    pane_.ShowDetails(99);
}

}  // namespace
}  // namespace corvimap
