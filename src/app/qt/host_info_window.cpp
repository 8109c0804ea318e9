#include "app/qt/host_info_window.h"

#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>

#include "app/qt/host_actions.h"
#include "controls/qt/list_images.h"
#include "controls/qt/list_roles.h"
#include "controls/qt/markup_cell_delegate.h"
#include "controls/qt/markup_list.h"
#include "controls/qt/stored_rows_model.h"
#include "engine/ipv4.h"
#include "engine/mac_vendors.h"

namespace corvimap {
namespace {

constexpr int kMargin = 4;
constexpr int kGap = 2;
constexpr int kTextAreaHeight = 30;

// Share rows light up and are underlined under the cursor, as links would.
class HoverLinkDelegate final : public MarkupCellDelegate {
public:
    using MarkupCellDelegate::MarkupCellDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shown(option);
        if (option.state & QStyle::State_MouseOver) {
            shown.font.setUnderline(true);
            shown.state |= QStyle::State_Selected;
        }
        MarkupCellDelegate::paint(painter, shown, index);
    }
};

}  // namespace

HostInfoWindow::HostInfoWindow(const HostTable& table, QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint), table_(table) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::Base, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::Text, colours.color(QPalette::ToolTipText));
    setPalette(colours);
    setAutoFillBackground(true);

    title_ = new QLabel(this);
    QPalette red = title_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    title_->setPalette(red);
    title_->setTextFormat(Qt::PlainText);

    text_area_ = new QPlainTextEdit(this);
    text_area_->setReadOnly(true);
    text_area_->setFrameStyle(QFrame::NoFrame);
    text_area_->setFocusPolicy(Qt::NoFocus);

    shares_ = new StoredRowsModel({{QString()}}, this);
    shares_->SetSortedByFirstColumn(true);
    share_list_ = new MarkupListCtrl(this);
    share_list_->setModel(shares_);
    share_list_->setAccessibleName(QStringLiteral("Shares"));
    share_list_->SetImageList(&ListImages::Standard());
    share_list_->setItemDelegate(new HoverLinkDelegate(share_list_));
    share_list_->setHeaderHidden(true);
    share_list_->header()->setSectionsMovable(false);
    share_list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    share_list_->setFocusPolicy(Qt::NoFocus);
    share_list_->setSelectionMode(QAbstractItemView::NoSelection);
    share_list_->setMouseTracking(true);
    share_list_->viewport()->setAttribute(Qt::WA_Hover);
    share_list_->viewport()->installEventFilter(this);
    connect(share_list_, &QAbstractItemView::clicked, this, &HostInfoWindow::OnShareClicked);

    const int title_height = fontMetrics().height() + 2;
    title_->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin, title_height);
    text_area_->setGeometry(kMargin, title_->geometry().bottom() + 1 + kGap, kWidth - 2 * kMargin,
                            kTextAreaHeight);
    share_list_->move(kMargin, ShareListTop());
    resize(kWidth, text_area_->geometry().bottom() + 1 + kMargin);

    hide_timer_.setSingleShot(true);
    hide_timer_.setInterval(kHideDelayMs);
    connect(&hide_timer_, &QTimer::timeout, this, [this] {
        hide_timer_.stop();
        hide();
    });
}

HostInfoWindow::~HostInfoWindow() = default;

int HostInfoWindow::ShareListTop() const {
    return text_area_->geometry().bottom() + 1 + kGap;
}

QString HostInfoWindow::Title() const {
    return title_->text();
}

QString HostInfoWindow::InfoText() const {
    return text_area_->toPlainText();
}

void HostInfoWindow::FillForRow(std::size_t row, const QRect& list_rect, int mouse_y) {
    StopHideTimer();
    const std::optional<HostRecord> record = table_.RecordAt(row);
    if (!record) {
        hide();
        return;
    }
    const QString address = QString::fromStdString(FormatAddress(record->address));
    const QString name = QString::fromStdString(record->name);
    title_->setText(name.isEmpty() ? address : name + QStringLiteral(" (") + address + ')');
    const std::string vendor = MacVendorText(table_.Vendors().get(), record->mac);
    text_area_->setPlainText(
        vendor.empty() ? QString() : QStringLiteral("Vendor: ") + QString::fromStdString(vendor));

    shares_->Clear();
    for (const HostMarker& marker : record->markers) {
        if (marker.kind != kSharesMarker) {
            continue;
        }
        for (const std::string& share : ShareNames(marker.text.value_or(""))) {
            shares_->AddRow({QString::fromStdString(SharePath(record->address, share))},
                            ListImages::kShares);
        }
        break;
    }
    SizeToContents(list_rect.height());
    Place(list_rect, mouse_y);
    show();
}

void HostInfoWindow::SizeToContents(int list_height) {
    const int list_width = kWidth - 2 * kMargin;
    const int top = ShareListTop();
    const int rows = shares_->RowCount();
    if (rows == 0) {
        share_list_->hide();
        resize(kWidth, text_area_->geometry().bottom() + 1 + kMargin);
        return;
    }
    // All rows and the list's frame.
    const int needed = rows * share_list_->sizeHintForRow(0) + 2 * share_list_->frameWidth();
    if (top + needed < list_height) {
        share_list_->setGeometry(kMargin, top, list_width, needed);
        share_list_->header()->resizeSection(0, list_width - 4);
        resize(kWidth, top + needed + kMargin);
    } else {
        // As tall as the host list; the share list scrolls.
        const int height = std::max(list_height, top + 1);
        share_list_->setGeometry(kMargin, top, list_width, std::max(1, height - top - kMargin));
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, share_list_);
        share_list_->header()->resizeSection(0, list_width - bar - 4);
        resize(kWidth, height);
    }
    share_list_->show();
}

void HostInfoWindow::Place(const QRect& list_rect, int mouse_y) {
    const int list_bottom = list_rect.y() + list_rect.height();
    int top = list_rect.y();
    if (top + height() < mouse_y) {
        top = mouse_y - 18;
        if (top + height() > list_bottom) {
            top = list_bottom - height();
        }
    }
    move(list_rect.x() + list_rect.width() - 2, top);
}

void HostInfoWindow::ShowAgain() {
    // The cursor rests on the row the window shows: it must not go away under it.
    StopHideTimer();
    show();
}

void HostInfoWindow::StartHideTimer() {
    hide_timer_.start();
}

void HostInfoWindow::StopHideTimer() {
    hide_timer_.stop();
}

void HostInfoWindow::enterEvent(QEnterEvent* event) {
    StopHideTimer();
    QFrame::enterEvent(event);
}

bool HostInfoWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        StopHideTimer();
    }
    return QFrame::eventFilter(watched, event);
}

void HostInfoWindow::OnShareClicked(const QModelIndex& index) {
    if (!index.isValid() || shares_->RowImage(index.row()) != ListImages::kShares) {
        return;
    }
    emit ShareActivated(shares_->Text(index.row(), 0));
}

}  // namespace corvimap
