#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/qt/status_line.h"
#include "log/event_log.h"
#include "settings/scan_settings.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace corvimap {

// "Minimize to tray": while the scan flag is set and the desktop has a system tray, minimising
// the window hides it behind a tray icon (the window's icon) whose menu brings it back, starts
// a refresh or ends the program, and whose tool tip counts the hosts. Without a tray, or with
// the flag clear, minimising minimises. Hiding writes the "Hide to tray" event when its bit is
// set. Lives on the window's thread, as the window's child.
class TrayMinimizer final : public QObject {
    Q_OBJECT
public:
    using Counts = std::function<HostCounts()>;
    using TrayCheck = std::function<bool()>;

    // `tray_available` defaults to asking the desktop.
    TrayMinimizer(QWidget& window, const ScanSettings& settings, EventLog& log, Counts counts,
                  std::function<void()> refresh, TrayCheck tray_available = {});
    ~TrayMinimizer() override;

    // Who says whether the desktop has a tray (tests stand in for one).
    void SetTrayCheck(TrayCheck tray_available) { tray_available_ = std::move(tray_available); }

    bool HiddenToTray() const { return hidden_; }
    // The icon and its menu exist from the first hiding on.
    QSystemTrayIcon* Icon() const { return icon_.get(); }
    QMenu* Menu() const { return menu_.get(); }
    QString ToolTip() const;

    // Shows the window again as it was before it was minimised; the icon goes.
    void RestoreWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HideToTray(Qt::WindowStates before);
    void EnsureIcon();
    void UpdateToolTip();

    QWidget& window_;
    const ScanSettings& settings_;
    EventLog& log_;
    Counts counts_;
    std::function<void()> refresh_;
    TrayCheck tray_available_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QTimer tool_tip_timer_;
    Qt::WindowStates state_before_ = Qt::WindowNoState;
    bool hidden_ = false;
};

}  // namespace corvimap
