#include "engine/net_api_layer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace corvimap {

NetApiLayer::NetApiLayer(IcmpPath icmp_path) : wanted_icmp_path_(icmp_path) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockets_unavailable_ = probe < 0;
    if (probe >= 0) {
        close(probe);
    }
    icmp_path_ = ResolveIcmpPath(icmp_path);
    adapters_ = ReadLocalAdapters();
}

bool NetApiLayer::RecheckIcmp() {
    if (IcmpUnavailable() && wanted_icmp_path_ != IcmpPath::kUnavailable) {
        icmp_path_ = ResolveIcmpPath(wanted_icmp_path_);
    }
    return !IcmpUnavailable();
}

PingResult NetApiLayer::PingHost(NetAddress address, int32_t timeout_ms,
                                 const WaitCancel* cancel) const {
    const auto timeout = static_cast<uint16_t>(std::clamp<int32_t>(timeout_ms, 0, 65535));
    const std::optional<EchoReply> reply = EchoRequest(address, timeout, 0, 255, cancel);
    if (!reply || reply->status != icmp_status::kSuccess || reply->address != address) {
        return PingResult{};
    }
    return PingResult{true, reply->round_trip_ms * 1000u};
}

std::optional<EchoReply> NetApiLayer::EchoRequest(NetAddress address, uint32_t timeout_ms,
                                                  uint16_t data_size, uint8_t ttl,
                                                  const WaitCancel* cancel) const {
    if (IcmpUnavailable()) {
        return std::nullopt;
    }
    return SendEcho(icmp_path(), address, ttl, data_size, timeout_ms, cancel);
}

MacBlock NetApiLayer::LookupMac(NetAddress address) const {
    return LookupMacIn(adapters_, address);
}

}  // namespace corvimap
