#include "app/qt/startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>

#include "app/platform.h"
#include "app/qt/quit_signals.h"
#include "engine/network_groups.h"
#include "text/string_table.h"

namespace corvimap {

int RunProgram(SettingsStore& store, const WindowFactory& make_window) {
    if (!QueryPlatformIsNT().has_value()) {
        QMessageBox::warning(nullptr, "GetOSVersion()", "Unable to get version info");
    }
    (void)PlatformIsNT();  // fixed from here on

    ScanSettings scan_settings;
    LoadScanSettings(store, CurrentGroup(store), scan_settings);
    StringTable::LoadLanguage(store.GetProfileString("Main", "DefaultLng", "English"));

    AppContext context{store, scan_settings, nullptr};
    std::unique_ptr<QWidget> window = make_window(context);
    QPointer<QWidget> guarded(window.get());
    auto close_window = [guarded] {
        if (guarded) {
            guarded->close();
        }
    };

    QuitSignals quit_signals;
    QObject::connect(&quit_signals, &QuitSignals::quitRequested, window.get(), close_window);
    // The end of the desktop session closes the window like its close button, so the window
    // saves what it saves at close.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window.get(),
                     [close_window](QSessionManager&) { close_window(); });

    const bool quit_on_last = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(true);
    window->show();
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quit_on_last);
    window.reset();
    // Waits for the workers that still run, so none outlives what it uses.
    context.engine.reset();

    // The options may have switched the group while the window ran.
    SaveScanSettings(store, CurrentGroup(store), scan_settings);
    return status;
}

}  // namespace corvimap
