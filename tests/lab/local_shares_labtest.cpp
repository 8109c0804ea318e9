// The local shares monitor against a real smbd with real clients from other namespaces. The
// monitor runs in the test process and reads the lab server's state through its smb.conf.

#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "lab.h"
#include "lab_localshares.h"
#include "localshares/local_share_lists.h"
#include "localshares/local_shares_monitor.h"
#include "localshares/memory_row_table.h"
#include "log/event_log.h"
#include "settings/memory_settings_store.h"
#include "settings/scan_settings.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::Lab;
using lab::LabHost;
using testing::CapturingLogSink;
using testing::MemoryRowTable;

constexpr char kPassword[] = "Lab-secret-7";

// The pane's three lists and the log, refreshed every 160 ms as the window's timer does.
class Pane {
public:
    Pane(LocalSharesMonitor::Options options) : monitor_(std::move(options)) {
        settings_.FlagsGroup0 = LogEventBits::kAll;
        monitor_.SetPaneShown(true);
    }

    // Refreshes until `done` holds or the time-out passes; returns the last `done`.
    bool RefreshUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 20s) {
        monitor_.Start();
        return lab::WaitUntil(
            [&] {
                Refresh();
                return done();
            },
            timeout, 160ms);
    }
    LocalSharesRefresh::Result Refresh() {
        std::vector<LocalSharesEvent> events;
        const auto result = refresh_.Apply(*monitor_.Latest(), ::time(nullptr), events);
        WriteLocalSharesEvents(events, settings_, log_);
        return result;
    }
    bool HasSession(const std::string& host, const std::string& user) const {
        for (int row = 0; row < sessions.RowCount(); ++row) {
            if (sessions.Text(row, 0) == host &&
                sessions.Text(row, session_column::kUser) == user) {
                return true;
            }
        }
        return false;
    }
    size_t LogCount(const std::string& text) const {
        const auto texts = sink_.Texts();
        return static_cast<size_t>(std::count(texts.begin(), texts.end(), text));
    }

    MemoryRowTable shares{6, true};
    MemoryRowTable sessions{4, false};
    MemoryRowTable files{3, false};
    LocalSharesMonitor monitor_;

private:
    MemorySettingsStore store_;
    ScanSettings settings_;
    CapturingLogSink sink_;
    EventLog log_{settings_, sink_, store_};
    LocalSharesRefresh refresh_{shares, sessions, files};
};

class LocalSharesLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!lab::LabUnavailableReason(lab::LabNeeds::kSamba).empty()) {
            return;
        }
        lab_ = new Lab();
        server_ = &lab_->AddSambaHost("srv", 2, lab::LocalSharesServer());
        lab::AddSambaPassword(*lab_, *server_, "root", kPassword);
        ready_ = static_cast<bool>(lab_->WaitForShares(*server_, 60s));
    }
    static void TearDownTestSuite() {
        delete lab_;
        lab_ = nullptr;
    }
    void SetUp() override {
        CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba);
        ASSERT_TRUE(ready_) << "the lab's smbd did not answer";
    }

    static LocalSharesMonitor::Options Options() {
        LocalSharesMonitor::Options options;
        options.smb_conf = lab_->SmbConfPath(*server_).string();
        // Every shown period, not slower when the tools are slow: what the monitor reads is the
        // point here, not how it paces itself, and each step waits for the next enumeration.
        options.cost_factor = 1;
        return options;
    }
    static std::string SharePath(const std::string& share, const std::string& file) {
        return (lab_->ShareDir(*server_, share) / file).string();
    }

    static inline Lab* lab_ = nullptr;
    static inline const LabHost* server_ = nullptr;
    static inline bool ready_ = false;
};

