#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/icmp_echo.h"
#include "netutils/echo_source.h"
#include "netutils/host_lookup.h"
#include "netutils/utility_run.h"

namespace corvimap {

// The values of the ping page's fields, already checked against their ranges.
struct PingParameters {
    std::string host;
    int32_t packets = 4;
    uint16_t size = 32;
    uint32_t timeout_ms = 1000;
    uint8_t ttl = 255;
};

// The running statistics of a ping run and their text.
class PingStatistics {
public:
    // One packet was sent; its round-trip time when it got an echo reply.
    void Count(std::optional<uint32_t> reply_ms);

    uint32_t Sent() const { return sent_; }
    uint32_t Received() const { return received_; }
    // "   Packets: Sent = ..., Received = ..., Lost = ... (..% loss),\n\r Approximate round trip
    // times in milli-seconds:\n\r   Minimum = ..ms, Maximum = ..ms, Average = ..ms". The average
    // is (minimum + maximum) / 2. Before the first reply minimum, maximum and average read 0.
    std::string Text() const;

private:
    uint32_t sent_ = 0;
    uint32_t received_ = 0;
    uint32_t minimum_ = 99999999;
    uint32_t maximum_ = 0;
    uint32_t average_ = 0;
};

// " Pinging NAME [ADDRESS] with SIZE bytes of data...\n\r"
std::string PingHeader(const std::string& name, NetAddress address, int size);

// The list row of packet number: "#", "IP", "Time" ("*" without a reply), "Ttl", "Status"
// ("Destination net unreachable", "Request timed out." or empty for a reply). The IP cell is
// empty when nothing answered at all.
std::vector<std::string> PingRow(uint32_t number, const EchoReply& reply);

// One ping run on the calling (worker) thread: resolves the host, shows the header, then sends
// the packets one after the other, each right after the previous answer or time-out, adding a
// row and showing header + statistics after each. Ends after the packet in progress when a stop
// is requested, at once when the control is cancelled (showing nothing more).
void RunPing(const PingParameters& parameters, EchoSource& echo, HostLookup& lookup,
             UtilitySink& sink, RunControl& control);

}  // namespace corvimap
