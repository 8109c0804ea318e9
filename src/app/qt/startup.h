#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "settings/scan_settings.h"
#include "settings/settings_store.h"

namespace corvimap {

class QuitSignals;

// What the program's window is built from.
struct AppContext {
    SettingsStore& store;
    ScanSettings& scan_settings;
    // What the window works with and its workers use (the scan engine): made by the window
    // factory, released after the window and before the scan settings are saved.
    std::shared_ptr<void> engine;
};

using WindowFactory = std::function<std::unique_ptr<QWidget>(AppContext&)>;

// One run of the program without its event loop: the start (system check, the current group's
// scan settings, the language, the window and what closes it) and the end (the window goes,
// the workers are waited for, the scan settings of the group current at that moment are saved).
// RunProgram runs the event loop in between; tests that act as a user drive the window
// themselves, with the window built exactly as the program builds it.
class ProgramSession {
public:
    ProgramSession(SettingsStore& store, const WindowFactory& make_window);
    // Ends the session when End was not called.
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    // The window, not shown yet; nothing after End.
    QWidget* Window() const { return window_.get(); }
    AppContext& Context() { return context_; }

    // Destroys the window, then the engine (which waits for the workers), then saves the
    // current group's scan settings. Once only.
    void End();

private:
    SettingsStore& store_;
    ScanSettings scan_settings_;
    AppContext context_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<QuitSignals> quit_signals_;
    bool ended_ = false;
};

// The program from start to end on an existing QApplication: checks the system, loads the current
// group's scan settings, runs the window until it closes (its close button, SIGTERM, SIGINT,
// SIGHUP or the end of the desktop session) and saves the scan settings of the group that is
// current at that moment. Returns the exit status.
int RunProgram(SettingsStore& store, const WindowFactory& make_window);

}  // namespace corvimap
