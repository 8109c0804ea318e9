#pragma once

#include "engine/net_api_layer.h"
#include "engine/probe_network.h"

namespace corvimap {

// The probe's questions answered by the Linux network layer: NetBIOS over UDP, ICMP echo, the
// adapters and ARP table, libsmbclient and the resolver.
class LinuxProbeNetwork final : public ProbeNetwork {
public:
    explicit LinuxProbeNetwork(NetApiLayer& layer) : layer_(layer) {}

    std::optional<NodeStatusAnswer> QueryNodeStatus(NetAddress address, int timeout_ms,
                                                    const WaitCancel* cancel) override;
    std::optional<uint32_t> Ping(NetAddress address, int timeout_ms,
                                 const WaitCancel* cancel) override;
    bool CanPing() override { return layer_.RecheckIcmp(); }
    // All echo requests from one socket at a paced rate (PingInParallel).
    std::vector<std::optional<uint32_t>> PingAll(std::span<const NetAddress> addresses,
                                                 int timeout_ms,
                                                 const std::atomic<bool>& stop) override;
    std::optional<MacBlock> LookupMac(NetAddress address) override;
    std::optional<std::string> ListShares(NetAddress address, const WaitCancel* cancel) override;
    std::string ResolveName(NetAddress address) override;

private:
    NetApiLayer& layer_;
};

}  // namespace corvimap
