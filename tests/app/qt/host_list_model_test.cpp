#include "app/qt/host_list_model.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <thread>

#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"
#include "controls/qt/markup_list.h"
#include "engine/scan_engine.h"
#include "engine/scan_flags.h"
#include "support/scripted_network.h"

namespace corvimap {
namespace {

using testing::ScriptedNetwork;

NetAddress Lab(int last) {
    return MakeAddress(198, 18, 0, static_cast<uint8_t>(last));
}

// Cell texts are the table's (tested there); here the model follows the table's reports.
TEST(HostListModelTest, FollowsTheTablesReportsOnTheUiThread) {
    HostTable table;
    HostListModel model(table);
    table.AddOrUpdate(Lab(7), 1500, "PC7", "LAB", {}, HostState::Answered);
    table.AddOrUpdate(Lab(8), 0, "", "", {}, HostState::New);
    EXPECT_EQ(model.rowCount(), 0) << "reports are applied on the UI thread's next turn";
    QApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(0, 0).data().toString(), "198.18.0.7");
    EXPECT_EQ(model.index(0, 0).data(kRowImageRole).toInt(), ListImages::kAnswered);

    // Cleared and filled again before the UI thread looked: the rows are new rows all the same.
    table.Clear();
    table.AddOrUpdate(Lab(2), 0, "B", "", {}, HostState::Known);
    int inserted = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 2).data().toString(), "B");
    EXPECT_EQ(inserted, 1);
}

TEST(HostListModelTest, ScanWorkersReportWhileTheViewReads) {
    ScanSettings settings;
    settings.FlagsGroup0 = ScanFlags::kFastSearch | ScanFlags::kScanShares;
    ScriptedNetwork network;
    constexpr int kHosts = 180;
    for (int last = 1; last <= kHosts; ++last) {
        ScriptedNetwork::Host host;
        host.node_status = NodeStatusAnswer{
            "PC" + std::to_string(last), "LAB", static_cast<uint32_t>(last * 10), {}};
        if (last % 3 == 0) {
            host.shares = "C|D";
        }
        network.SetHost(Lab(last), host);
    }
    ScanEngine engine(settings, network, nullptr, nullptr);
    HostListModel model(engine.Hosts());
    MarkupListCtrl view;
    view.setModel(&model);
    view.SetImageList(&ListImages::Standard());
    view.SetCellMarkup(true);
    view.resize(700, 400);
    view.show();

    // Each worker probes its share of the addresses, waits until the user has pressed Clear, and
    // probes them again.
    std::atomic<int> first_pass_done{0};
    std::atomic<bool> cleared{false};
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int part = 0; part < 3; ++part) {
        workers.emplace_back([&, part] {
            for (int pass = 0; pass < 2; ++pass) {
                for (int last = 1 + part; last <= kHosts; last += 3) {
                    engine.ProbeHost(Lab(last), true);
                }
                if (pass == 0) {
                    ++first_pass_done;
                    while (!cleared.load()) {
                        std::this_thread::yield();
                    }
                }
            }
            ++finished;
        });
    }
    // Meanwhile the UI thread paints and reads cells of every row it believes in.
    int rounds = 0;
    while (finished.load() < 3 || rounds < 3) {
        QApplication::processEvents();
        view.viewport()->grab();
        const int rows = model.rowCount();
        EXPECT_LE(static_cast<std::size_t>(rows), engine.Hosts().Count());
        for (int row = 0; row < rows; ++row) {
            const QString address = model.index(row, 0).data().toString();
            EXPECT_TRUE(address.isEmpty() || address.startsWith("198.18.0."))
                << address.toStdString();
        }
        if (!cleared && (rows > kHosts / 3 || first_pass_done.load() == 3)) {
            engine.Hosts().Clear();  // the user presses Clear during the scan
            cleared = true;
        }
        if (finished.load() == 3) {
            ++rounds;
        }
    }
    for (auto& worker : workers) {
        worker.join();
    }
    QApplication::processEvents();
    model.ApplyPendingChanges();
    const std::size_t count = engine.Hosts().Count();
    ASSERT_EQ(static_cast<std::size_t>(model.rowCount()), count);
    EXPECT_EQ(count, static_cast<std::size_t>(kHosts));
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < HostListModel::kColumnCount; ++column) {
            EXPECT_EQ(model.index(row, column).data().toString().toStdString(),
                      engine.Hosts().ColumnText(row, static_cast<HostColumn>(column)));
        }
    }
}

TEST(HostListModelTest, AModelThatGoesAwayWhileWorkersReportIsNotTouched) {
    HostTable table;
    std::atomic<bool> stop{false};
    auto model = std::make_unique<HostListModel>(table);
    std::atomic<int> rounds{0};
    std::thread worker([&] {
        for (int round = 0; !stop.load(); ++round) {
            table.AddOrUpdate(Lab(1 + round % 250), 0, "X", "", {}, HostState::Known);
            if (round % 100 == 99) {
                table.Clear();
            }
            rounds = round;
        }
        table.AddOrUpdate(Lab(251), 0, "last", "", {}, HostState::Known);
    });
    while (rounds.load() < 500) {
        QApplication::processEvents();
    }
    // Reports posted to the old model die with it; a new model takes over the table.
    model.reset();
    HostListModel next(table);
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    stop = true;
    worker.join();
    QApplication::processEvents();
    EXPECT_EQ(static_cast<std::size_t>(next.rowCount()), table.Count());
    EXPECT_GT(next.rowCount(), 0);
}

}  // namespace
}  // namespace corvimap
