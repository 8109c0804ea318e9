#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <string_view>

#include "engine/host_events.h"
#include "engine/host_notices.h"
#include "settings/settings_store.h"

namespace corvimap {

// Says on the desktop which hosts a scan found new or lost, through the freedesktop
// notification service (org.freedesktop.Notifications) on the session bus, when "NotifyHosts"
// of section "LogOptions" is 1. Hosts reported within a second make one notification, so a
// scan of many hosts does not flood the desktop. The calls are asynchronous and their answers
// ignored: without a bus or a service nothing happens and nothing waits. The bus is joined at the
// first notification, so a user who never ticks the box never connects to it.
//
// HostFound and HostDead may be called on any thread; everything else runs on the thread the
// notifier lives on (the window's). The notifier must outlive the workers that report to it.
class HostNotifier final : public QObject, public HostEventListener {
    Q_OBJECT
public:
    static constexpr int kMergeDelayMs = 1000;

    // An empty address means the session bus.
    explicit HostNotifier(const SettingsStore& store, QString bus_address = {},
                          QObject* parent = nullptr);

    void HostFound(NetAddress address, std::string_view name) override;
    void HostDead(NetAddress address) override;

    // Sends what has been collected now (the scan ended), rather than when the second is up.
    void Flush();

    // Notifications the service took, and calls still waiting for its answer.
    int Delivered() const { return delivered_; }
    int Pending() const { return pending_; }

private:
    void Collect(HostNotice notice);

    const SettingsStore& store_;
    QString bus_address_;
    HostNoticeBatch batch_;
    QTimer merge_timer_;
    int delivered_ = 0;
    int pending_ = 0;
};

}  // namespace corvimap
