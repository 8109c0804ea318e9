#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "app/scan_settings.h"
#include "app/settings_store.h"

namespace corvimap {

// What the program's window is built from.
struct AppContext {
    SettingsStore& store;
    ScanSettings& scan_settings;
    // What the window works with and its workers use (the scan engine): made by the window
    // factory, released after the window and before the scan settings are saved.
    std::shared_ptr<void> engine;
};

using WindowFactory = std::function<std::unique_ptr<QWidget>(AppContext&)>;

// The program from start to end on an existing QApplication: checks the system, loads the current
// group's scan settings, runs the window until it closes (its close button, SIGTERM, SIGINT,
// SIGHUP or the end of the desktop session) and saves the scan settings of the group that is
// current at that moment. Returns the exit status.
int RunProgram(SettingsStore& store, const WindowFactory& make_window);

}  // namespace corvimap
