#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/host_events.h"
#include "engine/host_table.h"
#include "engine/probe_network.h"
#include "engine/worker_slots.h"
#include "settings/scan_settings.h"

namespace corvimap {

class EventLog;

// Owner of the host table and the probe thread limit; runs the probe of one address.
class ScanEngine {
public:
    // The log and the game check may be absent (nothing logged, no game servers asked).
    ScanEngine(const ScanSettings& settings, ProbeNetwork& network, EventLog* log,
               GameHostCheck* games);
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    HostTable& Hosts() { return hosts_; }
    const HostTable& Hosts() const { return hosts_; }
    WorkerSlots& Slots() { return slots_; }
    const ScanSettings& Settings() const { return settings_; }
    ProbeNetwork& Network() { return network_; }
    void SetGameHostCheck(GameHostCheck* games) { games_ = games; }
    // Who hears of new and dead hosts besides the log (none by default). Set before a scan.
    void SetHostEvents(HostEventListener* events) { host_events_ = events; }

    // Start of a scan: no host found yet, no probe running, the current thread limit.
    void Reset();
    // Hosts found since the scan started, both passes.
    uint32_t FoundCount() const { return found_.load(); }

    // Asks one address and records what it learns: the fast pass asks for the NetBIOS node
    // status, the ping pass sends an ICMP echo to hosts the fast pass did not find. A cancel
    // (may be null) that fires cuts every wait of the probe short; a question it cut short
    // records nothing for the address (a stop must not mark a host dead that had no full wait).
    void ProbeHost(NetAddress address, bool fast, const WaitCancel* cancel = nullptr);

    // The parallel ping pass in two steps: ask all addresses at once (ProbeNetwork::PingAll
    // with the current time-out), then record each reply in walk order as the ping pass's
    // ProbeHost would, with the reply time the address's own round trip.
    std::vector<std::optional<uint32_t>> PingAll(std::span<const NetAddress> addresses,
                                                 const std::atomic<bool>& stop);
    void ProbePingReply(NetAddress address, std::optional<uint32_t> reply_time_us,
                        const WaitCancel* cancel = nullptr);

private:
    // What one probe learned of its address.
    struct ProbeAnswer {
        std::string name;
        std::string workgroup;
        uint32_t time = 0;
        MacBlock reported_mac{};
    };
    void RecordProbe(NetAddress address, bool fast, std::optional<ProbeAnswer> answer,
                     const WaitCancel* cancel);

    const ScanSettings& settings_;
    ProbeNetwork& network_;
    EventLog* log_;
    GameHostCheck* games_;
    HostEventListener* host_events_ = nullptr;
    HostTable hosts_;
    WorkerSlots slots_;
    std::atomic<uint32_t> found_{0};
};

}  // namespace corvimap
