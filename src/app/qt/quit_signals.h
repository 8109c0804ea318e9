#pragma once

#include <QObject>

class QSocketNotifier;

namespace corvimap {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread, so that a kill, Ctrl+C or
// a closing terminal close the window the way its close button does and nothing saved at exit
// is lost. The handler only writes a byte to a pipe; the rest happens in the event loop.
class QuitSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signal_number);

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace corvimap
