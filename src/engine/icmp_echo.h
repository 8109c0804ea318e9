#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/ipv4.h"
#include "engine/wait_cancel.h"

namespace corvimap {

// How ICMP echoes are sent. A datagram ICMP socket needs the process's group inside
// net.ipv4.ping_group_range; a raw socket needs root or CAP_NET_RAW.
enum class IcmpPath {
    kAuto,         // the datagram socket when allowed, else the raw socket, else none
    kDatagram,     // only the datagram socket
    kRaw,          // only the raw socket
    kUnavailable,  // no ICMP at all
};

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

// Echo waits are cut short by the general wait cancel (the ping and traceroute pages' name).
using EchoCancel = WaitCancel;

// The path that can really be used for the wanted one: a test socket is opened and closed.
IcmpPath ResolveIcmpPath(IcmpPath wanted);

// Sends one echo request with the given TTL (0 is sent as 1) and data_size zero bytes of data
// over the path (kDatagram or kRaw), and waits up to timeout_ms for the matching reply or an
// ICMP error that quotes the request. Replies to other requests are passed over. A cancel that
// fires during the wait ends it at once with a timed-out reply.
EchoReply SendEcho(IcmpPath path, NetAddress address, uint8_t ttl, uint16_t data_size,
                   uint32_t timeout_ms, const WaitCancel* cancel = nullptr);

// The reply state for an ICMP error of this type and code.
uint32_t IcmpErrorStatus(uint8_t type, uint8_t code);

// What a packet read from a raw ICMP socket (IP header first) says about the echo request with
// this identifier and sequence number sent to destination: an echo reply from the destination,
// or an ICMP error quoting the request. round_trip_ms is left 0. None for any other packet,
// truncated ones included.
std::optional<EchoReply> MatchRawIcmpPacket(std::span<const uint8_t> packet, NetAddress destination,
                                            uint16_t identifier, uint16_t sequence);

// For senders that keep one socket for many requests (the parallel ping pass).

// An ICMP socket of the path (kDatagram or kRaw) that sends with this TTL (0 is sent as 1); a
// raw socket lets only echo replies and the errors that can quote a request through. -1 when it
// can't be opened; the caller closes it.
int OpenEchoSocket(IcmpPath path, uint8_t ttl);

// An echo request with the identifier, sequence number and data_size zero bytes, checksum set.
// Datagram sockets replace the identifier with their own.
std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint16_t data_size);

// The identifier of this process's echo requests on raw sockets.
uint16_t RawEchoIdentifier();

// The first of count consecutive sequence numbers (wrapping at 65536) that no other request of
// this process takes until the counter comes round again: raw sockets see each other's replies,
// so their requests must differ.
uint16_t ReserveEchoSequences(uint16_t count);

}  // namespace corvimap
