#include "app/qt/host_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace corvimap {
namespace {

constexpr std::string_view kLogOptionsSection = "LogOptions";

}  // namespace

HostNotifier::HostNotifier(const SettingsStore& store, QString bus_address, QObject* parent)
    : QObject(parent), store_(store), bus_address_(std::move(bus_address)) {
    merge_timer_.setSingleShot(true);
    merge_timer_.setInterval(kMergeDelayMs);
    connect(&merge_timer_, &QTimer::timeout, this, &HostNotifier::Flush);
}

void HostNotifier::HostFound(NetAddress address, std::string_view name) {
    Collect({HostNotice::Kind::Found, address, std::string(name)});
}

void HostNotifier::HostDead(NetAddress address) {
    Collect({HostNotice::Kind::Dead, address, {}});
}

void HostNotifier::Collect(HostNotice notice) {
    if (batch_.Add(std::move(notice))) {
        // The first of a batch starts the second in which the others join it.
        QMetaObject::invokeMethod(
            this, [this] { merge_timer_.start(); }, Qt::QueuedConnection);
    }
}

void HostNotifier::Flush() {
    merge_timer_.stop();
    const std::vector<HostNotice> notices = batch_.Take();
    if (notices.empty() || store_.GetProfileInt(kLogOptionsSection, "NotifyHosts", 0) != 1) {
        return;
    }
    QDBusConnection bus =
        bus_address_.isEmpty()
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(bus_address_, QStringLiteral("corvimap-notifications"));
    if (!bus.isConnected()) {
        return;
    }
    const NotificationText text = FormatHostNotices(notices);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    call << QStringLiteral("Corvimap") << 0u << QStringLiteral("corvimap")
         << QString::fromStdString(text.summary) << QString::fromStdString(text.body)
         << QStringList() << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    ++pending_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        --pending_;
        delivered_ += w->isError() ? 0 : 1;
        w->deleteLater();
    });
}

}  // namespace corvimap
