#include "controls/qt/column_widths.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>
#include <algorithm>
#include <cmath>

#include "controls/qt/markup_list.h"

namespace corvimap {
namespace {

std::vector<int> DefaultWidths(const QTreeView& list, const std::vector<ColumnDefault>& columns) {
    const QFontMetrics metrics = list.fontMetrics();
    // Fractional widths: a cell elides its text when the exact width exceeds the room.
    const QFontMetricsF exact(list.font());
    const FontBaseUnits units = BaseUnitsOf(metrics);
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        int widest = 0;
        for (const QString& sample : columns[i].samples) {
            widest = std::max(widest, static_cast<int>(std::ceil(exact.horizontalAdvance(sample))));
        }
        const int cell = widest > 0 ? widest + CellMargins(list, static_cast<int>(i)) : 0;
        widths.push_back(DefaultColumnWidth(columns[i].designed_width, units, cell));
    }
    return widths;
}

// Applies the defaults, and applies them again for a new font while the list still has them.
class DefaultColumnKeeper final : public QObject {
public:
    DefaultColumnKeeper(QTreeView& list, std::vector<ColumnDefault> columns)
        : QObject(&list), list_(list), columns_(std::move(columns)) {
        Apply();
        list_.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &list_ && event->type() == QEvent::FontChange && StillDefault()) {
            Apply();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool StillDefault() const {
        for (size_t i = 0; i < applied_.size(); ++i) {
            if (list_.header()->sectionSize(static_cast<int>(i)) != applied_[i]) {
                return false;
            }
        }
        return true;
    }
    void Apply() {
        applied_ = DefaultWidths(list_, columns_);
        for (size_t i = 0; i < applied_.size(); ++i) {
            list_.header()->resizeSection(static_cast<int>(i), applied_[i]);
        }
    }

    QTreeView& list_;
    const std::vector<ColumnDefault> columns_;
    std::vector<int> applied_;
};

}  // namespace

FontBaseUnits BaseUnitsOf(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return BaseUnitsFromLetters(metrics.horizontalAdvance(letters), metrics.height());
}

int CellMargins(const QTreeView& list, int column) {
    if (const auto* markup = qobject_cast<const MarkupListCtrl*>(&list)) {
        const QRect cell(0, 0, 1000, 20);
        return cell.width() - markup->CellTextRect(cell, column).width();
    }
    // A plain view: the style's text margins, and a small picture in the first column.
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    const int picture =
        column == 0 ? list.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &list) + 4 : 0;
    return 2 * margin + picture;
}

void UseDefaultColumnWidths(QTreeView& list, std::vector<ColumnDefault> columns) {
    new DefaultColumnKeeper(list, std::move(columns));
}

}  // namespace corvimap
