#pragma once

#include <cstdint>
#include <string>

#include "engine/icmp_echo.h"
#include "netutils/echo_source.h"
#include "netutils/host_lookup.h"
#include "netutils/utility_run.h"

namespace corvimap {

// The values of the traceroute page's fields, already checked against their ranges.
struct TraceParameters {
    std::string host;
    int32_t max_hops = 30;
    uint32_t timeout_ms = 9000;
};

// Every probe carries this many bytes of echo data.
inline constexpr uint16_t kTraceProbeSize = 32;
inline constexpr int kProbesPerHop = 3;

// " Tracing route to NAME [ADDRESS], over a maximum of HOPS hops...\n\r"
std::string TraceHeader(const std::string& name, NetAddress address, int max_hops);
// The closings that follow the header.
inline constexpr const char* kTraceCompleteText = "\n\r Trace complete.";
inline constexpr const char* kTraceUnreachableText =
    "\n\r reports: Destination net unreachable.\n\r Trace complete.";

// What one probe's reply means for its hop.
struct ProbeOutcome {
    bool timed = false;         // the cell shows the round-trip time, else "*"
    bool names_router = false;  // the reply's address is the hop's router
    bool ends_trace = false;    // a router reported the destination net unreachable
};
// Success, or a status whose low four bits are 5 (TTL expired in transit): a time and the
// router. A status whose low byte is 250 (destination net unreachable): "*", the router, and the
// last hop. Anything else: "*".
ProbeOutcome ClassifyProbe(uint32_t status);

// The "Host" cell: "ADDRESS [NAME]", or the address alone when it has no name.
std::string RouterCell(NetAddress router, const std::string& name);

// One trace on the calling (worker) thread. Each hop gets a row ("#", three probe cells, "Host")
// filled as its probes come back, with TTL = hop. Ends with "Trace complete." when the target
// answered, with the unreachable closing when a router reported the net unreachable or the
// maximum of hops was reached, and without a closing after the current hop on a stop request;
// at once, showing nothing more, when the control is cancelled.
void RunTrace(const TraceParameters& parameters, EchoSource& echo, HostLookup& lookup,
              UtilitySink& sink, RunControl& control);

}  // namespace corvimap
