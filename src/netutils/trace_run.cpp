#include "netutils/trace_run.h"

#include <optional>
#include <vector>

#include "netutils/net_utils_texts.h"

namespace corvimap {

std::string TraceHeader(const std::string& name, NetAddress address, int max_hops) {
    return " Tracing route to " + name + " [" + FormatAddress(address) + "], over a maximum of " +
           std::to_string(max_hops) + " hops...\n\r";
}

ProbeOutcome ClassifyProbe(uint32_t status) {
    if (status == icmp_status::kSuccess || (status & 0xF) == 5) {
        return {true, true, false};
    }
    if ((status & 0xFF) == 250) {
        return {false, true, true};
    }
    return {};
}

std::string RouterCell(NetAddress router, const std::string& name) {
    const std::string address = FormatAddress(router);
    return name.empty() ? address : address + " [" + name + "]";
}

void RunTrace(const TraceParameters& parameters, EchoSource& echo, HostLookup& lookup,
              UtilitySink& sink, RunControl& control) {
    const std::optional<ResolvedHost> target = ResolveHostText(parameters.host, lookup);
    if (control.Cancelled()) {
        return;
    }
    sink.ClearRows();
    if (!target) {
        sink.ShowText(UnknownHostText(parameters.host));
        return;
    }
    const std::string header =
        TraceHeader(target->display_name, target->address, parameters.max_hops);
    sink.ShowText(header);
    if (!echo.Available()) {
        // Without this every hop up to the maximum would be walked with nothing sent.
        sink.ShowText(header + IcmpUnavailableText());
        return;
    }
    for (int hop = 1; hop <= parameters.max_hops; ++hop) {
        const int row = hop - 1;
        sink.AddRow({std::to_string(hop)});
        std::optional<NetAddress> router;
        bool last_hop = false;
        for (int probe = 1; probe <= kProbesPerHop; ++probe) {
            const std::optional<EchoReply> reply =
                echo.Echo(target->address, parameters.timeout_ms, kTraceProbeSize,
                          static_cast<uint8_t>(hop), control.cancel);
            if (control.Cancelled()) {
                return;
            }
            if (!reply) {
                break;
            }
            const ProbeOutcome outcome = ClassifyProbe(reply->status);
            sink.SetCell(row, probe, outcome.timed ? std::to_string(reply->round_trip_ms) : "*");
            if (outcome.names_router) {
                router = reply->address;
            }
            if (outcome.ends_trace) {
                last_hop = true;
                break;
            }
        }
        if (router) {
            const std::string name = lookup.ByAddress(*router);
            if (control.Cancelled()) {
                return;
            }
            sink.SetCell(row, 4, RouterCell(*router, name));
        }
        if (router == target->address) {
            sink.ShowText(header + kTraceCompleteText);
            return;
        }
        if (hop == parameters.max_hops || last_hop) {
            sink.ShowText(header + kTraceUnreachableText);
            return;
        }
        if (control.stop_requested.load()) {
            return;
        }
    }
}

}  // namespace corvimap
