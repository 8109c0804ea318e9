#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/icmp_echo.h"
#include "engine/ipv4.h"

namespace corvimap {

// The most echo requests the parallel ping pass puts on the wire per second, so a large range
// does not flood the segment or the neighbours' ARP tables.
inline constexpr int kMaxEchoesPerSecond = 2000;

// Sends one echo request (TTL 255, no data) to every address, in order, from one ICMP socket of
// the path (kDatagram or kRaw), no faster than packets_per_second (clamped to 1 ..
// kMaxEchoesPerSecond), reading replies while it sends, and then waits up to timeout_ms (clamped
// to 0 - 65535) after the last send, or until every address has answered.
//
// Replies are matched by sequence number and source address, and on a raw socket also by this
// process's identifier (a datagram socket puts its own identifier in and gets only its own
// replies). Element i of the result is the round trip of addresses[i] in whole milliseconds
// times 1000, when an echo reply from addresses[i] itself came within timeout_ms of its own
// request, as a single echo of the same time-out would take it; nothing otherwise (silent, an
// ICMP error, a send the system refused). The result has one element per request sent: sending
// ends early when stop is set, and the function returns at once then. At most 65535 addresses
// per call (sequence numbers must not repeat); further ones are not sent.
//
// Blocks the calling thread for the whole run; keeps nothing between calls.
std::vector<std::optional<uint32_t>> PingInParallel(IcmpPath path,
                                                    std::span<const NetAddress> addresses,
                                                    int timeout_ms, const std::atomic<bool>& stop,
                                                    int packets_per_second = kMaxEchoesPerSecond);

}  // namespace corvimap
