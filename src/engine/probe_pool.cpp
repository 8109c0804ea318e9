#include "engine/probe_pool.h"

#include <algorithm>
#include <system_error>

namespace corvimap {
namespace {

// Past this many threads a larger limit gains nothing: each probe mostly waits for its time-out.
constexpr uint32_t kMostThreads = 4096;

}  // namespace

ProbePool::ProbePool(WorkerSlots& slots, std::function<void(NetAddress)> probe)
    : slots_(slots), probe_(std::move(probe)) {}

ProbePool::~ProbePool() {
    Finish();
}

bool ProbePool::Run(NetAddress address) {
    slots_.Take();
    std::unique_lock lock(mutex_);
    queue_.push_back(address);
    const bool start =
        idle_ < queue_.size() && threads_.size() < std::min(slots_.Limit(), kMostThreads);
    lock.unlock();
    if (!start) {
        queued_.notify_one();
        return true;
    }
    try {
        threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        if (threads_.empty()) {
            lock.lock();
            queue_.pop_back();
            lock.unlock();
            slots_.Release();
            return false;
        }
        // The threads there are take it up.
        queued_.notify_one();
    }
    return true;
}

void ProbePool::Work() {
    std::unique_lock lock(mutex_);
    ++idle_;
    for (;;) {
        queued_.wait(lock, [this] { return !queue_.empty() || closing_; });
        --idle_;
        if (queue_.empty()) {
            return;  // closing, nothing left
        }
        const NetAddress address = queue_.front();
        queue_.pop_front();
        lock.unlock();
        probe_(address);
        lock.lock();
        // Counted idle before the slot is given back, so the next address handed over finds
        // this thread instead of starting another.
        ++idle_;
        slots_.Release();
    }
}

void ProbePool::Finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    std::lock_guard lock(mutex_);
    closing_ = false;
}

}  // namespace corvimap
