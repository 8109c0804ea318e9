#include "engine/icmp_echo.h"

#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;

// Enough for the largest IP header and a quoted request inside an ICMP error.
constexpr size_t kReceiveSlack = 60 + 576;
// Reads per wake-up, so a flood of foreign packets cannot keep one request from its time-out.
constexpr int kReadsPerWakeUp = 64;

// Sequence numbers are unique across the process, so concurrent requests on raw sockets, which
// all see every ICMP packet, never take each other's replies.
std::atomic<uint16_t> g_next_sequence{1};

class SocketHandle {
public:
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int OpenIcmpSocket(IcmpPath path) {
    const int type = path == IcmpPath::kDatagram ? SOCK_DGRAM : SOCK_RAW;
    return socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
}

constexpr uint32_t kRawFilterPass =
    (1u << icmp_type::kEchoReply) | (1u << icmp_type::kDestUnreachable) |
    (1u << icmp_type::kSourceQuench) | (1u << icmp_type::kTimeExceeded) |
    (1u << icmp_type::kParameterProblem);

uint32_t LocalErrorStatus(int error) {
    switch (error) {
        case ENETUNREACH:
            return icmp_status::kDestNetUnreachable;
        case EHOSTUNREACH:
            return icmp_status::kDestHostUnreachable;
        case EMSGSIZE:
            return icmp_status::kPacketTooBig;
        default:
            return icmp_status::kGeneralFailure;
    }
}

uint32_t ElapsedMs(Clock::time_point start) {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

struct ReceivedMessage {
    size_t size = 0;
    sockaddr_in from{};
    std::optional<int> ttl;
    const sock_extended_err* error = nullptr;
    std::optional<NetAddress> offender;
};

// One recvmsg() without blocking; none when nothing (more) is queued.
std::optional<ReceivedMessage> Receive(int fd, std::vector<uint8_t>& buffer,
                                       std::vector<uint8_t>& control, int flags) {
    ReceivedMessage message;
    iovec io{buffer.data(), buffer.size()};
    msghdr header{};
    header.msg_name = &message.from;
    header.msg_namelen = sizeof(message.from);
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    header.msg_control = control.data();
    header.msg_controllen = control.size();
    ssize_t received = -1;
    for (int attempt = 0; attempt < 4; ++attempt) {
        received = recvmsg(fd, &header, flags | MSG_DONTWAIT);
        if (received >= 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        }
        // EINTR, or a pending socket error, which a read reports once and then clears.
    }
    if (received < 0) {
        return std::nullopt;
    }
    message.size = static_cast<size_t>(received);
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr;
         item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level != SOL_IP) {
            continue;
        }
        if (item->cmsg_type == IP_TTL && item->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int ttl = 0;
            std::memcpy(&ttl, CMSG_DATA(item), sizeof(ttl));
            message.ttl = ttl;
        } else if (item->cmsg_type == IP_RECVERR &&
                   item->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err))) {
            message.error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(item));
            if (item->cmsg_len >= CMSG_LEN(sizeof(sock_extended_err) + sizeof(sockaddr_in))) {
                sockaddr_in offender{};
                std::memcpy(&offender, SO_EE_OFFENDER(message.error), sizeof(offender));
                if (offender.sin_family == AF_INET) {
                    message.offender = offender.sin_addr.s_addr;
                }
            }
        }
    }
    return message;
}

// Datagram sockets: the kernel sets the identifier and hands over only echo replies that carry
// it, without the IP header, and queues ICMP errors (with the request they quote) separately.
std::optional<EchoReply> ReadDatagramSocket(int fd, NetAddress destination, uint16_t sequence,
                                            std::vector<uint8_t>& buffer,
                                            std::vector<uint8_t>& control) {
    for (int reads = 0; reads < kReadsPerWakeUp; ++reads) {
        const std::optional<ReceivedMessage> message = Receive(fd, buffer, control, MSG_ERRQUEUE);
        if (!message) {
            break;
        }
        const std::span<const uint8_t> quoted(buffer.data(), message->size);
        if (message->error == nullptr || quoted.size() < kIcmpHeaderSize ||
            quoted[0] != icmp_type::kEchoRequest || ReadIcmp16(quoted, 6) != sequence ||
            message->from.sin_addr.s_addr != destination) {
            continue;
        }
        EchoReply reply;
        if (message->error->ee_origin == SO_EE_ORIGIN_ICMP) {
            reply.status = IcmpErrorStatus(message->error->ee_type, message->error->ee_code);
            reply.address = message->offender.value_or(0);
        } else {
            reply.status = LocalErrorStatus(static_cast<int>(message->error->ee_errno));
        }
        reply.ttl = static_cast<uint8_t>(message->ttl.value_or(0));
        return reply;
    }
    for (int reads = 0; reads < kReadsPerWakeUp; ++reads) {
        const std::optional<ReceivedMessage> message = Receive(fd, buffer, control, 0);
        if (!message) {
            break;
        }
        const std::span<const uint8_t> packet(buffer.data(), message->size);
        if (packet.size() < kIcmpHeaderSize || packet[0] != icmp_type::kEchoReply ||
            ReadIcmp16(packet, 6) != sequence || message->from.sin_addr.s_addr != destination) {
            continue;
        }
        EchoReply reply;
        reply.address = destination;
        reply.status = icmp_status::kSuccess;
        reply.ttl = static_cast<uint8_t>(message->ttl.value_or(0));
        reply.data_size = static_cast<uint16_t>(packet.size() - kIcmpHeaderSize);
        return reply;
    }
    return std::nullopt;
}

