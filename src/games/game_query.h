#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/ipv4.h"
#include "engine/wait_cancel.h"
#include "games/server_report.h"

namespace corvimap {

struct QueryOutcome {
    bool answered = false;
    // Present when the server answered with a non-empty reply; the caller owns it.
    std::optional<ServerReport> report;
};

// The query of one game server type: asks address:port, waiting at most exchange_timeout for each
// reply, or until the cancel (may be null) fires, which leaves it unanswered. Called from several
// probe workers at once, so it must keep no state between calls.
using GameServerQuery = std::function<QueryOutcome(NetAddress address, uint16_t port,
                                                   std::chrono::milliseconds exchange_timeout,
                                                   const WaitCancel* cancel)>;

// The wait of one exchange during a scan: twice the ping time-out (none when that is not
// positive).
std::chrono::milliseconds ExchangeTimeout(int32_t ping_timeout_ms);

// "status" to a QuakeWorld server.
QueryOutcome QueryQuakeWorld(NetAddress address, uint16_t port,
                             std::chrono::milliseconds exchange_timeout,
                             const WaitCancel* cancel = nullptr);
// "status" to a Quake II server.
QueryOutcome QueryQuake2(NetAddress address, uint16_t port,
                         std::chrono::milliseconds exchange_timeout,
                         const WaitCancel* cancel = nullptr);
// "getstatus", then "getinfo" on a new socket, to a Quake III Arena server; both must answer.
QueryOutcome QueryQuake3(NetAddress address, uint16_t port,
                         std::chrono::milliseconds exchange_timeout,
                         const WaitCancel* cancel = nullptr);

}  // namespace corvimap
