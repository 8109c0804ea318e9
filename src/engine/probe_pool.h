#pragma once

#include <atomic>
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

// Runs the probe of one address after another on reused threads: at most as many threads as
// the WorkerSlots allow (and at most 4096), each taking the next address handed over as soon as
// its probe ends, so addresses start in the order they were handed over and no more probes run
// at once than the slots allow. A large range costs a few threads, not one per address, and a
// thread moves on to the next address without waiting for the caller.
//
// Once `stop` is set, addresses handed over but not yet started are skipped; probes under way
// end on their own. Run and Finish are called from one thread (the scan thread).
class ProbePool {
public:
    ProbePool(WorkerSlots& slots, std::function<void(NetAddress)> probe,
              const std::atomic<bool>& stop);
    // Finishes what was handed over, so no thread outlives the pool.
    ~ProbePool();
    ProbePool(const ProbePool&) = delete;
    ProbePool& operator=(const ProbePool&) = delete;

    // Hands the address over. Waits while as many addresses wait as the slots allow, until half
    // of them have started, so the caller runs ahead of the probes by at most that many. False
    // (the address skipped) once stop is set, or when no thread can be started at all.
    bool Run(NetAddress address);
    // Waits until every address handed over has been probed or skipped, and ends the threads.
    void Finish();

private:
    void Work();
    size_t Capacity() const;

    WorkerSlots& slots_;
    const std::function<void(NetAddress)> probe_;
    const std::atomic<bool>& stop_;

    std::mutex mutex_;
    std::condition_variable queued_;  // an address waits, or the pool closes
    std::condition_variable space_;   // the waiting addresses are down to half
    std::deque<NetAddress> queue_;
    size_t idle_ = 0;
    bool closing_ = false;
    std::vector<std::thread> threads_;  // touched by the calling thread only
};

}  // namespace corvimap
