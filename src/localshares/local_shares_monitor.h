#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "localshares/local_share_records.h"
#include "localshares/samba_status_parser.h"
#include "localshares/tool_runner.h"

namespace corvimap {

// Reads the local Samba server on a thread of its own: the shares from `testparm -s` (and
// `net usershare info` where user shares are allowed), the sessions and open files from
// `smbstatus --json`, each tool with a time-out and never through a shell. One enumeration runs
// at a time. The UI thread only picks up the latest snapshot, which costs nothing.
//
// Pacing: the next enumeration starts `cost_factor` times the CPU time of the last one after
// its start, but no sooner than the base period (shorter while the pane is shown), so the
// monitor spends at most 1/cost_factor of one core. The shares configuration is read again
// only when its file (or the user share folder) changed, or after `config_recheck`.
class LocalSharesMonitor {
public:
    struct Options {
        std::string smb_conf;                     // empty: Samba's default configuration
        std::vector<std::string> command_prefix;  // put before each tool, e.g. to run as a user
        std::string smbstatus = "smbstatus";
        std::string testparm = "testparm";
        std::string net = "net";
        std::chrono::milliseconds tool_timeout{10000};
        std::chrono::milliseconds shown_period{600};
        std::chrono::milliseconds hidden_period{2500};
        std::chrono::milliseconds config_recheck{10000};
        int cost_factor = 22;
    };

    explicit LocalSharesMonitor(Options options);
    // Stops the thread: a running tool is killed, so this returns within a few milliseconds.
    ~LocalSharesMonitor();
    LocalSharesMonitor(const LocalSharesMonitor&) = delete;
    LocalSharesMonitor& operator=(const LocalSharesMonitor&) = delete;

    // Starts the enumeration thread (once).
    void Start();
    // Stops it and waits for it; idempotent. Snapshots stay readable.
    void Stop();
    // Whether the pane is shown: a shown pane gets the short period, and the next enumeration
    // comes at once when the last is older than that. Any thread.
    void SetPaneShown(bool shown);

    // The latest snapshot; never null. Any thread.
    std::shared_ptr<const LocalSharesSnapshot> Latest() const;

    // Figures of the pacing, for benchmarks and tests.
    uint64_t Enumerations() const { return enumerations_.load(); }
    std::chrono::microseconds LastCost() const {
        return std::chrono::microseconds(last_cost_us_.load());
    }

    // One enumeration on the calling thread, without the pacing; for tests. Not while started.
    void EnumerateOnce();

private:
    struct Reading;

    void Run();
    void Enumerate();
    ToolResult Tool(const std::string& program, std::vector<std::string> args);
    void ReadShares(Reading& reading);
    void ReadStatus(Reading& reading);
    bool ConfigChanged();
    void Publish(Reading& reading);

    const Options options_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> shown_{false};
    std::atomic<uint64_t> enumerations_{0};
    std::atomic<int64_t> last_cost_us_{0};
    std::thread thread_;
    std::mutex wake_mutex_;
    std::condition_variable wake_;

    mutable std::mutex snapshot_mutex_;
    std::shared_ptr<const LocalSharesSnapshot> latest_;

    // Enumeration thread only.
    std::chrono::microseconds cost_{0};
    std::chrono::steady_clock::time_point config_read_at_{};
    std::string config_stamp_;  // modification times of the configuration and user shares
    std::string config_path_;   // the configuration smbstatus reports reading
    std::string usershare_dir_;
    SambaConfigShares config_;
    std::string config_note_;
    std::vector<SambaSession> sessions_;
    std::map<std::string, int64_t> first_seen_;  // session id: when first seen without a time
    std::map<std::string, uint32_t> share_uses_;
};

}  // namespace corvimap
