#include "app/qt/log_pane.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "log/event_kinds.h"

namespace corvimap {
namespace {

constexpr char kMainSection[] = "Main";
constexpr char kDateColumnValue[] = "Log0Column";
constexpr int kDefaultDateColumnWidth = 133;

QIcon PaintKindIcon(const QColor& fill, const QString& mark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(fill.darker(150));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, mark);
    return QIcon(pixmap);
}

}  // namespace

QIcon LogPane::KindIcon(int32_t kind) {
    switch (static_cast<EventKind>(kind)) {
        case EventKind::kFoundHost:
            return PaintKindIcon(QColor(0x2e, 0x9d, 0x3a), "+");
        case EventKind::kDeadHost:
            return PaintKindIcon(QColor(0x80, 0x80, 0x80), "-");
        case EventKind::kInternalError:
            return PaintKindIcon(QColor(0xc8, 0x28, 0x28), "!");
        default:
            return PaintKindIcon(QColor(0x2b, 0x6c, 0xc4), "i");
    }
}

LogPane::LogPane(SettingsStore& store, int32_t max_rows, QWidget* parent)
    : QWidget(parent), store_(store), rows_(max_rows), view_(new QTreeWidget(this)) {
    view_->setColumnCount(2);
    view_->setHeaderLabels({"Date/Time", "Messages"});
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setIconSize(QSize(16, 16));
    view_->setAccessibleName("Log");
    view_->header()->setStretchLastSection(false);
    view_->header()->setSectionsMovable(true);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setColumnWidth(
        0, store_.GetProfileInt(kMainSection, kDateColumnValue, kDefaultDateColumnWidth));
    view_->viewport()->installEventFilter(this);
    connect(view_->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == 0) {
            FitMessageColumn();
        }
    });
    connect(view_->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this] { FitMessageColumn(); });
    setAccessibleName("Log");
    FitMessageColumn();
}

LogPane::~LogPane() {
    store_.WriteProfileInt(kMainSection, kDateColumnValue, DateColumnWidth());
}

int LogPane::DateColumnWidth() const {
    return view_->columnWidth(0);
}

int LogPane::MessageColumnWidth() const {
    return view_->columnWidth(1);
}

void LogPane::AddRow(const LogRow& row) {
    if (rows_.Add(row)) {
        delete view_->takeTopLevelItem(0);
    }
    if (rows_.Limit() == 0) {
        return;
    }
    auto* item =
        new QTreeWidgetItem({QString::fromStdString(row.stamp), QString::fromStdString(row.text)});
    item->setIcon(0, KindIcon(row.kind));
    view_->addTopLevelItem(item);
    view_->scrollToItem(item);
}

void LogPane::Clear() {
    rows_.Clear();
    view_->clear();
}

bool LogPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        Clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LogPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->setGeometry(rect());
    FitMessageColumn();
}

// The message column takes what the date column leaves, less the frame and, when the rows need
// it, the vertical scroll bar.
void LogPane::FitMessageColumn() {
    const bool needs_scroll_bar = view_->verticalScrollBar()->maximum() > 0;
    const int scroll_bar =
        needs_scroll_bar ? view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_)
                         : 0;
    const int width = view_->width() - view_->columnWidth(0) - 4 - scroll_bar;
    view_->setColumnWidth(1, std::max(width, 0));
}

}  // namespace corvimap
