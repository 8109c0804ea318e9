#include "settings/qt/qsettings_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <csignal>
#include <thread>

#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::TempDir;

class QSettingsStoreTest : public ::testing::Test {
protected:
    QString File() const { return QString::fromStdString(dir_.File("Corvimap.conf").string()); }
    TempDir dir_;
};

TEST_F(QSettingsStoreTest, ValuesSurviveARestartOfTheStore) {
    QSettingsStore(File()).GetProfileInt("Network", "PingTimeout", 50);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Corvimap.conf"))) << "a read creates nothing";
    const std::vector<uint8_t> order = {3, 0, 1, 2, 0xFF, 0x00, 0x7F};
    {
        QSettingsStore store(File());
        store.WriteProfileInt("GlobalFlags", "FlagsGroup1", -1);
        store.WriteProfileString("Network", "LastSave", "/home/ü ser/net database.txt");
        store.WriteProfileBinary("WorkList", "OrderOfColumn", order);
        store.WriteProfileInt("Network\\Groups", "GroupsNumb", 2);
        store.WriteProfileString("Network\\Groups\\My Lab", "Net_00", "198.18.0.1-254");
        store.WriteProfileInt("Network\\Groups\\My Lab", "ThreadsOfScan", 64);
    }
    // Nothing is held back in memory: a second process sees the file as written.
    QSettings raw(File(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Network/Groups/GroupsNumb").toInt(), 2);
    EXPECT_EQ(raw.value("Network/Groups/My Lab/Net_00").toString(), "198.18.0.1-254");

    QSettingsStore store(File());
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup1", 0), -1);
    EXPECT_EQ(store.GetProfileString("Network", "LastSave", ""), "/home/ü ser/net database.txt");
    EXPECT_EQ(store.GetProfileBinary("WorkList", "OrderOfColumn"), order);
    EXPECT_EQ(store.GetProfileInt("Network\\Groups\\My Lab", "ThreadsOfScan", 7), 64);
}

TEST_F(QSettingsStoreTest, AbsentValuesAndValuesOfTheWrongTypeGiveTheDefault) {
    {
        QSettings raw(File(), QSettings::IniFormat);
        raw.setValue("Network/PingTimeout", "fast");
        raw.setValue("Network/ScanEvery", " 5 ");
        raw.setValue("Network/ThreadsOfScan", "99999999999");
        raw.setValue("GlobalFlags/FlagsGroup0", "4294967295");
        raw.setValue("Main/DefaultLng", QByteArray("\x01\x02", 2));
        raw.setValue("WorkList/OrderOfColumn", "0123");
    }
    QSettingsStore store(File());
    EXPECT_EQ(store.GetProfileInt("Network", "PingTimeout", 50), 50);
    EXPECT_EQ(store.GetProfileInt("Network", "ScanEvery", 0), 5);
    EXPECT_EQ(store.GetProfileInt("Network", "ThreadsOfScan", 7), 7);
    EXPECT_EQ(store.GetProfileInt("GlobalFlags", "FlagsGroup0", 17), -1) << "all 32 bits kept";
    EXPECT_EQ(store.GetProfileString("Main", "DefaultLng", "English"), "English");
    EXPECT_FALSE(store.GetProfileBinary("WorkList", "OrderOfColumn").has_value());
    EXPECT_FALSE(store.GetProfileBinary("WorkList", "Missing").has_value());
    EXPECT_EQ(store.GetProfileString("No\\Such\\Section", "Value", "fallback"), "fallback");
}

TEST_F(QSettingsStoreTest, ConcurrentCallsFromSeveralThreadsAreEachComplete) {
    constexpr int kThreads = 4;
    constexpr int kValues = 50;
    {
        QSettingsStore store(File());
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&store, t] {
                const std::string section = "Thread\\" + std::to_string(t);
                for (int i = 0; i < kValues; ++i) {
                    const std::string name = "Value" + std::to_string(i);
                    store.WriteProfileInt(section, name, t * 1000 + i);
                    EXPECT_EQ(store.GetProfileInt(section, name, -1), t * 1000 + i);
                    store.GetProfileString("Network\\Groups", "DefaultGroup", "Default");
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    }
    QSettingsStore reopened(File());
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValues; ++i) {
            EXPECT_EQ(reopened.GetProfileInt("Thread\\" + std::to_string(t),
                                             "Value" + std::to_string(i), -1),
                      t * 1000 + i);
        }
    }
}

// A settings file that cannot be written (its folder is a file; a full disk, as a file size
// limit in a child): the values live on in memory, the failure is told once per run of
// failures, and a file that was there keeps what it had.
TEST_F(QSettingsStoreTest, WritesThatCannotReachTheFileAreToldOnceAndLoseNothing) {
    testing::WriteWholeFile(dir_.File("not-a-folder"), "x");
    const QString blocked =
        QString::fromStdString(dir_.File("not-a-folder").string()) + "/Corvimap.conf";
    {
        QSettingsStore store(blocked);
        std::vector<QString> told;
        store.SetWriteFailureHandler([&told](const QString& file) { told.push_back(file); });
        store.WriteProfileInt("Network", "ThreadsOfScan", 32);
        store.WriteProfileString("Main", "DefaultLng", "Deutsch");
        EXPECT_EQ(told, std::vector<QString>{blocked});
        EXPECT_EQ(store.GetProfileInt("Network", "ThreadsOfScan", 7), 32);
    }

    {
        QSettingsStore store(File());
        store.WriteProfileString("Main", "DefaultLng", "Deutsch");
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QSettingsStore store(File());
        int told = 0;
        store.SetWriteFailureHandler([&told](const QString&) { ++told; });
        store.WriteProfileString("Network", "LastSave", std::string(200, 'p'));
        store.WriteProfileInt("Network", "ThreadsOfScan", 32);
        ::_exit(told);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    QSettingsStore store(File());
    EXPECT_EQ(store.GetProfileString("Main", "DefaultLng", ""), "Deutsch");
    EXPECT_EQ(store.GetProfileString("Network", "LastSave", "none"), "none");
}

}  // namespace
}  // namespace corvimap
