#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/startup.h"
#include "controls/window_layout.h"

class QTimer;

namespace corvimap {

class AppEngine;
class FlatButton;
class LocalSharesPane;
class LogPane;
class PaneContainers;
class SideButtonBar;
class StatusLine;
class TrayMinimizer;

// The program's window: a column of side buttons that switch between panes, a status line above
// the panes, and one container per pane of kPanes that holds the pane's controls. The window
// lays its controls out by fixed pixel rules, starts and stops scans, runs the rescan and local
// shares timers, and saves its place when it closes. UI thread only.
//
// Pane controls come from their own modules (see InstallPaneContents). A module either installs one
// widget that fills its pane (SetPaneContent) or installs controls by their ids, which the window
// places as the rules say (SetPaneControl).
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    MainWindow(AppContext& context, AppEngine& engine, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The container of a pane; nothing for a number that is not a pane.
    QWidget* PaneContainer(int pane) const;
    // Puts content into the pane, filling it. The window owns it from now on.
    void SetPaneContent(int pane, QWidget* content);
    // Puts the control with this id into its pane at the place the layout gives it. An edit
    // installed as the global search mask gets the last saved mask and is saved at close.
    void SetPaneControl(int id, QWidget* control);
    QWidget* PaneControl(int id) const;

    int CurrentPane() const { return current_pane_; }
    // Shows pane and lays it out; laying out is skipped while the client size stays the same.
    void SwitchPane(int pane);
    // Lays the current pane out again even when the size has not changed (rows were added to a
    // list whose height follows its rows).
    void ForceLayout();

    FlatButton* SideButton(int id) const;
    StatusLine* Status() const { return status_line_; }
    LogPane* Log() const { return log_pane_; }
    LocalSharesPane* LocalShares() const { return local_shares_; }
    TrayMinimizer* Tray() const { return tray_; }
    QTimer* ScanTimer() const { return scan_timer_; }

    // The Refresh button and the rescan timer: shows the host list pane, then starts a scan, or
    // asks the running one to stop.
    void Refresh();

    // What the scan driver shows (UI thread).
    void SetScanButtonText(const QString& text);
    void SetHostListButtonsEnabled(bool enabled);
    void StopScanTimer();
    void StartScanTimer(std::chrono::milliseconds period);
    // A status line update that belongs to pane.
    void ShowStatus(int pane, const std::string& text);

    // Called at close, in the order added: each saves the column layout of one list.
    void AddListLayoutSaver(std::function<void()> save);

    // Reads "Main"/"DefaultLng", loads that language and sets every caption again.
    void ApplyLanguageChange();

signals:
    // Captions were set from the string table (after a language change); pages that show
    // texts of the string table set theirs again.
    void languageApplied();
    // Every 160 ms: time for the local shares lists to compare themselves with the system.
    void localSharesTick();
    // The scan enabled or disabled Load, Save and Clear.
    void hostListButtonsEnabled(bool enabled);
    // A side button was clicked (after the window acted on it).
    void sideButtonClicked(int id);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Tells a settings file that cannot be written in the status line and the log.
    void ReportSettingsWriteFailures();
    void CreateTimers();
    void RestorePlace();
    void SetCaptions();
    void AutoloadHostList();
    void OnSideButton(int id);
    void Layout(int pane, bool force);
    void PlaceFrame(int width, int height);
    std::string PaneTitle(int pane) const;
    void SaveOnClose();

    AppContext& context_;
    AppEngine& engine_;

    std::unique_ptr<SideButtonBar> side_buttons_;
    std::unique_ptr<PaneContainers> panes_;
    StatusLine* status_line_ = nullptr;
    LogPane* log_pane_ = nullptr;
    TrayMinimizer* tray_ = nullptr;
    QTimer* scan_timer_ = nullptr;
    QTimer* local_shares_timer_ = nullptr;
    LocalSharesPane* local_shares_ = nullptr;
    std::vector<std::function<void()>> list_layout_savers_;

    int current_pane_ = kNoPane;
    bool initialised_ = false;
    bool first_show_done_ = false;
    bool closed_ = false;
    QRect last_laid_out_;
};

// The program's window with the engine it works with: the engine goes into context.engine, so
// it outlives the window (see RunProgram).
std::unique_ptr<MainWindow> MakeProgramWindow(AppContext& context);

}  // namespace corvimap
