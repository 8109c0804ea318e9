#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/icmp_packet.h"
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

// For senders that keep one socket for many requests (the parallel ping pass).

// An ICMP socket of the path (kDatagram or kRaw) that sends with this TTL (0 is sent as 1); a
// raw socket lets only echo replies and the errors that can quote a request through. -1 when it
// can't be opened; the caller closes it.
int OpenEchoSocket(IcmpPath path, uint8_t ttl);

// The identifier of this process's echo requests on raw sockets.
uint16_t RawEchoIdentifier();

// The first of count consecutive sequence numbers (wrapping at 65536) that no other request of
// this process takes until the counter comes round again: raw sockets see each other's replies,
// so their requests must differ.
uint16_t ReserveEchoSequences(uint16_t count);

}  // namespace corvimap
