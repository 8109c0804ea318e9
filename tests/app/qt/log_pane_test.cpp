#include "app/qt/log_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

#include "app/memory_settings_store.h"
#include "log/event_kinds.h"

namespace corvimap {
namespace {

LogRow Row(int n, EventKind kind = EventKind::kGeneral) {
    return {"06.12.2026 / 10:00:" + std::to_string(n), "message " + std::to_string(n),
            static_cast<int32_t>(kind)};
}

void RightDoubleClick(QWidget* target) {
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonDblClick, at, target->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

TEST(LogPaneTest, KeepsTheNewestRowsUpToTheLimitWithTheirKindsPictures) {
    MemorySettingsStore store;
    LogPane pane(store, 3);
    pane.resize(400, 300);
    pane.show();
    for (int i = 1; i <= 5; ++i) {
        pane.AddRow(Row(i, i == 4 ? EventKind::kFoundHost : EventKind::kGeneral));
    }
    ASSERT_EQ(pane.RowCount(), 3u);
    QTreeWidget* view = pane.View();
    ASSERT_EQ(view->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view->topLevelItem(i)->text(0).toStdString(), Row(i + 3).stamp);
        EXPECT_EQ(view->topLevelItem(i)->text(1).toStdString(), Row(i + 3).text);
        EXPECT_EQ(pane.Rows()[static_cast<size_t>(i)],
                  Row(i + 3, i == 1 ? EventKind::kFoundHost : EventKind::kGeneral));
        EXPECT_FALSE(view->topLevelItem(i)->icon(0).isNull());
    }
    const QImage general = view->topLevelItem(0)->icon(0).pixmap(16, 16).toImage();
    const QImage found = view->topLevelItem(1)->icon(0).pixmap(16, 16).toImage();
    EXPECT_NE(general, found) << "a found host has a picture of its own";
    EXPECT_EQ(LogPane::KindIcon(0).pixmap(16, 16).toImage(), general);
    EXPECT_NE(LogPane::KindIcon(3).pixmap(16, 16).toImage(),
              LogPane::KindIcon(5).pixmap(16, 16).toImage());

    // A limit of none keeps nothing.
    LogPane none(store, 0);
    none.AddRow(Row(1));
    EXPECT_EQ(none.RowCount(), 0u);
    EXPECT_EQ(none.View()->topLevelItemCount(), 0);
}

TEST(LogPaneTest, ARightDoubleClickEmptiesTheListAndNewRowsStartAgain) {
    MemorySettingsStore store;
    LogPane pane(store, 250);
    pane.resize(400, 300);
    pane.show();
    pane.AddRow(Row(1));
    pane.AddRow(Row(2));

    const QPointF at(5, 5);
    QMouseEvent left(QEvent::MouseButtonDblClick, at, pane.View()->mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pane.View()->viewport(), &left);
    EXPECT_EQ(pane.RowCount(), 2u) << "a left double click keeps the rows";

    RightDoubleClick(pane.View()->viewport());
    EXPECT_EQ(pane.RowCount(), 0u);
    EXPECT_EQ(pane.View()->topLevelItemCount(), 0);
    pane.AddRow(Row(3));
    EXPECT_EQ(pane.View()->topLevelItemCount(), 1);
    EXPECT_EQ(pane.View()->topLevelItem(0)->text(1), "message 3");
}

TEST(LogPaneTest, DateColumnWidthComesFromTheStoreAndGoesBackWhenThePaneGoes) {
    MemorySettingsStore store;
    {
        LogPane pane(store, 250);
        EXPECT_EQ(pane.DateColumnWidth(), 133);
        EXPECT_EQ(pane.View()->headerItem()->text(0), "Date/Time");
        EXPECT_EQ(pane.View()->headerItem()->text(1), "Messages");
    }
    EXPECT_EQ(store.GetProfileInt("Main", "Log0Column", -1), 133);

    store.WriteProfileInt("Main", "Log0Column", 150);
    {
        LogPane pane(store, 250);
        EXPECT_EQ(pane.DateColumnWidth(), 150);
        pane.View()->header()->resizeSection(0, 170);
    }
    EXPECT_EQ(store.GetProfileInt("Main", "Log0Column", -1), 170);
}

TEST(LogPaneTest, MessagesColumnFillsTheRestOfTheWidth) {
    MemorySettingsStore store;
    store.WriteProfileInt("Main", "Log0Column", 150);
    LogPane pane(store, 250);
    pane.resize(500, 200);
    pane.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.MessageColumnWidth(), 500 - 150 - 4);

    pane.View()->header()->resizeSection(0, 100);
    EXPECT_EQ(pane.MessageColumnWidth(), 500 - 100 - 4);

    for (int i = 0; i < 60; ++i) {
        pane.AddRow(Row(i));
    }
    QCoreApplication::processEvents();
    ASSERT_GT(pane.View()->verticalScrollBar()->maximum(), 0);
    const int bar =
        pane.View()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pane.View());
    EXPECT_EQ(pane.MessageColumnWidth(), 500 - 100 - 4 - bar);
    // The newest row is scrolled into view.
    EXPECT_EQ(pane.View()->verticalScrollBar()->value(),
              pane.View()->verticalScrollBar()->maximum());

    pane.resize(600, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.MessageColumnWidth(), 600 - 100 - 4 - bar);
}

}  // namespace
}  // namespace corvimap
