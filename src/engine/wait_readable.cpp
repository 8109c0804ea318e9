#include "engine/wait_readable.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <span>
#include <thread>

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;

int ReadableBytes(int socket_fd) {
    int available = 0;
    if (ioctl(socket_fd, FIONREAD, &available) != 0) {
        return 0;
    }
    return available;
}

}  // namespace

ReadableWait WaitReadable(int socket_fd, int32_t timeout_ms, int min_bytes,
                          const WaitCancel* cancel) {
    const int32_t timeout = std::max<int32_t>(timeout_ms, 0);
    const ReadableWait timed_out{
        false, static_cast<uint32_t>(std::min<int64_t>(int64_t{timeout} * 1000, UINT32_MAX))};
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeout);
    bool polled_event_pending = false;
    for (;;) {
        const int available = ReadableBytes(socket_fd);
        const auto now = Clock::now();
        if (available >= min_bytes) {
            const auto waited = std::chrono::duration_cast<std::chrono::microseconds>(now - start);
            return ReadableWait{true, static_cast<uint32_t>(waited.count())};
        }
        if (now >= deadline || IsCancelled(cancel)) {
            return timed_out;
        }
        const auto remaining = deadline - now;
        if (polled_event_pending) {
            // Look again every millisecond, as a wait without poll() would.
            std::this_thread::sleep_for(
                std::min<Clock::duration>(remaining, std::chrono::milliseconds(1)));
            continue;
        }
        pollfd entry{socket_fd, POLLIN, 0};
        const int result = PollOrCancel(std::span(&entry, 1), remaining, cancel);
        if (result < 0) {
            return timed_out;
        }
        if (result > 0 && (entry.revents & POLLNVAL) != 0) {
            return timed_out;
        }
        // Any event that did not bring enough bytes (a short datagram, a pending error) stays
        // signalled, so from here on poll() cannot block.
        polled_event_pending = result > 0;
    }
}

}  // namespace corvimap
