#include "app/qt/host_info_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QScrollBar>
#include <QThread>
#include <memory>

#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"

namespace corvimap {
namespace {

NetAddress Lab(int last) {
    return MakeAddress(198, 18, 0, static_cast<uint8_t>(last));
}

struct Fixture {
    Fixture() {
        table.AddOrUpdate(Lab(1), 0, "", "", {}, HostState::Known);
        const HostHandle three = table.AddOrUpdate(
            Lab(2), 0, "FILES", "", {1, 0x08, 0x00, 0x27, 1, 2, 3}, HostState::Known);
        table.AttachMarker(three, HostMarker{kSharesMarker, "music|Docs|backup"});
        std::string many = "s0";
        for (int i = 1; i < 60; ++i) {
            many += "|s" + std::to_string(i);
        }
        const HostHandle big = table.AddOrUpdate(Lab(3), 0, "BIG", "", {}, HostState::Known);
        table.AttachMarker(big, HostMarker{kSharesMarker, many});
    }
    HostTable table;
    HostInfoWindow info{table};
    const QRect host_list{100, 100, 400, 300};
};

TEST(HostInfoWindowTest, ShowsTheHostAndItsSharesAndGrowsNoTallerThanTheHostList) {
    Fixture f;
    auto vendors = std::make_shared<MacVendors>();
    vendors->AddCsv("MA-L,080027,\"PCS Systemtechnik, GmbH\",x\n");
    f.table.SetVendors(vendors);
    f.info.FillForRow(1, f.host_list, 120);
    EXPECT_EQ(f.info.Title(), "FILES (198.18.0.2)");
    EXPECT_EQ(f.info.InfoText(), "Vendor: PCS Systemtechnik, GmbH");
    ASSERT_EQ(f.info.Shares().RowCount(), 3);
    EXPECT_EQ(f.info.Shares().Text(0, 0), "\\\\198.18.0.2\\backup") << "sorted, case aside";
    EXPECT_EQ(f.info.Shares().Text(1, 0), "\\\\198.18.0.2\\Docs");
    MarkupListCtrl& list = f.info.ShareList();
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 0) << "every row shows";

    f.info.FillForRow(2, f.host_list, 120);
    EXPECT_EQ(f.info.height(), 300) << "as tall as the host list";
    EXPECT_EQ(f.info.y(), 100) << "and not below it, wherever the cursor is";
    EXPECT_GT(list.verticalScrollBar()->maximum(), 0) << "the share list scrolls";

    // A host without name, MAC or shares: its address alone, and the window small again.
    f.info.FillForRow(0, f.host_list, 120);
    EXPECT_EQ(f.info.Title(), "198.18.0.1");
    EXPECT_FALSE(list.isVisible());
    EXPECT_LE(f.info.height(), f.info.ShareListTop() + 4);
}

TEST(HostInfoWindowTest, ClickOnAShareOpensItAndTheHideTimerStopsWhileTheCursorIsInside) {
    Fixture f;
    f.info.FillForRow(1, f.host_list, 120);
    QApplication::processEvents();
    QStringList activated;
    QObject::connect(&f.info, &HostInfoWindow::ShareActivated,
                     [&](const QString& path) { activated << path; });
    emit f.info.ShareList().clicked(f.info.ShareList().model()->index(1, 0));
    EXPECT_EQ(activated, QStringList{"\\\\198.18.0.2\\Docs"});

    f.info.StartHideTimer();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), f.info.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&f.info, &enter);
    EXPECT_FALSE(f.info.HideTimer().isActive());

    f.info.StartHideTimer();
    for (int i = 0; i < 300 && f.info.isVisible(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    EXPECT_FALSE(f.info.isVisible());

    // A row that no longer exists hides the window.
    f.info.FillForRow(1, f.host_list, 120);
    f.table.Clear();
    f.info.FillForRow(1, f.host_list, 120);
    EXPECT_FALSE(f.info.isVisible());
}

}  // namespace
}  // namespace corvimap
