#include "app/qt/host_notifier.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <functional>
#include <thread>

#include "options/qt/options_test_helpers.h"
#include "settings/memory_settings_store.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;

// A session bus of the test's own: no activatable services, gone with the test.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return;
        }
        const auto config = dir_.File("bus.conf");
        testing::WriteWholeFile(
            config, "<busconfig><type>session</type><listen>unix:dir=" + dir_.Path().string() +
                        "</listen><policy context=\"default\">"
                        "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                        "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                        "</policy></busconfig>");
        daemon_.start(daemon,
                      {QStringLiteral("--config-file=") + QString::fromStdString(config.string()),
                       QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (daemon_.waitForReadyRead(5000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    const QString& Address() const { return address_; }

private:
    testing::TempDir dir_;
    QProcess daemon_;
    QString address_;
};

// The freedesktop notification service as far as the notifier uses it: records every Notify.
class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<QString> received;  // "application: summary"

public slots:
    uint Notify(const QString& app_name, uint /*replaces_id*/, const QString& /*app_icon*/,
                const QString& summary, const QString& /*body*/, const QStringList& /*actions*/,
                const QVariantMap& /*hints*/, int /*expire_timeout*/) {
        received.push_back(app_name + ": " + summary);
        return static_cast<uint>(received.size());
    }
};

NetAddress Lab(int last) {
    return MakeAddress(198, 18, 0, static_cast<uint8_t>(last));
}

TEST(HostNotifierTest, HostsOfOneScanMakeOneNotificationOnlyWhenTheBoxIsTicked) {
    PrivateBus bus;
    if (bus.Address().isEmpty()) {
        GTEST_SKIP() << "no dbus-daemon";
    }
    QDBusConnection service =
        QDBusConnection::connectToBus(bus.Address(), QStringLiteral("fake-notifications"));
    FakeNotifications fake;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    MemorySettingsStore store;
    HostNotifier notifier(store, bus.Address());
    notifier.HostFound(Lab(2), "FILES");
    notifier.Flush();
    EXPECT_EQ(notifier.Pending() + notifier.Delivered(), 0) << "unticked: hosts are dropped";

    // Ticked: hosts reported from worker threads within the second make one notification; its
    // words are tested without a bus.
    store.WriteProfileInt("LogOptions", "NotifyHosts", 1);
    std::thread worker([&notifier] {
        notifier.HostFound(Lab(2), "FILES");
        notifier.HostDead(Lab(3));
        notifier.HostFound(Lab(4), "PRINTER");
    });
    worker.join();
    ASSERT_TRUE(ProcessEventsUntil([&fake] { return !fake.received.empty(); }));
    EXPECT_TRUE(ProcessEventsUntil([&notifier] { return notifier.Pending() == 0; }));
    EXPECT_EQ(notifier.Delivered(), 1);
    EXPECT_EQ(fake.received, std::vector<QString>{"Corvimap: Found new host (2), Dead host"});
    service.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

TEST(HostNotifierTest, WithoutAServiceOrABusNothingHappensAndNothingWaits) {
    PrivateBus bus;
    if (bus.Address().isEmpty()) {
        GTEST_SKIP() << "no dbus-daemon";
    }
    testing::TempDir nowhere;
    for (const QString& address :
         {bus.Address(), "unix:path=" + QString::fromStdString(nowhere.File("none").string())}) {
        MemorySettingsStore store;
        store.WriteProfileInt("LogOptions", "NotifyHosts", 1);
        HostNotifier notifier(store, address);
        notifier.HostFound(Lab(2), "FILES");
        notifier.Flush();
        EXPECT_TRUE(ProcessEventsUntil([&notifier] { return notifier.Pending() == 0; }));
        EXPECT_EQ(notifier.Delivered(), 0) << address.toStdString();
    }
}

}  // namespace
}  // namespace corvimap

#include "host_notifier_test.moc"
