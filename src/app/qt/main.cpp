#include <QApplication>

#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/accessible_controls.h"
#include "settings/qt/qsettings_store.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tarvok");
    QApplication::setApplicationName("Corvimap");
    // Before any window exists, so that every control gets the program's accessible interfaces.
    corvimap::InstallAccessibleFactories();
    corvimap::QSettingsStore store("Tarvok", "Corvimap");
    return corvimap::RunProgram(
        store, [](corvimap::AppContext& context) { return corvimap::MakeProgramWindow(context); });
}
