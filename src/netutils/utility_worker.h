#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "netutils/utility_run.h"

namespace corvimap {

// The one worker thread of a ping or traceroute page. Start, RequestStop and Running belong to
// the page's thread; the run itself gets a fresh RunControl each time.
class UtilityWorker {
public:
    using Run = std::function<void(RunControl&)>;

    UtilityWorker() = default;
    // Cancels a run that still goes and waits for its thread.
    ~UtilityWorker();
    UtilityWorker(const UtilityWorker&) = delete;
    UtilityWorker& operator=(const UtilityWorker&) = delete;

    // Starts run on a new thread, then finished on the same thread once run returned; the worker
    // counts as running from this call until finished has returned. False, with nothing started,
    // while a run is still going.
    bool Start(Run run, std::function<void()> finished);
    bool Running() const { return running_.load(); }
    // The run ends after its packet or hop in progress.
    void RequestStop();
    // The run ends at once, waits included, and its thread is joined. Nothing is shown after
    // the run's last hand-over; finished still runs.
    void CancelAndJoin();

private:
    void Join();

    std::atomic<bool> running_{false};
    std::shared_ptr<RunControl> control_;
    std::thread thread_;
};

}  // namespace corvimap
