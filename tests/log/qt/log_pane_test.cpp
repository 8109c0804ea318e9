#include "log/qt/log_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "log/event_kinds.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

LogRow Row(int n, EventKind kind = EventKind::kGeneral) {
    return {"06.12.2026 / 10:00:" + std::to_string(n), "message " + std::to_string(n),
            static_cast<int32_t>(kind)};
}

TEST(LogPaneTest, KeepsTheNewestRowsUpToTheLimitAndARightDoubleClickEmptiesIt) {
    MemorySettingsStore store;
    LogPane pane(store, 3);
    pane.resize(400, 300);
    pane.show();
    for (int i = 1; i <= 5; ++i) {
        pane.AddRow(Row(i, i == 4 ? EventKind::kFoundHost : EventKind::kGeneral));
    }
    ASSERT_EQ(pane.RowCount(), 3u);
    const StoredRowsModel& model = pane.Model();
    ASSERT_EQ(model.RowCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const EventKind kind = i == 1 ? EventKind::kFoundHost : EventKind::kGeneral;
        EXPECT_EQ(model.Text(i, 0).toStdString(), Row(i + 3).stamp);
        EXPECT_EQ(model.Text(i, 1).toStdString(), Row(i + 3).text);
        EXPECT_EQ(model.RowImage(i), static_cast<int>(kind)) << "the kind is the image index";
        EXPECT_EQ(pane.Rows()[static_cast<size_t>(i)], Row(i + 3, kind));
    }

    const auto double_click = [&pane](Qt::MouseButton button) {
        const QPointF at(5, 5);
        QMouseEvent event(QEvent::MouseButtonDblClick, at, pane.View()->mapToGlobal(at), button,
                          button, Qt::NoModifier);
        QCoreApplication::sendEvent(pane.View()->viewport(), &event);
    };
    double_click(Qt::LeftButton);
    EXPECT_EQ(pane.RowCount(), 3u);
    double_click(Qt::RightButton);
    EXPECT_EQ(pane.Model().RowCount(), 0);
    pane.AddRow(Row(8));
    EXPECT_EQ(pane.Model().Text(0, 1), "message 8") << "new rows start again";

    LogPane none(store, 0);
    none.AddRow(Row(1));
    EXPECT_EQ(none.Model().RowCount(), 0) << "a limit of none keeps nothing";
}

TEST(LogPaneTest, DateColumnWidthIsStoredAndTheMessagesFillTheRest) {
    MemorySettingsStore store;
    store.WriteProfileInt("Main", "Log0Column", 150);
    auto pane = std::make_unique<LogPane>(store, 250);
    pane->resize(500, 200);
    pane->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->MessageColumnWidth(), 500 - 150 - 4);
    pane->View()->header()->resizeSection(0, 100);
    for (int i = 0; i < 60; ++i) {
        pane->AddRow(Row(i));
    }
    QCoreApplication::processEvents();
    QScrollBar& bar = *pane->View()->verticalScrollBar();
    ASSERT_GT(bar.maximum(), 0);
    const int bar_width =
        pane->View()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pane->View());
    EXPECT_EQ(pane->MessageColumnWidth(), 500 - 100 - 4 - bar_width);
    // A new message brings a list scrolled up back to its end.
    bar.setValue(0);
    pane->AddRow(Row(60));
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.value(), bar.maximum());
    pane.reset();
    EXPECT_EQ(store.GetProfileInt("Main", "Log0Column", -1), 100);
}

}  // namespace
}  // namespace corvimap
