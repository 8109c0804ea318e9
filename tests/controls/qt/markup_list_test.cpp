#include "controls/qt/markup_list.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QThread>

#include "controls/qt/list_images.h"
#include "controls/qt/stored_rows_model.h"

namespace corvimap {
namespace {

// True when every opaque pixel of the list picture stands unchanged at `at` in the shot.
bool ShowsImage(const QImage& shot, int image, QPoint at) {
    const QImage picture =
        ListImages::Standard().Image(image).convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (qAlpha(pixel) != 255) {
                continue;
            }
            ++opaque;
            if (shot.pixel(at.x() + x, at.y() + y) != (pixel | 0xFF000000u)) {
                return false;
            }
        }
    }
    return opaque > 20;
}

// The bounding box of the pixels of one colour in an area; empty when there are none.
QRect PixelsOf(const QImage& shot, const QRect& area, QRgb colour) {
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((shot.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

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
    // Where a row's own picture stands in column 0.
    QPoint Icon(int row) {
        const QRect cell = Cell(row, 0);
        return {cell.left() + MarkupListCtrl::kIconIndent,
                cell.top() + std::max(0, (cell.height() - 16) / 2)};
    }

    std::unique_ptr<StoredRowsModel> model;
    MarkupListCtrl list;
};

// Where the pictures go and which texts are markup is tested without widgets; here that the
// list draws them, and only while markup is on.
TEST(MarkupListTest, ImageCellsAndRowPicturesAreDrawn) {
    ListFixture f({120, 200});
    f.model->SetCell(0, 1, QStringLiteral("$IMG|4|"));
    const QPoint cell_picture(f.TextArea(0, 1).left(), f.Icon(0).y());
    const QImage shot = f.Shot();
    EXPECT_TRUE(ShowsImage(shot, ListImages::kShares, cell_picture));
    EXPECT_TRUE(ShowsImage(shot, ListImages::kKnownHost, f.Icon(0)));

    f.list.SetCellMarkup(false);
    EXPECT_FALSE(ShowsImage(f.Shot(), ListImages::kShares, cell_picture));
}

TEST(MarkupListTest, ColourCodesColourTheTextOnlyWhenSwitchedOn) {
    ListFixture f({80, 300});
    f.model->SetCell(0, 1, QString::fromUtf8("^1\u2588\u2588\u2588^4\u2588\u2588\u2588^"));
    f.list.SetColourCodes(true);
    EXPECT_FALSE(PixelsOf(f.Shot(), f.Cell(0, 1), qRgb(241, 0, 0)).isEmpty());
    EXPECT_FALSE(PixelsOf(f.Shot(), f.Cell(0, 1), qRgb(0, 0, 241)).isEmpty());
    f.list.SetColourCodes(false);
    EXPECT_TRUE(PixelsOf(f.Shot(), f.Cell(0, 1), qRgb(241, 0, 0)).isEmpty());
}

TEST(MarkupListTest, LongPlainTextEndsInsideItsColumn) {
    ListFixture f({80, 60, 200});
    f.model->SetCell(0, 1, QString(40, QChar(0x2588)));
    const QImage shot = f.Shot();
    const QRect area = f.TextArea(0, 1);
    // Column 1 and everything right of it.
    const QRect row(f.Cell(0, 1).left(), f.Cell(0, 1).top(), shot.width() - f.Cell(0, 1).left(),
                    f.Cell(0, 1).height());
    const QRect text = PixelsOf(shot, row, f.list.palette().color(QPalette::Text).rgb());
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GE(text.left(), area.left());
    EXPECT_LE(text.right(), area.right());
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
            EXPECT_TRUE(ShowsImage(f.Shot(), ListImages::kAnswered, f.Icon(5)))
                << "drawn, not only set";
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
    EXPECT_TRUE(f.list.selectionModel()->isRowSelected(1, QModelIndex())) << "a cell, its row";

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
