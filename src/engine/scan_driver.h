#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "engine/probe_pool.h"
#include "engine/scan_engine.h"
#include "engine/wait_cancel.h"
#include "settings/settings_store.h"

namespace corvimap {

class EventLog;

// What a scan shows in the window. Calls come from the scan thread; the window hands them over
// to its own thread and returns when they are done.
class ScanDriverView {
public:
    virtual ~ScanDriverView() = default;
    virtual void SetScanButtonText(const std::string& text) = 0;
    virtual void EnableHostListButtons(bool enabled) = 0;
    virtual void KillScanTimer() = 0;
    virtual void ArmScanTimer(std::chrono::milliseconds period) = 0;
    // The scan's progress text in the host list's status line; "" clears it.
    virtual void ShowScanStatus(const std::string& text) = 0;
};

// For scans that show nothing while they run (the command line tool, benchmarks).
class SilentScanView final : public ScanDriverView {
public:
    void SetScanButtonText(const std::string&) override {}
    void EnableHostListButtons(bool) override {}
    void KillScanTimer() override {}
    void ArmScanTimer(std::chrono::milliseconds) override {}
    void ShowScanStatus(const std::string&) override {}
};

// Runs scans of the current group on a thread of its own: the fast pass with a pool of probe
// threads, then the ping pass on the scan thread (one address after the other, or with
// "ParallelPing" in batches whose echoes all go out at once), each followed by a sort by
// address.
class ScanDriver {
public:
    ScanDriver(ScanEngine& engine, const SettingsStore& store, ScanDriverView& view, EventLog* log);
    // Asks a running scan to stop and waits for it, so no thread outlives the engine.
    ~ScanDriver();
    ScanDriver(const ScanDriver&) = delete;
    ScanDriver& operator=(const ScanDriver&) = delete;

    // The Refresh button and the rescan timer: starts a scan, or asks the running one to stop.
    void Refresh();
    // Ends the walk before the next address and wakes every probe that waits for an answer, so
    // a scan ends soon whatever the time-out. Safe in a signal handler.
    void RequestStop() { stop_.Cancel(); }
    // True from the start of a scan thread until its last step.
    bool Running() const { return running_.load(); }
    // True while a scan walks its ranges.
    bool Scanning() const { return scanning_.load(); }
    // Waits for the scan thread to end; true when none runs any more.
    bool WaitFinished(std::chrono::milliseconds timeout);

    // One whole scan on the calling thread (the command line tool runs it so). Returns why a
    // requested pass could not run at all, "" when every requested pass ran. That text is also
    // the scan's last status, and an "Internal errors" event when that event is chosen.
    std::string RunScan();

private:
    void Walk(bool fast);
    // The ping pass, or the reason it cannot run.
    std::string PingPass();
    void WalkParallelPing();
    void Join();

    ScanEngine& engine_;
    const SettingsStore& store_;
    ScanDriverView& view_;
    EventLog* log_;

    std::atomic<bool> running_{false};
    std::atomic<bool> scanning_{false};
    WaitCancel stop_;

    std::mutex thread_mutex_;  // guards thread_ against Refresh and the destructor at once
    std::thread thread_;
    // The fast pass's probe threads, reused from address to address.
    ProbePool probes_{engine_.Slots(),
                      [this](NetAddress address) { engine_.ProbeHost(address, true, &stop_); },
                      stop_.Flag()};
};

}  // namespace corvimap
