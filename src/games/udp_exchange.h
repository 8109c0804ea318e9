#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/ipv4.h"
#include "engine/wait_cancel.h"

namespace corvimap {

// The largest reply datagram taken; a longer one counts as no answer.
inline constexpr size_t kMaxReplyBytes = 4096;
// A reply is awaited until its first datagram holds this many bytes or the time-out passes.
inline constexpr int kMinReplyBytes = 7;

// One request and one reply on a socket of its own: sends the request to address:port, waits up
// to timeout for a datagram of at least kMinReplyBytes, then receives once from any sender.
// Returns the reply's bytes (possibly none: an empty datagram is an answer too), or nothing when
// the socket or the send failed, nothing arrived, or the datagram was longer than
// kMaxReplyBytes. A cancel (may be null) that fires ends the wait at once.
std::optional<std::string> UdpExchange(NetAddress address, uint16_t port,
                                       std::span<const uint8_t> request,
                                       std::chrono::milliseconds timeout,
                                       const WaitCancel* cancel = nullptr);

}  // namespace corvimap
