#include "engine/parallel_ping.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint8_t kTypeEchoReply = 0;
constexpr uint8_t kProtocolIcmp = 1;
constexpr size_t kIcmpHeaderSize = 8;
constexpr size_t kMinIpHeaderSize = 20;
constexpr size_t kMaxRequests = 65535;
// Reads per wake-up, so a flood of replies cannot hold back the next request for long.
constexpr int kReadsPerWakeUp = 256;
// Longest sleep between looks at the stop flag.
constexpr milliseconds kLongestWait{50};
// A full neighbour queue refuses a send for a moment (ENOBUFS); it is tried again so long.
constexpr milliseconds kSendRetryFor{1000};
constexpr milliseconds kSendRetryWait{10};

uint16_t Read16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

class ParallelPingRun {
public:
    ParallelPingRun(IcmpPath path, std::span<const NetAddress> addresses, int timeout_ms,
                    const std::atomic<bool>& stop, int packets_per_second)
        : datagram_(path == IcmpPath::kDatagram),
          addresses_(addresses.first(std::min(addresses.size(), kMaxRequests))),
          timeout_(std::clamp(timeout_ms, 0, 65535)),
          interval_(std::chrono::nanoseconds(1'000'000'000) /
                    std::clamp(packets_per_second, 1, kMaxEchoesPerSecond)),
          stop_(stop),
          fd_(OpenEchoSocket(path, 255)),
          identifier_(datagram_ ? 0 : RawEchoIdentifier()),
          first_sequence_(ReserveEchoSequences(static_cast<uint16_t>(addresses_.size()))),
          sent_at_(addresses_.size()),
          replies_(addresses_.size()),
          buffer_(kReceiveSize) {}
    ~ParallelPingRun() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ParallelPingRun(const ParallelPingRun&) = delete;
    ParallelPingRun& operator=(const ParallelPingRun&) = delete;

    std::vector<std::optional<uint32_t>> Run() {
        if (fd_ < 0) {
            // No socket: nothing answers, as a single echo would find.
            return replies_;
        }
        Clock::time_point next_send = Clock::now();
        for (;;) {
            if (stop_.load()) {
                replies_.resize(sent_);
                return replies_;
            }
            if (sent_ < addresses_.size()) {
                if (Clock::now() >= next_send) {
                    Send(sent_);
                    // From the send itself, never catching up: a stall must not become a burst.
                    next_send = Clock::now() + interval_;
                    ++sent_;
                    continue;
                }
                WaitAndRead(next_send);
                continue;
            }
            const Clock::time_point end = last_send_ + timeout_;
            if (answered_ == sent_ || Clock::now() >= end) {
                return replies_;
            }
            WaitAndRead(end);
        }
    }

private:
    static constexpr size_t kReceiveSize = 60 + 576;

    void Send(size_t index) {
        const std::vector<uint8_t> request =
            BuildEchoRequest(identifier_, static_cast<uint16_t>(first_sequence_ + index), 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = addresses_[index];
        const Clock::time_point give_up = Clock::now() + kSendRetryFor;
        for (;;) {
            sent_at_[index] = Clock::now();
            last_send_ = sent_at_[index];
            if (sendto(fd_, request.data(), request.size(), 0,
                       reinterpret_cast<const sockaddr*>(&target), sizeof(target)) >= 0) {
                return;
            }
            const bool busy = errno == ENOBUFS || errno == EAGAIN || errno == EINTR;
            if (!busy || Clock::now() >= give_up || stop_.load()) {
                return;  // refused: this address counts as silent
            }
            WaitAndRead(Clock::now() + kSendRetryWait);
        }
    }

    // Reads what has come, then sleeps until `until` or the next packet, and reads again.
    void WaitAndRead(Clock::time_point until) {
        ReadReplies();
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::min<Clock::duration>(until - now, kLongestWait));
        const timespec span{static_cast<time_t>(wait.count() / 1'000'000'000),
                            static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd entry{fd_, POLLIN, 0};
        if (ppoll(&entry, 1, &span, nullptr) > 0) {
            ReadReplies();
        }
    }

    void ReadReplies() {
        for (int reads = 0; reads < kReadsPerWakeUp; ++reads) {
            sockaddr_in from{};
            socklen_t from_size = sizeof(from);
            const ssize_t received = recvfrom(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT,
                                              reinterpret_cast<sockaddr*>(&from), &from_size);
            const Clock::time_point arrived = Clock::now();
            if (received < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    return;
                }
                continue;  // EINTR, or a pending socket error, which a read clears
            }
            Take(std::span<const uint8_t>(buffer_.data(), static_cast<size_t>(received)),
                 from.sin_addr.s_addr, arrived);
        }
    }

    // The request an echo reply answers: its place in addresses_, when it is one of ours.
    std::optional<size_t> RequestIndex(std::span<const uint8_t> packet, NetAddress from) const {
        uint16_t sequence = 0;
        if (datagram_) {
            // The kernel hands over only replies with this socket's identifier, without the IP
            // header.
            if (packet.size() < kIcmpHeaderSize || packet[0] != kTypeEchoReply) {
                return std::nullopt;
            }
            sequence = Read16(packet, 6);
        } else {
            if (packet.size() < kMinIpHeaderSize || packet[9] != kProtocolIcmp) {
                return std::nullopt;
            }
            const size_t header_size = static_cast<size_t>(packet[0] & 0x0F) * 4;
            if (packet.size() < header_size + kIcmpHeaderSize) {
                return std::nullopt;
            }
            sequence = Read16(packet, header_size + 6);
        }
        const size_t index = static_cast<uint16_t>(sequence - first_sequence_);
        if (index >= sent_) {
            return std::nullopt;
        }
        const NetAddress destination = addresses_[index];
        if (datagram_) {
            return from == destination ? std::optional(index) : std::nullopt;
        }
        const std::optional<EchoReply> reply =
            MatchRawIcmpPacket(packet, destination, identifier_, sequence);
        if (!reply || reply->status != icmp_status::kSuccess) {
            return std::nullopt;
        }
        return index;
    }

    void Take(std::span<const uint8_t> packet, NetAddress from, Clock::time_point arrived) {
        const std::optional<size_t> index = RequestIndex(packet, from);
        if (!index || replies_[*index]) {
            return;
        }
        const auto round_trip =
            std::chrono::duration_cast<milliseconds>(arrived - sent_at_[*index]);
        if (round_trip > timeout_) {
            return;  // a single echo would have stopped waiting before this came
        }
        replies_[*index] = static_cast<uint32_t>(round_trip.count()) * 1000u;
        ++answered_;
    }

    const bool datagram_;
    const std::span<const NetAddress> addresses_;
    const milliseconds timeout_;
    const Clock::duration interval_;
    const std::atomic<bool>& stop_;
    const int fd_;
    const uint16_t identifier_;
    const uint16_t first_sequence_;
    std::vector<Clock::time_point> sent_at_;
    std::vector<std::optional<uint32_t>> replies_;
    std::vector<uint8_t> buffer_;
    size_t sent_ = 0;
    size_t answered_ = 0;
    Clock::time_point last_send_{};
};

}  // namespace

std::vector<std::optional<uint32_t>> PingInParallel(IcmpPath path,
                                                    std::span<const NetAddress> addresses,
                                                    int timeout_ms, const std::atomic<bool>& stop,
                                                    int packets_per_second) {
    return ParallelPingRun(path, addresses, timeout_ms, stop, packets_per_second).Run();
}

}  // namespace corvimap
