#include "app/qt/tray_minimizer.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include "engine/scan_flags.h"
#include "log/event_kinds.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

// The tool tip follows the counts while a scan runs behind the icon.
constexpr int kToolTipPeriodMs = 1000;

QString Text(int32_t id) {
    return QString::fromUtf8(StringTable::Lookup(id));
}

}  // namespace

TrayMinimizer::TrayMinimizer(QWidget& window, const ScanSettings& settings, EventLog& log,
                             Counts counts, std::function<void()> refresh, TrayCheck tray_available)
    : QObject(&window),
      window_(window),
      settings_(settings),
      log_(log),
      counts_(std::move(counts)),
      refresh_(std::move(refresh)),
      tray_available_(tray_available ? std::move(tray_available)
                                     : TrayCheck(&QSystemTrayIcon::isSystemTrayAvailable)) {
    window_.installEventFilter(this);
    tool_tip_timer_.setInterval(kToolTipPeriodMs);
    connect(&tool_tip_timer_, &QTimer::timeout, this, &TrayMinimizer::UpdateToolTip);
}

TrayMinimizer::~TrayMinimizer() {
    window_.removeEventFilter(this);
}

bool TrayMinimizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_) {
        if (event->type() == QEvent::WindowStateChange && window_.isMinimized() && !hidden_ &&
            settings_.HasFlag(ScanFlags::kMinimizeToTray) && tray_available_()) {
            HideToTray(static_cast<QWindowStateChangeEvent*>(event)->oldState());
        } else if (event->type() == QEvent::Close && hidden_) {
            // A hidden window is not the last visible one, so its closing would not end the
            // program by itself; the window accepts every close.
            hidden_ = false;
            tool_tip_timer_.stop();
            if (icon_) {
                icon_->hide();
            }
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TrayMinimizer::HideToTray(Qt::WindowStates before) {
    hidden_ = true;
    state_before_ = before & ~Qt::WindowMinimized;
    EnsureIcon();
    UpdateToolTip();
    icon_->show();
    tool_tip_timer_.start();
    // Not inside the window's own state change.
    QTimer::singleShot(0, &window_, [this] {
        if (hidden_) {
            window_.hide();
        }
    });
    if (settings_.HasFlag(LogEventBits::kLogHideToTray)) {
        log_.Add(EventKind::kGeneral, "%s", "Hide to tray");
    }
}

void TrayMinimizer::EnsureIcon() {
    if (icon_) {
        return;
    }
    menu_ = std::make_unique<QMenu>();
    QAction* show = menu_->addAction(QStringLiteral("Show window"));
    connect(show, &QAction::triggered, this, &TrayMinimizer::RestoreWindow);
    QAction* refresh = menu_->addAction(Text(text_id::kRefresh));
    connect(refresh, &QAction::triggered, this, [this] { refresh_(); });
    menu_->addSeparator();
    QAction* exit = menu_->addAction(Text(text_id::kExit));
    connect(exit, &QAction::triggered, &window_, &QWidget::close);

    icon_ = std::make_unique<QSystemTrayIcon>(window_.windowIcon());
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
                    RestoreWindow();
                }
            });
}

QString TrayMinimizer::ToolTip() const {
    const HostCounts counts = counts_ ? counts_() : HostCounts{};
    return window_.windowTitle() + '\n' + Text(text_id::kHosts) +
           QStringLiteral(": %1/%2").arg(counts.found).arg(counts.total);
}

void TrayMinimizer::UpdateToolTip() {
    if (icon_) {
        icon_->setToolTip(ToolTip());
    }
}

void TrayMinimizer::RestoreWindow() {
    if (!hidden_) {
        return;
    }
    hidden_ = false;
    tool_tip_timer_.stop();
    icon_->hide();
    window_.setWindowState(state_before_);
    window_.show();
    window_.raise();
    window_.activateWindow();
}

}  // namespace corvimap
