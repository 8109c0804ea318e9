#include "engine/worker_slots.h"

namespace corvimap {

void WorkerSlots::Reset(int32_t limit) {
    std::lock_guard lock(mutex_);
    active_ = 0;
    limit_ = limit == 0 ? 1u : static_cast<uint32_t>(limit);
}

void WorkerSlots::Take() {
    std::unique_lock lock(mutex_);
    // Woken by each release instead of polling, so a free slot is used at once.
    changed_.wait(lock, [this] { return active_ < limit_; });
    ++active_;
}

void WorkerSlots::Release() {
    {
        std::lock_guard lock(mutex_);
        if (active_ > 0) {
            --active_;
        }
    }
    changed_.notify_all();
}

bool WorkerSlots::Idle() const {
    std::lock_guard lock(mutex_);
    return active_ == 0;
}

bool WorkerSlots::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return active_ == 0; });
}

uint32_t WorkerSlots::Limit() const {
    std::lock_guard lock(mutex_);
    return limit_;
}

}  // namespace corvimap
