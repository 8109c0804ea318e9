#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/host_record.h"
#include "engine/ipv4.h"
#include "engine/wait_cancel.h"

namespace corvimap {

// What a NetBIOS node status reply told about a host.
struct NodeStatusAnswer {
    std::string name;       // first unique name
    std::string workgroup;  // first group name, the master browser's name left out
    uint32_t time_us = 0;   // reply time
    MacBlock mac{};         // byte 0 non-zero when the reply carried the unit id
};

// The network questions a probe asks. The scanner uses the Linux network layer; tests may
// answer from a script of their own. A question that takes a cancel (may be null) gives up its
// wait as soon as the cancel fires and then answers nothing.
class ProbeNetwork {
public:
    virtual ~ProbeNetwork() = default;

    virtual std::optional<NodeStatusAnswer> QueryNodeStatus(NetAddress address, int timeout_ms,
                                                            const WaitCancel* cancel) = 0;
    // Reply time in microseconds (whole milliseconds), nothing when the host did not answer.
    virtual std::optional<uint32_t> Ping(NetAddress address, int timeout_ms,
                                         const WaitCancel* cancel) = 0;
    // False when ICMP echoes cannot be sent at all (asked once before each ping pass).
    virtual bool CanPing() { return true; }
    // Ping for many addresses at once: element i answers addresses[i] as Ping would. Asking
    // ends early when stop is set; the result then holds only the addresses asked. This default
    // asks one address after the other.
    virtual std::vector<std::optional<uint32_t>> PingAll(std::span<const NetAddress> addresses,
                                                         int timeout_ms,
                                                         const std::atomic<bool>& stop) {
        std::vector<std::optional<uint32_t>> replies;
        for (const NetAddress address : addresses) {
            if (stop.load()) {
                break;
            }
            replies.push_back(Ping(address, timeout_ms, nullptr));
        }
        return replies;
    }
    // The hardware address of a local interface or of the ARP table.
    virtual std::optional<MacBlock> LookupMac(NetAddress address) = 0;
    // Disk share names joined by "|"; nothing when none was listed.
    virtual std::optional<std::string> ListShares(NetAddress address, const WaitCancel* cancel) = 0;
    // The DNS name of the address, checked forward; "" when either look-up fails or disagrees.
    virtual std::string ResolveName(NetAddress address) = 0;
};

class HostHandle;

// Asks a live host for game servers of the enabled types, marking its record while it does. A
// cancel (may be null) that fires ends the waits for answers at once.
class GameHostCheck {
public:
    virtual ~GameHostCheck() = default;
    virtual void CheckHost(NetAddress address, const HostHandle& record,
                           const WaitCancel* cancel) = 0;
};

}  // namespace corvimap
