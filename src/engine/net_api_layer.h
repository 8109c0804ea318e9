#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/icmp_echo.h"
#include "engine/ipv4.h"
#include "engine/mac_lookup.h"

namespace corvimap {

// Result of PingHost.
struct PingResult {
    bool answered = false;
    uint32_t time_us = 0;  // whole milliseconds of the round trip, times 1000
};

// The system network services the scanner builds on: ICMP echo, the local adapters and the ARP
// table, and the NetBIOS transaction counter. Built once before any scan; afterwards every
// operation may run on many threads at once, each call with its own socket and buffers.
// Missing services are recorded and then give "no answer" or "nothing found", never an error.
class NetApiLayer {
public:
    // The ICMP path can be forced, so tests reach each of them.
    explicit NetApiLayer(IcmpPath icmp_path = IcmpPath::kAuto);

    // True only when the system refuses UDP sockets altogether.
    bool SocketsUnavailable() const { return sockets_unavailable_; }
    // The path used for ICMP: kDatagram, kRaw or kUnavailable.
    IcmpPath icmp_path() const { return icmp_path_.load(); }
    bool IcmpUnavailable() const { return icmp_path() == IcmpPath::kUnavailable; }
    // Looks for a usable ICMP path again when none was found, so that widening
    // net.ipv4.ping_group_range takes effect without a restart. True when ICMP can be used.
    bool RecheckIcmp();
    // The adapter list as read at construction; adapters that appear later are not seen.
    const std::vector<LocalAdapter>& adapters() const { return adapters_; }

    // The id for the next NetBIOS query: 77 first, then counting up, wrapping at 65536.
    uint16_t NextTransactionId() { return next_transaction_id_.fetch_add(1); }

    // One echo with TTL 255 and no data. Answered only by an echo reply from the address itself
    // within timeout_ms (clamped to 0-65535); a cancel ends the wait early, unanswered.
    PingResult PingHost(NetAddress address, int32_t timeout_ms,
                        const WaitCancel* cancel = nullptr) const;

    // One echo with the TTL and data_size zero bytes of data, for the ping and traceroute pages.
    // None only when ICMP is unavailable. The time-out is taken as given, also beyond 65535 ms;
    // a cancel ends the wait early (see SendEcho).
    std::optional<EchoReply> EchoRequest(NetAddress address, uint32_t timeout_ms,
                                         uint16_t data_size, uint8_t ttl,
                                         const WaitCancel* cancel = nullptr) const;

    // The hardware address of a local adapter that owns the address, else the ARP table's.
    MacBlock LookupMac(NetAddress address) const;

private:
    bool sockets_unavailable_ = false;
    const IcmpPath wanted_icmp_path_;
    std::atomic<IcmpPath> icmp_path_{IcmpPath::kUnavailable};
    std::vector<LocalAdapter> adapters_;
    std::atomic<uint16_t> next_transaction_id_{77};
};

}  // namespace corvimap
