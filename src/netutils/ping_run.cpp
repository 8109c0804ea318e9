#include "netutils/ping_run.h"

#include <algorithm>
#include <cstdio>

#include "netutils/net_utils_texts.h"

namespace corvimap {

void PingStatistics::Count(std::optional<uint32_t> reply_ms) {
    ++sent_;
    if (!reply_ms) {
        return;
    }
    ++received_;
    maximum_ = std::max(maximum_, *reply_ms);
    minimum_ = std::min(minimum_, *reply_ms);
    // Half way between the extremes, whatever the times in between: what users of this page
    // compare from run to run.
    average_ = static_cast<uint32_t>((uint64_t{minimum_} + maximum_) / 2);
}

std::string PingStatistics::Text() const {
    const uint32_t lost = sent_ - received_;
    const uint32_t loss = sent_ == 0 ? 0 : static_cast<uint32_t>(uint64_t{lost} * 100 / sent_);
    const bool any = received_ > 0;
    char text[400];
    std::snprintf(text, sizeof(text),
                  "   Packets: Sent = %u, Received = %u, Lost = %u (%u%% loss),\n\r Approximate "
                  "round trip times in milli-seconds:\n\r   Minimum = %ums, Maximum = %ums, "
                  "Average = %ums",
                  sent_, received_, lost, loss, any ? minimum_ : 0, any ? maximum_ : 0,
                  any ? average_ : 0);
    return text;
}

std::string PingHeader(const std::string& name, NetAddress address, int size) {
    return " Pinging " + name + " [" + FormatAddress(address) + "] with " + std::to_string(size) +
           " bytes of data...\n\r";
}

std::vector<std::string> PingRow(uint32_t number, const EchoReply& reply) {
    std::vector<std::string> cells(5);
    cells[0] = std::to_string(number);
    cells[1] = reply.address == 0 ? "" : FormatAddress(reply.address);
    switch (reply.status) {
        case icmp_status::kSuccess:
            cells[2] = std::to_string(reply.round_trip_ms);
            cells[3] = std::to_string(reply.ttl);
            break;
        case icmp_status::kDestNetUnreachable:
            cells[4] = "Destination net unreachable";
            break;
        default:
            cells[2] = "*";
            cells[4] = "Request timed out.";
            break;
    }
    return cells;
}

void RunPing(const PingParameters& parameters, EchoSource& echo, HostLookup& lookup,
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
    const std::string header = PingHeader(target->display_name, target->address, parameters.size);
    sink.ShowText(header);
    if (!echo.Available()) {
        sink.ShowText(header + IcmpUnavailableText());
        return;
    }
    PingStatistics statistics;
    for (uint32_t number = 1;; ++number) {
        const std::optional<EchoReply> reply =
            echo.Echo(target->address, parameters.timeout_ms, parameters.size, parameters.ttl,
                      control.cancel);
        if (control.Cancelled()) {
            return;
        }
        if (!reply) {
            sink.ShowText(header + IcmpUnavailableText());
            return;
        }
        sink.AddRow(PingRow(number, *reply));
        statistics.Count(reply->status == icmp_status::kSuccess
                             ? std::optional<uint32_t>(reply->round_trip_ms)
                             : std::nullopt);
        sink.ShowText(header + statistics.Text());
        if (number >= static_cast<uint32_t>(parameters.packets) || control.stop_requested.load()) {
            return;
        }
    }
}

}  // namespace corvimap
