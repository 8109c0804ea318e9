#include "engine/linux_probe_network.h"

#include "engine/host_name_resolver.h"
#include "engine/node_status.h"
#include "engine/parallel_ping.h"
#include "engine/share_list.h"

namespace corvimap {

std::optional<NodeStatusAnswer> LinuxProbeNetwork::QueryNodeStatus(NetAddress address,
                                                                   int timeout_ms,
                                                                   const WaitCancel* cancel) {
    NodeStatusResult result =
        NodeStatusQuery(layer_, address, timeout_ms, kNetBiosNamePort, cancel);
    if (!result.answered) {
        return std::nullopt;
    }
    return NodeStatusAnswer{std::move(result.status.name), std::move(result.status.workgroup),
                            result.time_us, result.status.mac};
}

std::optional<uint32_t> LinuxProbeNetwork::Ping(NetAddress address, int timeout_ms,
                                                const WaitCancel* cancel) {
    const PingResult result = layer_.PingHost(address, timeout_ms, cancel);
    if (!result.answered) {
        return std::nullopt;
    }
    return result.time_us;
}

std::vector<std::optional<uint32_t>> LinuxProbeNetwork::PingAll(
    std::span<const NetAddress> addresses, int timeout_ms, const std::atomic<bool>& stop) {
    if (layer_.IcmpUnavailable()) {
        return std::vector<std::optional<uint32_t>>(addresses.size());
    }
    return PingInParallel(layer_.icmp_path(), addresses, timeout_ms, stop);
}

std::optional<MacBlock> LinuxProbeNetwork::LookupMac(NetAddress address) {
    const MacBlock mac = layer_.LookupMac(address);
    if (mac[0] == 0) {
        return std::nullopt;
    }
    return mac;
}

std::optional<std::string> LinuxProbeNetwork::ListShares(NetAddress address,
                                                         const WaitCancel* cancel) {
    std::string shares = corvimap::ListShares(address, {}, cancel);
    if (shares.empty()) {
        return std::nullopt;
    }
    return shares;
}

std::string LinuxProbeNetwork::ResolveName(NetAddress address) {
    return ResolveHostName(address);
}

}  // namespace corvimap
