#include "controls/qt/markup_list.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QThread>
#include <climits>

#include "controls/cell_markup.h"
#include "controls/qt/list_image_check.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"
#include "controls/qt/stored_rows_model.h"

namespace corvimap {
namespace {

using testing::ShowsImage;

// A shown list over a stored-rows model, with column widths chosen by the test.
struct ListFixture {
    explicit ListFixture(std::vector<int> widths, int rows = 1) {
        std::vector<StoredRowsModel::Column> columns;
        for (size_t i = 0; i < widths.size(); ++i) {
            columns.push_back({QStringLiteral("C%1").arg(i)});
        }
        model = std::make_unique<StoredRowsModel>(columns);
        for (int row = 0; row < rows; ++row) {
            model->AddRow({QStringLiteral("row %1").arg(row)}, ListImages::kKnownHost);
        }
        list.setModel(model.get());
        list.SetImageList(&ListImages::Standard());
        list.SetCellMarkup(true);
        for (size_t i = 0; i < widths.size(); ++i) {
            list.header()->resizeSection(static_cast<int>(i), widths[i]);
        }
        list.resize(600, 300);
        list.show();
        QApplication::processEvents();
    }

    // Without a current row the style draws no focus frame over the cells.
    QImage Shot() {
        QApplication::processEvents();
        list.selectionModel()->clearCurrentIndex();
        return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QRect Cell(int row, int column) { return list.visualRect(model->index(row, column)); }
    QRect TextArea(int row, int column) { return list.CellTextRect(Cell(row, column), column); }
    int PictureTop(int row) {
        const QRect cell = Cell(row, 0);
        return cell.top() + std::max(0, (cell.height() - 16) / 2);
    }

    std::unique_ptr<StoredRowsModel> model;
    MarkupListCtrl list;
};

// True when no pixel of the 16 x 16 square differs from the colour.
bool Plain(const QImage& shot, QPoint at, QRgb colour) {
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (shot.pixel(at.x() + x, at.y() + y) != colour) {
                return false;
            }
        }
    }
    return true;
}

int CountPixels(const QImage& shot, const QRect& area, QRgb colour, int* min_x, int* max_x) {
    int count = 0;
    *min_x = INT_MAX;
    *max_x = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((shot.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) {
                ++count;
                *min_x = std::min(*min_x, x);
                *max_x = std::max(*max_x, x);
            }
        }
    }
    return count;
}

TEST(MarkupListTest, ImageCellsDrawTheirPicturesEighteenPixelsApart) {
    ListFixture f({120, 200});
    f.model->SetCell(0, 1, QStringLiteral("$IMG|-1|4|8|"));
    f.model->SetRowImage(0, ListImages::kDeadHost);
    const QImage shot = f.Shot();
    const QRect area = f.TextArea(0, 1);
    const int top = f.PictureTop(0);
    EXPECT_TRUE(ShowsImage(shot, ListImages::kShares, QPoint(area.left(), top)))
        << "-1 takes no room, so image 4 stands at the margin";
    EXPECT_TRUE(ShowsImage(shot, ListImages::kQuake3, QPoint(area.left() + 18, top)));
    const QRgb base = f.list.palette().color(QPalette::Base).rgb();
    EXPECT_TRUE(Plain(shot, QPoint(area.left() + 36, top), base));
    // The row picture stands in the icon area of column 0.
    EXPECT_TRUE(ShowsImage(shot, ListImages::kDeadHost,
                           QPoint(f.Cell(0, 0).left() + MarkupListCtrl::kIconIndent, top)));

    // The same text later in a cell, or with markup off, is text and shows no picture.
    f.model->SetCell(0, 1, QStringLiteral("x$IMG|4|"));
    EXPECT_FALSE(ShowsImage(f.Shot(), ListImages::kShares, QPoint(area.left(), top)));
    f.model->SetCell(0, 1, QStringLiteral("$IMG|4|"));
    f.list.SetCellMarkup(false);
    EXPECT_FALSE(ShowsImage(f.Shot(), ListImages::kShares, QPoint(area.left(), top)));
}

TEST(MarkupListTest, ImageCellStopsWhenNoMoreThanSixteenPixelsRemain) {
    ListFixture probe({120, 100});
    const int margin = probe.list.TextMargin();
    // Text area of 36 + 17 pixels: the third picture fits. 36 + 16: it does not.
    for (const int room : {17, 16}) {
        ListFixture f({120, 2 * margin + 36 + room});
        f.model->SetCell(0, 1, QStringLiteral("$IMG|4|6|7|8|"));
        const QImage shot = f.Shot();
        const QRect area = f.TextArea(0, 1);
        ASSERT_EQ(area.width(), 36 + room);
        const int top = f.PictureTop(0);
        EXPECT_TRUE(ShowsImage(shot, ListImages::kShares, QPoint(area.left(), top)));
        EXPECT_TRUE(ShowsImage(shot, ListImages::kQuakeWorld, QPoint(area.left() + 18, top)));
        EXPECT_EQ(ShowsImage(shot, ListImages::kQuake2, QPoint(area.left() + 36, top)), room == 17)
            << "room " << room;
    }
}

