#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/ipv4.h"
#include "engine/mac_lookup.h"
#include "engine/wait_cancel.h"

namespace corvimap {

class NetApiLayer;

inline constexpr uint16_t kNetBiosNamePort = 137;
inline constexpr size_t kNodeStatusRequestSize = 50;
// Replies are read into a buffer of this size; anything beyond it is cut off.
inline constexpr size_t kNodeStatusReplyLimit = 1024;

// What a node status reply tells, names converted to UTF-8.
struct NodeStatus {
    std::string name;  // the first unique name, empty when there is none
    // The first group name other than the master browser's "\x01\x02__MSBROWSE__\x02" (suffix
    // 0x01); empty when there is none.
    std::string workgroup;
    MacBlock mac{};  // the unit id, when the reply carries a non-zero one
};

struct NodeStatusResult {
    bool answered = false;
    // Microseconds until the reply was readable; the whole time-out when it did not come in
    // time (a late reply that is still waiting on the socket counts as answered).
    uint32_t time_us = 0;
    NodeStatus status;
};

// The node status request for the name "*" (type NBSTAT, class IN); the transaction id is
// sent low byte first.
std::array<uint8_t, kNodeStatusRequestSize> BuildNodeStatusRequest(uint16_t transaction_id);

// Reads a node status reply to the request with this transaction id. None when it is no such
// reply (wrong id, wrong type or class, too short to show them). Name entries and the unit id
// are read only where the received bytes really hold them.
std::optional<NodeStatus> ParseNodeStatusReply(std::span<const uint8_t> reply,
                                               uint16_t transaction_id);

// Asks the address for its node status over UDP and waits up to timeout_ms for the reply, or
// until the cancel fires (then it counts as not answered). The port is there for tests; hosts
// listen on 137.
NodeStatusResult NodeStatusQuery(NetApiLayer& layer, NetAddress address, int32_t timeout_ms,
                                 uint16_t port = kNetBiosNamePort,
                                 const WaitCancel* cancel = nullptr);

}  // namespace corvimap
