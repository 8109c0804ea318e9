#pragma once

#include <QStyledItemDelegate>
#include <cstdint>
#include <vector>

namespace corvimap {

class MarkupListCtrl;

// Draws the cells of a MarkupListCtrl the way the list's settings say: row picture, image cells,
// colour codes, or one line of text cut with an ellipsis.
class MarkupCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit MarkupCellDelegate(MarkupListCtrl* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void PaintImageCell(QPainter& painter, const QRect& area,
                        const std::vector<int32_t>& items) const;
    void PaintColourCoded(QPainter& painter, const QStyleOptionViewItem& option, const QRect& label,
                          const QRect& area, const QString& text, const QColor& text_colour) const;

    MarkupListCtrl* list_;
};

}  // namespace corvimap
