#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/ipv4.h"
#include "engine/worker_slots.h"

namespace corvimap {

// Runs the probe of one address after another on reused threads. Each address takes a slot of
// the WorkerSlots first, so no more probes run at once than the slots allow, and addresses are
// taken up in the order they were handed over. A thread is started only when every existing one
// is busy, and never more than the slots' limit (at most 4096), so a large range costs a few
// threads instead of one per address.
//
// Run and Finish are called from one thread (the scan thread); the probe runs on the pool's
// threads, several at once.
class ProbePool {
public:
    ProbePool(WorkerSlots& slots, std::function<void(NetAddress)> probe);
    // Finishes what was handed over, so no thread outlives the pool.
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    // Waits for a free slot, then hands the address to an idle thread or a new one. False (the
    // slot given back, the address skipped) only when no thread exists and none can be started.
    bool Run(NetAddress address);
    // Waits until every address handed over has been probed and ends the threads.
    void Finish();

private:
    void Work();

    WorkerSlots& slots_;
    const std::function<void(NetAddress)> probe_;

    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<NetAddress> queue_;
    size_t idle_ = 0;
    bool closing_ = false;
    std::vector<std::thread> threads_;  // touched by the calling thread only
};

}  // namespace corvimap
