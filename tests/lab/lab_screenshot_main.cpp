// The program as it starts for a user, with one press of Refresh: once the scan has ended it saves
// a picture of the host list pane and one of the log pane into the folder given as the argument,
// then closes the window the way its Exit button does. tests/lab/lab_screenshot.sh runs it in
// the lab's scanner namespace under Xvfb; it is a demo, not a test.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/flat_button.h"
#include "settings/qt/qsettings_store.h"

namespace {

using namespace corvimap::control_id;

constexpr auto kScanLimit = std::chrono::minutes(3);

void Shoot(corvimap::MainWindow* window, const QString& folder, const QString& name) {
    QApplication::processEvents();
    const QString file = QDir(folder).filePath(name + ".png");
    if (window->grab().save(file)) {
        std::printf("%s\n", qPrintable(file));
    } else {
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    }
}

// Presses Refresh, waits for the button to read "Stop" and then "Refresh" again, and takes the
// pictures.
class ScanAndShoot final : public QObject {
public:
    ScanAndShoot(corvimap::MainWindow* window, QString folder, int* status)
        : QObject(window), window_(window), folder_(std::move(folder)), status_(status) {
        QTimer::singleShot(500, this, [this] {
            started_ = std::chrono::steady_clock::now();
            window_->SideButton(kRefresh)->click();
            connect(&poll_, &QTimer::timeout, this, &ScanAndShoot::Poll);
            poll_.start(100);
        });
    }

private:
    void Poll() {
        const QString caption = window_->SideButton(kRefresh)->text();
        seen_stop_ = seen_stop_ || caption == "Stop";
        const bool ended = seen_stop_ && caption == "Refresh";
        if (!ended && std::chrono::steady_clock::now() - started_ < kScanLimit) {
            return;
        }
        poll_.stop();
        if (!ended) {
            std::fprintf(stderr, "the scan did not end; pictures show it unfinished\n");
            *status_ = 1;
        }
        Shoot(window_, folder_, "lab-hosts");
        window_->SideButton(kLog)->click();
        Shoot(window_, folder_, "lab-log");
        window_->SideButton(kExit)->click();
    }

    corvimap::MainWindow* window_;
    QString folder_;
    int* status_;
    QTimer poll_;
    bool seen_stop_ = false;
    std::chrono::steady_clock::time_point started_;
};

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
    int status = 0;
    corvimap::QSettingsStore store("Tarvok", "Corvimap");
    const int program_status =
        corvimap::RunProgram(store, [&folder, &status](corvimap::AppContext& context) {
            auto window = corvimap::MakeProgramWindow(context);
            new ScanAndShoot(window.get(), folder, &status);
            return window;
        });
    return program_status != 0 ? program_status : status;
}
