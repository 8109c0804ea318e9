#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ipv4.h"

// The bytes of ICMP echo requests, replies and errors; no sockets. Plain functions, safe from
// any thread.
namespace corvimap {

// ICMP message types the echo code sends, reads or lets through a raw socket's filter.
namespace icmp_type {
inline constexpr uint8_t kEchoReply = 0;
inline constexpr uint8_t kDestUnreachable = 3;
inline constexpr uint8_t kSourceQuench = 4;
inline constexpr uint8_t kEchoRequest = 8;
inline constexpr uint8_t kTimeExceeded = 11;
inline constexpr uint8_t kParameterProblem = 12;
}  // namespace icmp_type

inline constexpr size_t kIcmpHeaderSize = 8;

// Reply states, numbered as the ping and traceroute pages expect them.
namespace icmp_status {
inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kDestNetUnreachable = 11002;
inline constexpr uint32_t kDestHostUnreachable = 11003;
inline constexpr uint32_t kDestProtocolUnreachable = 11004;
inline constexpr uint32_t kDestPortUnreachable = 11005;
inline constexpr uint32_t kPacketTooBig = 11009;
inline constexpr uint32_t kTimedOut = 11010;
inline constexpr uint32_t kBadRoute = 11012;
inline constexpr uint32_t kTtlExpiredTransit = 11013;
inline constexpr uint32_t kTtlExpiredReassembly = 11014;
inline constexpr uint32_t kParameterProblem = 11015;
inline constexpr uint32_t kSourceQuench = 11016;
inline constexpr uint32_t kGeneralFailure = 11050;
}  // namespace icmp_status

// The outcome of one echo request.
struct EchoReply {
    NetAddress address = 0;  // who answered: the target, or the router that reported an error
    uint32_t status = icmp_status::kTimedOut;
    uint32_t round_trip_ms = 0;  // whole milliseconds from sending to the answer
    uint8_t ttl = 0;             // TTL of the answering packet, 0 when unknown
    uint16_t data_size = 0;      // bytes of echo data in a reply
};

// The 16-bit big-endian number at offset; the caller has checked that two bytes are there.
uint16_t ReadIcmp16(std::span<const uint8_t> bytes, size_t offset);

// The reply state for an ICMP error of this type and code.
uint32_t IcmpErrorStatus(uint8_t type, uint8_t code);

// What a packet read from a raw ICMP socket (IP header first) says about the echo request with
// this identifier and sequence number sent to destination: an echo reply from the destination,
// or an ICMP error quoting the request. round_trip_ms is left 0. None for any other packet,
// truncated ones included.
std::optional<EchoReply> MatchRawIcmpPacket(std::span<const uint8_t> packet, NetAddress destination,
                                            uint16_t identifier, uint16_t sequence);

// An echo request with the identifier, sequence number and data_size zero bytes, checksum set.
// Datagram sockets replace the identifier with their own.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint16_t data_size);

}  // namespace corvimap
