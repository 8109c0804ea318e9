#include "games/game_query.h"

#include "games/quake_report.h"
#include "games/quake_requests.h"
#include "games/udp_exchange.h"

namespace corvimap {
namespace {

using BuildReport = ServerReport (*)(std::string_view server, std::string_view status_reply);

QueryOutcome QueryStatus(NetAddress address, uint16_t port, std::chrono::milliseconds timeout,
                         const WaitCancel* cancel, BuildReport build) {
    const std::optional<std::string> reply =
        UdpExchange(address, port, kQuakeStatusRequest, timeout, cancel);
    QueryOutcome outcome;
    if (!reply) {
        return outcome;
    }
    outcome.answered = true;
    if (!reply->empty()) {
        outcome.report = build(ServerAddressField(address, port), *reply);
    }
    return outcome;
}

}  // namespace

std::chrono::milliseconds ExchangeTimeout(int32_t ping_timeout_ms) {
    return std::chrono::milliseconds(ping_timeout_ms > 0 ? 2 * int64_t{ping_timeout_ms} : 0);
}

QueryOutcome QueryQuakeWorld(NetAddress address, uint16_t port,
                             std::chrono::milliseconds exchange_timeout, const WaitCancel* cancel) {
    return QueryStatus(address, port, exchange_timeout, cancel, &BuildQuakeWorldReport);
}

QueryOutcome QueryQuake2(NetAddress address, uint16_t port,
                         std::chrono::milliseconds exchange_timeout, const WaitCancel* cancel) {
    return QueryStatus(address, port, exchange_timeout, cancel, &BuildQuake2Report);
}

QueryOutcome QueryQuake3(NetAddress address, uint16_t port,
                         std::chrono::milliseconds exchange_timeout, const WaitCancel* cancel) {
    QueryOutcome outcome;
    const std::optional<std::string> status =
        UdpExchange(address, port, kQuake3GetStatusRequest, exchange_timeout, cancel);
    if (!status) {
        return outcome;
    }
    // The player count lives only in the info reply, so a server that stays silent there is
    // not reported at all.
    const std::optional<std::string> info =
        UdpExchange(address, port, kQuake3GetInfoRequest, exchange_timeout, cancel);
    if (!info) {
        return outcome;
    }
    outcome.answered = true;
    if (!status->empty()) {
        outcome.report = BuildQuake3Report(ServerAddressField(address, port), *status, *info);
    }
    return outcome;
}

}  // namespace corvimap
