#pragma once

#include <QObject>
#include <QUrl>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "settings/settings_store.h"

namespace corvimap {

// "\\host" and "\\host\share\dir" (how the program shows network paths) as the smb:// URL that
// the desktop's file manager opens; an invalid URL for anything else.
QUrl NetworkPathToUrl(const std::string& path);

// Opens a host, a share or a file on a share with the desktop, as the shell verb of the settings
// ("OpenExplore" of "Network", "open" by default) asks; the desktop has one way to open, so the
// verb only travels along. Each request gets a thread of its own and the caller goes on at once.
// The desktop call itself is made on the UI thread, because Qt's desktop services are not
// thread-safe; the worker thread never waits for it, and the object joins its threads when it
// goes, so none outlives the settings store.
class ShellOpenWorker final : public QObject {
    Q_OBJECT
public:
    // Called on the UI thread with the URL and the verb; false when no program could be asked to
    // open it. The default opens the URL with QDesktopServices.
    using Opener = std::function<bool(const QUrl& url, const std::string& verb)>;

    explicit ShellOpenWorker(const SettingsStore& store, QObject* parent = nullptr);
    ~ShellOpenWorker() override;

    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    void Open(const std::string& path);

    // Waits until every request has been handed to the UI thread (for tests).
    void WaitIdle();

signals:
    // On the UI thread: the desktop had no program for the URL. The message tells the user
    // what failed and what is needed.
    void openFailed(const QString& message);

private:
    void Deliver(const QUrl& url, const std::string& verb);
    void ReapFinished();

    struct Request {
        std::thread thread;
        bool finished = false;
    };

    const SettingsStore& store_;
    Opener opener_;
    std::mutex mutex_;
    std::list<Request> requests_;
};

}  // namespace corvimap
