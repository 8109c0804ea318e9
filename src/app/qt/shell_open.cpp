#include "app/qt/shell_open.h"

#include <QDesktopServices>

#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {

QUrl NetworkPathToUrl(const std::string& path) {
    QString text = QString::fromStdString(path);
    if (!text.startsWith(QStringLiteral("\\\\"))) {
        return {};
    }
    text = text.mid(2);
    const qsizetype slash = text.indexOf(QLatin1Char('\\'));
    const QString host = slash < 0 ? text : text.left(slash);
    QString rest = slash < 0 ? QString() : text.mid(slash + 1);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (host.isEmpty()) {
        return {};
    }
    QUrl url;
    url.setScheme(QStringLiteral("smb"));
    url.setHost(host);
    url.setPath(QLatin1Char('/') + rest);
    return url.isValid() ? url : QUrl();
}

ShellOpenWorker::ShellOpenWorker(const SettingsStore& store, QObject* parent)
    : QObject(parent),
      store_(store),
      opener_([](const QUrl& url, const std::string&) { return QDesktopServices::openUrl(url); }) {}

ShellOpenWorker::~ShellOpenWorker() {
    WaitIdle();
}

void ShellOpenWorker::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    ReapFinished();
    requests_.emplace_back();
    Request& request = requests_.back();
    // The thread owns its copy of the path.
    request.thread = std::thread([this, &request, path] {
        const std::string verb = store_.GetProfileString("Network", "OpenExplore", "open");
        const QUrl url = NetworkPathToUrl(path);
        if (url.isValid()) {
            // Posted to this object: if it goes first, Qt drops the call with it.
            QMetaObject::invokeMethod(
                this, [this, url, verb] { Deliver(url, verb); }, Qt::QueuedConnection);
        }
        std::lock_guard done(mutex_);
        request.finished = true;
    });
}

void ShellOpenWorker::Deliver(const QUrl& url, const std::string& verb) {
    if (opener_ && !opener_(url, verb)) {
        // Without a file manager that handles smb:// the desktop does nothing at all.
        const std::string shown = url.toDisplayString().toStdString();
        emit openFailed(
            QString::fromStdString(FillText(StringTable::Lookup(text_id::kNoSmbHandler), {shown})));
    }
}

void ShellOpenWorker::ReapFinished() {
    for (auto it = requests_.begin(); it != requests_.end();) {
        if (it->finished) {
            it->thread.join();
            it = requests_.erase(it);
        } else {
            ++it;
        }
    }
}

void ShellOpenWorker::WaitIdle() {
    std::list<Request> running;
    {
        std::lock_guard lock(mutex_);
        running.splice(running.end(), requests_);
    }
    for (Request& request : running) {
        request.thread.join();
    }
}

}  // namespace corvimap
