#include "log/qt/log_pane.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "controls/qt/column_widths.h"
#include "controls/qt/list_images.h"
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

// The 16 x 16 square where the list draws a row's picture, as on the screen.
QImage ShownRowPicture(LogPane& pane, int row) {
    MarkupListCtrl* list = pane.View();
    // Once the list has taken the focus (which makes row 0 current): no selection, no focus frame.
    QCoreApplication::processEvents();
    list->selectionModel()->clearSelection();
    list->selectionModel()->clearCurrentIndex();
    const QImage shot = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    const int top = cell.top() + std::max(0, (cell.height() - ListImages::kSize) / 2);
    return shot.copy(cell.left() + MarkupListCtrl::kIconIndent, top, ListImages::kSize,
                     ListImages::kSize);
}

// The picture over the list's background, as the list draws it.
QImage OverBase(const QImage& picture, const QColor& base) {
    QImage expected(ListImages::kSize, ListImages::kSize, QImage::Format_RGB32);
    expected.fill(base);
    QPainter painter(&expected);
    painter.drawImage(0, 0, picture);
    return expected;
}

TEST(LogPaneTest, KeepsTheNewestRowsUpToTheLimitWithTheKindAsRowPicture) {
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

    // What the list draws is the kind's picture; a log file read back may carry any number as
    // its kind, and such a row has none.
    pane.AddRow(Row(6, static_cast<EventKind>(7)));
    pane.AddRow(Row(7, static_cast<EventKind>(-4)));
    const QColor base = pane.View()->palette().color(QPalette::Base);
    QImage blank(ListImages::kSize, ListImages::kSize, QImage::Format_RGB32);
    blank.fill(base);
    EXPECT_EQ(ShownRowPicture(pane, 0), OverBase(ListImages::LogKinds().Image(0), base))
        << "row 5, a message";
    EXPECT_EQ(ShownRowPicture(pane, 1), blank);
    EXPECT_EQ(ShownRowPicture(pane, 2), blank);

    // Double clicks: the left one keeps the rows, the right one empties the list, and new rows
    // start again.
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
    EXPECT_EQ(pane.Model().Text(0, 1), "message 8");

    // A limit of none keeps nothing.
    LogPane none(store, 0);
    none.AddRow(Row(1));
    EXPECT_EQ(none.RowCount(), 0u);
    EXPECT_EQ(none.Model().RowCount(), 0);
}

TEST(LogPaneTest, DateColumnWidthComesFromTheStoreAndGoesBackWhenThePaneGoes) {
    MemorySettingsStore store;
    int first_width = 0;
    {
        LogPane pane(store, 250);
        // 133 pixels grown with the font, and room for a date and time.
        first_width = pane.DateColumnWidth();
        EXPECT_GE(first_width, ScaleDesignX(133, BaseUnitsOf(pane.View()->fontMetrics())));
    }
    EXPECT_EQ(store.GetProfileInt("Main", "Log0Column", -1), first_width);

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
    // A new message brings a list scrolled up back to its end.
    pane.View()->verticalScrollBar()->setValue(0);
    pane.AddRow(Row(60));
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.View()->verticalScrollBar()->value(),
              pane.View()->verticalScrollBar()->maximum());

    pane.resize(600, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.MessageColumnWidth(), 600 - 100 - 4 - bar);
}

}  // namespace
}  // namespace corvimap