TEST_F(LocalSharesLabTest, SessionsAndOpenFilesOfRealClientsWithTheirEvents) {
    Pane pane(Options());
    ASSERT_TRUE(pane.RefreshUntil([&] { return pane.shares.RowCount() == 3; }));
    EXPECT_EQ(pane.shares.Column(share_column::kNetName),
              (std::vector<std::string>{"docs", "drop", "limited"}));
    EXPECT_EQ(pane.shares.Column(share_column::kMaxUsers),
              (std::vector<std::string>{"Any", "Any", "3"}));
    EXPECT_EQ(pane.shares.Column(share_column::kPermissions),
              (std::vector<std::string>{"read only", "read/write", "read only"}));
    EXPECT_EQ(pane.shares.Text(2, share_column::kDescription), "Three at most");

    // A guest session from one host, then a second user from the same host: two rows, two
    // entries.
    const LabHost& first =
        lab_->AddCommandHost("c1", 11, lab::SmbclientSessionCommand(*server_, "docs", "", ""));
    ASSERT_TRUE(pane.RefreshUntil([&] { return pane.HasSession(first.address, "nobody"); }))
        << pane.monitor_.Latest()->note;
    EXPECT_EQ(pane.LogCount("Connect new user: nobody, host: " + first.address), 1u);
    EXPECT_TRUE(
        pane.RefreshUntil([&] { return pane.shares.Text(0, share_column::kUsers) == "1"; }));
    auto second_user = std::async(std::launch::async, [&] {
        return lab_->RunIn(first,
                           {"sh", "-c", "sleep 8 | smbclient --user=root%\"$1\" //\"$2\"/drop",
                            "sh", kPassword, server_->address},
                           30s);
    });
    EXPECT_TRUE(pane.RefreshUntil([&] { return pane.HasSession(first.address, "root"); }));
    EXPECT_EQ(pane.LogCount("Connect new user: root, host: " + first.address), 1u);
    EXPECT_EQ(pane.sessions.RowCount(), 2);

    // A held file; opening it again while it is listed writes nothing; closing it empties the
    // list.
    const LabHost& holder = lab_->AddCommandHost(
        "c2", 12, lab::HoldFilesCommand(*server_, {"limited/a.txt"}, 0, "", ""));
    const std::string path = SharePath("limited", "a.txt");
    ASSERT_TRUE(pane.RefreshUntil([&] { return pane.files.RowCount() == 1; }));
    EXPECT_EQ(pane.files.Text(0, file_column::kUser), "nobody");
    EXPECT_EQ(pane.files.Text(0, file_column::kPath), path);
    EXPECT_EQ(pane.files.Text(0, file_column::kPermission), "R");
    EXPECT_EQ(pane.LogCount("nobody open file: " + path), 1u);
    auto reopen = std::async(std::launch::async, [&] {
        return lab_->RunIn(holder, lab::HoldFilesCommand(*server_, {"limited/a.txt"}, 3, "", ""),
                           30s);
    });
    pane.RefreshUntil([&] { return reopen.wait_for(0s) == std::future_status::ready; }, 30s);
    const auto reopened = reopen.get();
    EXPECT_TRUE(reopened.Ok()) << reopened.Describe();
    EXPECT_EQ(pane.files.RowCount(), 1);
    EXPECT_EQ(pane.LogCount("nobody open file: " + path), 1u);
    lab::StopClient(*lab_, holder);
    EXPECT_TRUE(pane.RefreshUntil([&] { return pane.files.RowCount() == 0; }));

    // Two sessions that end together leave in one refresh, each with its entry. The second
    // user's session has ended meanwhile.
    second_user.wait();
    const LabHost& third =
        lab_->AddCommandHost("c3", 13, lab::SmbclientSessionCommand(*server_, "limited", "", ""));
    ASSERT_TRUE(pane.RefreshUntil(
        [&] { return pane.sessions.RowCount() == 2 && pane.HasSession(third.address, "nobody"); }));
    lab::StopClient(*lab_, first);
    lab::StopClient(*lab_, third);
    ASSERT_TRUE(
        lab::WaitUntil([&] { return pane.monitor_.Latest()->sessions.empty(); }, 20s, 100ms));
    EXPECT_TRUE(pane.Refresh().rows_changed);
    EXPECT_EQ(pane.sessions.RowCount(), 0);
    EXPECT_EQ(pane.LogCount("Disconnect User/Host: nobody, host: " + first.address), 1u);
    EXPECT_EQ(pane.LogCount("Disconnect User/Host: nobody, host: " + third.address), 1u);
    EXPECT_TRUE(pane.monitor_.Latest()->note.empty()) << pane.monitor_.Latest()->note;
}

// Run as another user, smbstatus refuses; the shares still come from the configuration and the
// note says why the rest is missing.
TEST_F(LocalSharesLabTest, WithoutRootTheSharesStayAndTheNoteSaysWhy) {
    testing::TempDir readable;
    std::filesystem::permissions(readable.Path(), std::filesystem::perms(0755));
    std::filesystem::copy_file(lab_->SmbConfPath(*server_), readable.File("smb.conf"));
    std::filesystem::permissions(readable.File("smb.conf"), std::filesystem::perms(0644));
    LocalSharesMonitor::Options options = Options();
    options.smb_conf = readable.File("smb.conf").string();
    options.command_prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    LocalSharesMonitor monitor(options);
    monitor.EnumerateOnce();
    const auto snapshot = monitor.Latest();
    ASSERT_EQ(snapshot->shares.size(), 3u) << snapshot->note;
    EXPECT_EQ(snapshot->note,
              "Sessions and open files cannot be read: reading them needs administrator (root) "
              "rights");
}

}  // namespace
}  // namespace corvimap
