#include "engine/wait_cancel.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <ctime>

namespace corvimap {
namespace {

constexpr size_t kMostEntries = 4;
// How often a wait looks at its cancel when the cancel has no descriptor to poll.
constexpr std::chrono::milliseconds kCancelCheckSlice{50};

}  // namespace

WaitCancel::WaitCancel() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WaitCancel::~WaitCancel() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void WaitCancel::Cancel() {
    cancelled_.store(true);
    if (fd_ >= 0) {
        const uint64_t one = 1;
        // The counter only has to become non-zero; a full counter is just as readable.
        [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof(one));
    }
}

void WaitCancel::Reset() {
    // The flag first: a Cancel() between the two steps leaves the flag set, so no wait sleeps
    // through it, even though its wake-up was read away.
    cancelled_.store(false);
    if (fd_ >= 0) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t read_back = read(fd_, &count, sizeof(count));
    }
}

int PollOrCancel(std::span<pollfd> entries, std::chrono::nanoseconds timeout,
                 const WaitCancel* cancel) {
    if (entries.size() > kMostEntries) {
        errno = EINVAL;
        return -1;
    }
    if (IsCancelled(cancel)) {
        return 0;
    }
    std::array<pollfd, kMostEntries + 1> all{};
    std::copy(entries.begin(), entries.end(), all.begin());
    // A negative descriptor is skipped by ppoll(), so a null cancel costs nothing.
    all[entries.size()] = pollfd{cancel != nullptr ? cancel->WaitFd() : -1, POLLIN, 0};
    if (cancel != nullptr && cancel->WaitFd() < 0) {
        timeout = std::min<std::chrono::nanoseconds>(timeout, kCancelCheckSlice);
    }
    timeout = std::max<std::chrono::nanoseconds>(timeout, std::chrono::nanoseconds::zero());
    const timespec wait{static_cast<time_t>(timeout.count() / 1'000'000'000),
                        static_cast<long>(timeout.count() % 1'000'000'000)};
    const int result = ppoll(all.data(), entries.size() + 1, &wait, nullptr);
    if (result < 0) {
        return errno == EINTR ? 0 : -1;
    }
    int ready = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].revents = all[i].revents;
        ready += all[i].revents != 0 ? 1 : 0;
    }
    return ready;
}

}  // namespace corvimap
