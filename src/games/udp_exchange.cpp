#include "games/udp_exchange.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace corvimap {
namespace {

class SocketHandle {
public:
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

int PendingBytes(int fd) {
    int pending = 0;
    return ::ioctl(fd, FIONREAD, &pending) == 0 ? pending : 0;
}

// Waits until the first queued datagram holds min_bytes or the time-out passes. It sleeps in
// poll() rather than waking every millisecond; only while a shorter datagram sits at the head of
// the queue (poll() would return at once) does it nap a millisecond at a time. A cancel ends it.
void WaitForReply(int fd, std::chrono::milliseconds timeout, int min_bytes,
                  const WaitCancel* cancel) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    bool short_datagram_queued = false;
    for (;;) {
        if (PendingBytes(fd) >= min_bytes) {
            return;
        }
        const Clock::duration remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero() || IsCancelled(cancel)) {
            return;
        }
        if (short_datagram_queued) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        pollfd watch{fd, POLLIN, 0};
        const int ready = PollOrCancel(std::span(&watch, 1), remaining, cancel);
        if (ready < 0) {
            return;
        }
        short_datagram_queued = ready > 0;
    }
}

}  // namespace

std::optional<std::string> UdpExchange(NetAddress address, uint16_t port,
                                       std::span<const uint8_t> request,
                                       std::chrono::milliseconds timeout,
                                       const WaitCancel* cancel) {
    SocketHandle socket(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.Get() < 0) {
        return std::nullopt;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (::sendto(socket.Get(), request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        return std::nullopt;
    }
    WaitForReply(socket.Get(), timeout, kMinReplyBytes, cancel);
    if (IsCancelled(cancel)) {
        return std::nullopt;
    }

    std::string reply(kMaxReplyBytes, '\0');
    // MSG_TRUNC makes the call report the datagram's real length, so an oversized reply is seen
    // as such instead of being cut silently.
    const ssize_t received =
        ::recvfrom(socket.Get(), reply.data(), reply.size(), MSG_TRUNC, nullptr, nullptr);
    if (received < 0 || static_cast<size_t>(received) > kMaxReplyBytes) {
        return std::nullopt;
    }
    reply.resize(static_cast<size_t>(received));
    return reply;
}

}  // namespace corvimap