std::optional<EchoReply> ReadRawSocket(int fd, NetAddress destination, uint16_t identifier,
                                       uint16_t sequence, std::vector<uint8_t>& buffer) {
    for (int reads = 0; reads < kReadsPerWakeUp; ++reads) {
        const ssize_t received = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        std::optional<EchoReply> reply = MatchRawIcmpPacket(
            std::span<const uint8_t>(buffer.data(), received), destination, identifier, sequence);
        if (reply) {
            return reply;
        }
    }
    return std::nullopt;
}

}  // namespace

int OpenEchoSocket(IcmpPath path, uint8_t ttl) {
    if (path != IcmpPath::kDatagram && path != IcmpPath::kRaw) {
        return -1;
    }
    const int fd = OpenIcmpSocket(path);
    if (fd < 0) {
        return -1;
    }
    // Linux takes TTLs from 1 to 255 only.
    const int ttl_value = std::max<int>(ttl, 1);
    if (setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl_value, sizeof(ttl_value)) != 0) {
        close(fd);
        return -1;
    }
    if (path == IcmpPath::kRaw) {
        icmp_filter filter{~kRawFilterPass};
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof(filter));
    }
    return fd;
}

uint16_t RawEchoIdentifier() {
    return static_cast<uint16_t>(getpid());
}

uint16_t ReserveEchoSequences(uint16_t count) {
    return g_next_sequence.fetch_add(count);
}

IcmpPath ResolveIcmpPath(IcmpPath wanted) {
    const auto works = [](IcmpPath path) {
        const SocketHandle probe(OpenIcmpSocket(path));
        return probe.get() >= 0;
    };
    switch (wanted) {
        case IcmpPath::kAuto:
            if (works(IcmpPath::kDatagram)) {
                return IcmpPath::kDatagram;
            }
            return works(IcmpPath::kRaw) ? IcmpPath::kRaw : IcmpPath::kUnavailable;
        case IcmpPath::kDatagram:
        case IcmpPath::kRaw:
            return works(wanted) ? wanted : IcmpPath::kUnavailable;
        case IcmpPath::kUnavailable:
            break;
    }
    return IcmpPath::kUnavailable;
}

EchoReply SendEcho(IcmpPath path, NetAddress address, uint8_t ttl, uint16_t data_size,
                   uint32_t timeout_ms, const WaitCancel* cancel) {
    EchoReply timed_out;
    EchoReply failed;
    failed.status = icmp_status::kGeneralFailure;
    if (path != IcmpPath::kDatagram && path != IcmpPath::kRaw) {
        return failed;
    }
    const bool datagram = path == IcmpPath::kDatagram;
    const SocketHandle socket_handle(OpenEchoSocket(path, ttl));
    const int fd = socket_handle.get();
    if (fd < 0) {
        return failed;
    }
    const int on = 1;
    if (datagram && (setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof(on)) != 0 ||
                     setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof(on)) != 0)) {
        return failed;
    }
    const uint16_t identifier = datagram ? 0 : RawEchoIdentifier();
    const uint16_t sequence = ReserveEchoSequences(1);
    const std::vector<uint8_t> request = BuildEchoRequest(identifier, sequence, data_size);
    std::vector<uint8_t> buffer(request.size() + kReceiveSlack);
    std::vector<uint8_t> control(512);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeout_ms);
    if (sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target),
               sizeof(target)) < 0) {
        failed.status = LocalErrorStatus(errno);
        return failed;
    }
    for (;;) {
        std::optional<EchoReply> reply =
            datagram ? ReadDatagramSocket(fd, address, sequence, buffer, control)
                     : ReadRawSocket(fd, address, identifier, sequence, buffer);
        if (reply) {
            reply->round_trip_ms = ElapsedMs(start);
            return *reply;
        }
        const auto now = Clock::now();
        if (now >= deadline || IsCancelled(cancel)) {
            return timed_out;
        }
        pollfd entry{fd, POLLIN, 0};
        if (PollOrCancel(std::span(&entry, 1), deadline - now, cancel) < 0) {
            return timed_out;
        }
    }
}

}  // namespace corvimap
