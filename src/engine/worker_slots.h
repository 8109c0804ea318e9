#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvimap {

// Counts the running probe threads against the most allowed at once, under a lock of its own
// (never held together with the host table's).
class WorkerSlots {
public:
    // active = 0 and a new limit. A limit of 0 would leave no slot free and the scan waiting for
    // ever, so it counts as 1; the limit is compared unsigned, so a negative one sets no
    // practical limit.
    void Reset(int32_t limit);

    // Waits until a slot is free and takes it.
    void Take();
    void Release();
    bool Idle() const;
    // Waits until no probe runs, or until the time is up; true when idle.
    bool WaitIdle(std::chrono::milliseconds timeout);

    uint32_t Limit() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint32_t active_ = 0;
    uint32_t limit_ = 1;
};

}  // namespace corvimap
