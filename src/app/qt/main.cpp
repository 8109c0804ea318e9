#include <QApplication>

#include "app/qt/main_window.h"
#include "app/qt/qsettings_store.h"
#include "app/qt/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tarvok");
    QApplication::setApplicationName("Corvimap");
    corvimap::QSettingsStore store("Tarvok", "Corvimap");
    return corvimap::RunProgram(
        store, [](corvimap::AppContext& context) { return corvimap::MakeProgramWindow(context); });
}
