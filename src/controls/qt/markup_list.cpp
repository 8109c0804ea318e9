#include "controls/qt/markup_list.h"

#include <QHeaderView>
#include <QScrollBar>

#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"
#include "controls/qt/markup_cell_delegate.h"

namespace corvimap {

MarkupListCtrl::MarkupListCtrl(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    // Pixel scrolling, so that scrolling to a row works in the pixels of the rows themselves.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setSectionsMovable(true);
    header()->setFirstSectionMovable(true);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItemDelegate(new MarkupCellDelegate(this));

    flash_timer_.setInterval(kFlashIntervalMs);
    connect(&flash_timer_, &QTimer::timeout, this, &MarkupListCtrl::FlashTick);
}

MarkupListCtrl::~MarkupListCtrl() = default;

void MarkupListCtrl::SetImageList(const ListImages* images) {
    images_ = images;
    viewport()->update();
}

void MarkupListCtrl::SetCellMarkup(bool on) {
    cell_markup_ = on;
    viewport()->update();
}

void MarkupListCtrl::SetColourCodes(bool on) {
    colour_codes_ = on;
    viewport()->update();
}

void MarkupListCtrl::ScrollToRow(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount(rootIndex())) {
        return;
    }
    executeDelayedItemsLayout();
    const int anchor = row < 2 ? row : row - 2;
    const QRect label = visualRect(model()->index(anchor, 0, rootIndex()));
    if (!label.isValid()) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + label.top() - label.height());
}

void MarkupListCtrl::FlashRow(int row, int image) {
    if (flash_row_ != -1 && flash_row_ != row) {
        const int previous = flash_row_;
        flash_row_ = -1;
        RepaintRow(previous);
    }
    flash_row_ = row;
    flash_image_ = image;
    flash_count_ = kFlashSteps;
    flash_timer_.start();
    RepaintRow(row);
}

void MarkupListCtrl::FlashTick() {
    if (flash_row_ == -1) {
        flash_timer_.stop();
        return;
    }
    --flash_count_;
    const int row = flash_row_;
    if (flash_count_ <= 0) {
        flash_count_ = 0;
        flash_timer_.stop();
        flash_row_ = -1;
    }
    RepaintRow(row);
}

int MarkupListCtrl::ShownRowImage(int row) const {
    if (row == flash_row_ && flash_count_ % 2 == 1) {
        return flash_image_;
    }
    if (model() == nullptr) {
        return -1;
    }
    const QVariant image = model()->index(row, 0, rootIndex()).data(kRowImageRole);
    return image.isValid() ? image.toInt() : -1;
}

void MarkupListCtrl::RepaintRow(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount(rootIndex())) {
        return;
    }
    QRect rect = visualRect(model()->index(row, 0, rootIndex()));
    if (!rect.isValid()) {
        return;
    }
    rect.setLeft(0);
    rect.setRight(viewport()->width());
    viewport()->update(rect);
}

int MarkupListCtrl::TextMargin() const {
    return 2 * fontMetrics().horizontalAdvance(QLatin1Char(' '));
}

QRect MarkupListCtrl::CellLabelRect(const QRect& cell, int column) const {
    QRect label = cell;
    if (column == 0 && images_ != nullptr) {
        label.setLeft(cell.left() + kIconArea);
    }
    return label;
}

QRect MarkupListCtrl::CellTextRect(const QRect& cell, int column) const {
    const int margin = TextMargin();
    return CellLabelRect(cell, column).adjusted(margin, 0, -margin, 0);
}

}  // namespace corvimap
