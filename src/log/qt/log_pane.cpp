#include "log/qt/log_pane.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "controls/qt/column_widths.h"
#include "controls/qt/list_images.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"

namespace corvimap {
namespace {

constexpr char kMainSection[] = "Main";
constexpr char kDateColumnValue[] = "Log0Column";
constexpr int kDefaultDateColumnWidth = 133;
constexpr int kNoStoredWidth = -1;

}  // namespace

LogPane::LogPane(SettingsStore& store, int32_t max_rows, QWidget* parent)
    : QWidget(parent),
      store_(store),
      rows_(max_rows),
      model_(
          new StoredRowsModel({{QStringLiteral("Date/Time")}, {QStringLiteral("Messages")}}, this)),
      view_(new MarkupListCtrl(this)) {
    model_->SetImageMeaning(&ListImages::LogKindMeaning);
    view_->setModel(model_);
    // Cell markup stays off: a message shows as it reads, even one that begins with "$IMG|".
    view_->SetImageList(&ListImages::LogKinds());
    view_->setAccessibleName("Log");
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (const int stored = store_.GetProfileInt(kMainSection, kDateColumnValue, kNoStoredWidth);
        stored != kNoStoredWidth) {
        view_->setColumnWidth(0, stored);
    } else {
        // Wide enough for the date and time in the window's font.
        UseDefaultColumnWidths(
            *view_, {{kDefaultDateColumnWidth, {QStringLiteral("07.12.2026 / 00:00:00")}}});
    }
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
        model_->RemoveRow(0);
    }
    if (rows_.Limit() == 0) {
        return;
    }
    const int added = model_->AddRow(
        {QString::fromStdString(row.stamp), QString::fromStdString(row.text)}, row.kind);
    view_->ScrollToRow(added);
}

void LogPane::Clear() {
    rows_.Clear();
    model_->Clear();
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
