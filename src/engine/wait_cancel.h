#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <span>

namespace corvimap {

// Cuts network waits short from another thread: the Stop button, or the window closing while a
// probe waits out a long time-out. A wait polls WaitFd() beside its own socket, so it wakes at
// once instead of sleeping until its time-out.
//
// Cancel() only stores an atomic flag and writes to an eventfd, so a signal handler may call it.
// Reset() makes the object usable for the next run; it must not race with a wait that uses it.
// Everything else is thread-safe.
class WaitCancel {
public:
    WaitCancel();
    ~WaitCancel();
    WaitCancel(const WaitCancel&) = delete;
    WaitCancel& operator=(const WaitCancel&) = delete;

    void Cancel();
    void Reset();
    bool Cancelled() const { return cancelled_.load(); }
    // The flag itself, for loops that check a stop flag between steps.
    const std::atomic<bool>& Flag() const { return cancelled_; }
    // Readable once cancelled; -1 when the system gave no descriptor (then waits fall back to
    // short slices that check Cancelled()).
    int WaitFd() const { return fd_; }

private:
    int fd_ = -1;
    std::atomic<bool> cancelled_{false};
};

// True when the cancel exists and has fired.
inline bool IsCancelled(const WaitCancel* cancel) {
    return cancel != nullptr && cancel->Cancelled();
}

// ppoll() on the entries (at most four) for at most `timeout`, returning early once the cancel
// fires; the cancel may be null. The entries' revents are filled in. Returns the number of
// entries with events, 0 on time-out, cancel or EINTR, -1 on any other error.
int PollOrCancel(std::span<pollfd> entries, std::chrono::nanoseconds timeout,
                 const WaitCancel* cancel);

}  // namespace corvimap
