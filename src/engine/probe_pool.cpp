#include "engine/probe_pool.h"

#include <algorithm>
#include <system_error>

namespace corvimap {
namespace {

// Past this many threads a larger limit gains nothing: each probe mostly waits for its time-out.
constexpr uint32_t kMostThreads = 4096;

}  // namespace

ProbePool::ProbePool(WorkerSlots& slots, std::function<void(NetAddress)> probe,
                     const std::atomic<bool>& stop)
    : slots_(slots), probe_(std::move(probe)), stop_(stop) {}

ProbePool::~ProbePool() {
    Finish();
}

size_t ProbePool::Capacity() const {
    return std::min(slots_.Limit(), kMostThreads);
}

bool ProbePool::Run(NetAddress address) {
    const size_t capacity = Capacity();
    std::unique_lock lock(mutex_);
    if (queue_.size() >= capacity) {
        // Woken once half have started rather than for each, so the caller and the threads do
        // not take turns address by address.
        space_.wait(lock, [&] { return queue_.size() <= capacity / 2 || stop_.load(); });
    }
    if (stop_.load()) {
        return false;
    }
    queue_.push_back(address);
    const bool start = idle_ < queue_.size() && threads_.size() < capacity;
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
            return false;
        }
        // The threads there are take it up.
        queued_.notify_one();
    }
    return true;
}

void ProbePool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        queued_.wait(lock, [this] { return !queue_.empty() || closing_; });
        --idle_;
        if (queue_.empty()) {
            return;  // closing, nothing left
        }
        const NetAddress address = queue_.front();
        queue_.pop_front();
        if (queue_.size() == Capacity() / 2) {
            space_.notify_one();
        }
        lock.unlock();
        if (stop_.load()) {
            space_.notify_one();
        } else {
            slots_.Take();
            probe_(address);
            slots_.Release();
        }
        lock.lock();
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
