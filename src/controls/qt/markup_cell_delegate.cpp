#include "controls/qt/markup_cell_delegate.h"

#include <QPainter>

#include "controls/cell_markup.h"
#include "controls/qt/list_images.h"
#include "controls/qt/markup_list.h"

namespace corvimap {
namespace {

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& option) {
    if (!(option.state & QStyle::State_Enabled)) {
        return QPalette::Disabled;
    }
    return (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
}

// The top of a 16-pixel picture centred in the cell.
int PictureTop(const QRect& cell) {
    return cell.top() + std::max(0, (cell.height() - ListImages::kSize) / 2);
}

}  // namespace

MarkupCellDelegate::MarkupCellDelegate(MarkupListCtrl* list)
    : QStyledItemDelegate(list), list_(list) {}

void MarkupCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QRect cell = option.rect;
    const int column = index.column();
    const QPalette::ColorGroup group = GroupOf(option);
    const bool highlighted = (option.state & QStyle::State_Selected) != 0;
    const ListImages* images = list_->ImageList();

    painter->save();
    painter->fillRect(cell, option.palette.color(group, QPalette::Base));
    const QRect label = list_->CellLabelRect(cell, column);
    // One pixel short of the bottom, so selected rows stay apart.
    const QRect fill(label.left(), label.top(), label.width(), std::max(0, label.height() - 1));
    if (highlighted) {
        painter->fillRect(fill, option.palette.color(group, QPalette::Highlight));
    }
    const QColor text_colour =
        option.palette.color(group, highlighted ? QPalette::HighlightedText : QPalette::Text);

    if (column == 0 && images != nullptr) {
        const int image = list_->ShownRowImage(index.row());
        images->Draw(*painter, image,
                     QPoint(cell.left() + MarkupListCtrl::kIconIndent, PictureTop(cell)));
    }

    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect area = list_->CellTextRect(cell, column);
    if (list_->CellMarkup() && images != nullptr) {
        if (const auto items = ImageCellItems(text.toStdString())) {
            painter->setClipRect(label);
            PaintImageCell(*painter,
                           QRect(area.left(), PictureTop(cell), area.width(), ListImages::kSize),
                           *items);
            painter->restore();
            return;
        }
    }
    if (!text.isEmpty() && area.width() > 0) {
        painter->setFont(option.font);
        if (list_->ColourCodes()) {
            PaintColourCoded(*painter, option, label, area, text, text_colour);
        } else {
            const QVariant alignment = index.data(Qt::TextAlignmentRole);
            const Qt::Alignment horizontal =
                alignment.isValid() ? (Qt::Alignment(alignment.toInt()) & Qt::AlignHorizontal_Mask)
                                    : Qt::Alignment(Qt::AlignLeft);
            const QString shown =
                option.fontMetrics.elidedText(text, Qt::ElideRight, area.width(), 0);
            painter->setPen(text_colour);
            painter->drawText(area, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), shown);
        }
    }
    painter->restore();
}

void MarkupCellDelegate::PaintImageCell(QPainter& painter, const QRect& area,
                                        const std::vector<int32_t>& items) const {
    const ListImages* images = list_->ImageList();
    for (const PlacedImage& placed :
         PlaceImageCell(items, area.left(), area.left() + area.width())) {
        images->Draw(painter, placed.image, QPoint(placed.x, area.top()));
    }
}

void MarkupCellDelegate::PaintColourCoded(QPainter& painter, const QStyleOptionViewItem& option,
                                          const QRect& label, const QRect& area,
                                          const QString& text, const QColor& text_colour) const {
    const QFontMetrics& metrics = option.fontMetrics;
    // Characters are drawn one after the other with no ellipsis; the label's edge cuts them.
    painter.setClipRect(label);
    int x = area.left();
    const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    for (const ColourRun& run : SplitColourCodes(text.toStdString())) {
        const QString piece = QString::fromStdString(run.text);
        painter.setPen(run.colour ? QColor(run.colour->red, run.colour->green, run.colour->blue)
                                  : text_colour);
        painter.drawText(QPoint(x, baseline), piece);
        x += metrics.horizontalAdvance(piece);
        if (x > area.right()) {
            break;
        }
    }
}

QSize MarkupCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const QFontMetrics& metrics = option.fontMetrics;
    const int height = std::max(metrics.height() + 2, ListImages::kSize + 2);
    const QString text = index.data(Qt::DisplayRole).toString();
    int width = metrics.horizontalAdvance(text) + 2 * list_->TextMargin();
    if (index.column() == 0 && list_->ImageList() != nullptr) {
        width += MarkupListCtrl::kIconArea;
    }
    return QSize(width, height);
}

}  // namespace corvimap