TEST(MarkupListTest, ColourCodesColourTheTextAfterThem) {
    ListFixture f({80, 300});
    const QString red_part = QString::fromUtf8("\u2588\u2588\u2588");
    f.model->SetCell(0, 1,
                     QStringLiteral("^1") + red_part + QStringLiteral("^4\u2588\u2588\u2588^"));
    f.list.SetColourCodes(true);
    QImage shot = f.Shot();
    const QRect cell = f.Cell(0, 1);
    const QRect area = f.TextArea(0, 1);
    const int split = area.left() + f.list.fontMetrics().horizontalAdvance(red_part);
    int red_min = 0, red_max = 0, blue_min = 0, blue_max = 0;
    EXPECT_GT(CountPixels(shot, cell, qRgb(241, 0, 0), &red_min, &red_max), 10);
    EXPECT_GT(CountPixels(shot, cell, qRgb(0, 0, 241), &blue_min, &blue_max), 10);
    EXPECT_GE(red_min, area.left());
    EXPECT_LE(red_max, split);
    EXPECT_GE(blue_min, split - 1);

    // With colour codes off the same text is plain: no red at all.
    f.list.SetColourCodes(false);
    shot = f.Shot();
    EXPECT_EQ(CountPixels(shot, cell, qRgb(241, 0, 0), &red_min, &red_max), 0);
}

TEST(MarkupListTest, LongPlainTextEndsInsideItsColumn) {
    ListFixture f({80, 60, 200});
    const QString wide = QString(40, QChar(0x2588));
    f.model->SetCell(0, 1, wide);
    const QImage shot = f.Shot();
    const QRect area = f.TextArea(0, 1);
    const QRgb text = f.list.palette().color(QPalette::Text).rgb();
    int min_x = 0, max_x = 0;
    // Column 1 and everything right of it.
    const QRect row(f.Cell(0, 1).left(), f.Cell(0, 1).top(), shot.width() - f.Cell(0, 1).left(),
                    f.Cell(0, 1).height());
    ASSERT_GT(CountPixels(shot, row, text, &min_x, &max_x), 10);
    EXPECT_GE(min_x, area.left());
    EXPECT_LE(max_x, area.right());
    // The cut text ends in an ellipsis, which leaves a gap after the last full block.
    const QString shown = f.list.fontMetrics().elidedText(wide, Qt::ElideRight, area.width());
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
}

TEST(MarkupListTest, ScrollToRowShowsTwoRowsAboveWithOneMoreAtTheTop) {
    ListFixture f({120, 100}, 200);
    const int height = f.Cell(0, 0).height();
    ASSERT_GT(height, 0);
    f.list.ScrollToRow(50);
    QApplication::processEvents();
    EXPECT_EQ(f.Cell(48, 0).top(), height) << "row 48 rests one row below the top";
    EXPECT_EQ(f.Cell(47, 0).top(), 0);

    f.list.ScrollToRow(0);
    EXPECT_EQ(f.list.verticalScrollBar()->value(), 0) << "clamped at the top";

    f.list.ScrollToRow(199);
    EXPECT_EQ(f.list.verticalScrollBar()->value(), f.list.verticalScrollBar()->maximum());
    f.list.ScrollToRow(200);  // no such row: nothing moves
    EXPECT_EQ(f.list.verticalScrollBar()->value(), f.list.verticalScrollBar()->maximum());
}

TEST(MarkupListTest, FlashRowBlinksTenTimesAndAnotherRowEndsTheFirst) {
    ListFixture f({120, 100}, 10);
    f.list.FlashRow(5, ListImages::kAnswered);
    EXPECT_EQ(f.list.ShownRowImage(5), ListImages::kKnownHost) << "even count: own picture";
    int ticks = 0;
    int flash_shown = 0;
    while (f.list.FlashTimer().isActive() && ticks < 100) {
        f.list.FlashTick();
        ++ticks;
        if (f.list.ShownRowImage(5) == ListImages::kAnswered) {
            ++flash_shown;
        }
        if (ticks == 1) {
            const QPoint icon(f.Cell(5, 0).left() + MarkupListCtrl::kIconIndent, f.PictureTop(5));
            EXPECT_TRUE(ShowsImage(f.Shot(), ListImages::kAnswered, icon)) << "drawn, not only set";
        }
    }
    EXPECT_EQ(ticks, 20);
    EXPECT_EQ(flash_shown, 10);
    EXPECT_EQ(f.list.ShownRowImage(5), ListImages::kKnownHost);

    f.list.FlashRow(2, ListImages::kAnswered);
    f.list.FlashTick();
    ASSERT_EQ(f.list.ShownRowImage(2), ListImages::kAnswered);
    f.list.FlashRow(7, ListImages::kAnswered);
    EXPECT_EQ(f.list.ShownRowImage(2), ListImages::kKnownHost);
    EXPECT_EQ(f.list.FlashingRow(), 7);
    // The timer itself steps the count (no timing is asserted, only that it moves).
    for (int i = 0; i < 400 && f.list.FlashCount() == 20; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    EXPECT_LT(f.list.FlashCount(), 20);
}

TEST(MarkupListTest, SelectsWholeRowsAndExposesCellTexts) {
    ListFixture f({120, 100, 100}, 3);
    f.model->SetMarkup(true, false);
    f.model->SetCell(1, 1, QStringLiteral("$IMG|4|8|"));
    f.model->SetCell(1, 2, QStringLiteral("plain"));
    f.list.setCurrentIndex(f.model->index(1, 2));
    f.list.selectionModel()->select(
        f.model->index(1, 2), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_TRUE(f.list.selectionModel()->isRowSelected(1, QModelIndex()));
    EXPECT_EQ(f.list.FirstSelectedRow(), 1);

    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&f.list);
    ASSERT_NE(face, nullptr);
    QAccessibleTableInterface* table = face->tableInterface();
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* images = table->cellAt(1, 1);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->text(QAccessible::Name), QStringLiteral("Shares, Quake III Arena"));
    QAccessibleInterface* first = table->cellAt(1, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("row 1"));
    EXPECT_EQ(first->text(QAccessible::Description), QStringLiteral("Known host"));
}

}  // namespace
}  // namespace corvimap
