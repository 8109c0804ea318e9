// Runs the program as it starts for a user and saves a picture of each pane into the folder
// given as the argument, then closes the window the way its Exit button does.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/flat_button.h"
#include "settings/qt/qsettings_store.h"

namespace {

void ShootPanes(corvimap::MainWindow* window, const QString& folder) {
    using namespace corvimap::control_id;
    const std::pair<int, const char*> buttons[] = {{kAbout, "pane0-about"},
                                                   {kOptions, "pane1-options"},
                                                   {kWork, "pane2-hosts"},
                                                   {kNetUtils, "pane3-netutils"},
                                                   {kGlobalSearch, "pane4-search"},
                                                   {kLocalShares, "pane5-localshares"},
                                                   {kLog, "pane7-log"},
                                                   {kGameServers, "pane8-gameservers"}};
    for (const auto& [id, name] : buttons) {
        window->SideButton(id)->click();
        QApplication::processEvents();
        const QString file = QDir(folder).filePath(QString(name) + ".png");
        if (!window->grab().save(file)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        }
    }
    window->SideButton(kExit)->click();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tarvok");
    QApplication::setApplicationName("Corvimap");
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    corvimap::QSettingsStore store("Tarvok", "Corvimap");
    return corvimap::RunProgram(store, [&folder](corvimap::AppContext& context) {
        auto window = corvimap::MakeProgramWindow(context);
        corvimap::MainWindow* shown = window.get();
        QTimer::singleShot(500, shown, [shown, folder] { ShootPanes(shown, folder); });
        return window;
    });
}
