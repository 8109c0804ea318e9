#include "app/qt/startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>

#include "app/qt/quit_signals.h"
#include "engine/network_groups.h"
#include "settings/platform.h"
#include "text/string_table.h"

namespace corvimap {

ProgramSession::ProgramSession(SettingsStore& store, const WindowFactory& make_window)
    : store_(store), context_{store, scan_settings_, nullptr} {
    if (!QueryPlatformIsNT().has_value()) {
        QMessageBox::warning(nullptr, "GetOSVersion()", "Unable to get version info");
    }
    (void)PlatformIsNT();  // fixed from here on

    LoadScanSettings(store_, CurrentGroup(store_), scan_settings_);
    StringTable::LoadLanguage(store_.GetProfileString("Main", "DefaultLng", "English"));

    window_ = make_window(context_);
    QPointer<QWidget> guarded(window_.get());
    auto close_window = [guarded] {
        if (guarded) {
            guarded->close();
        }
    };
    quit_signals_ = std::make_unique<QuitSignals>();
    QObject::connect(quit_signals_.get(), &QuitSignals::quitRequested, window_.get(), close_window);
    // The end of the desktop session closes the window like its close button, so the window
    // saves what it saves at close.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window_.get(),
                     [close_window](QSessionManager&) { close_window(); });
}

ProgramSession::~ProgramSession() {
    End();
}

void ProgramSession::End() {
    if (ended_) {
        return;
    }
    ended_ = true;
    window_.reset();
    // Waits for the workers that still run, so none outlives what it uses.
    context_.engine.reset();
    quit_signals_.reset();
    // The options may have switched the group while the window ran.
    SaveScanSettings(store_, CurrentGroup(store_), scan_settings_);
}

int RunProgram(SettingsStore& store, const WindowFactory& make_window) {
    ProgramSession session(store, make_window);
    const bool quit_on_last = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(true);
    session.Window()->show();
    const int status = QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(quit_on_last);
    session.End();
    return status;
}

}  // namespace corvimap
