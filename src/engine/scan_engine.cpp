#include "engine/scan_engine.h"

#include "engine/scan_flags.h"
#include "log/event_log.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/wire_text.h"

namespace corvimap {

ScanEngine::ScanEngine(const ScanSettings& settings, ProbeNetwork& network, EventLog* log,
                       GameHostCheck* games)
    : settings_(settings), network_(network), log_(log), games_(games) {}

void ScanEngine::Reset() {
    found_ = 0;
    slots_.Reset(settings_.ThreadsOfScan);
}

void ScanEngine::ProbeHost(NetAddress address, bool fast, const WaitCancel* cancel) {
    const int timeout_ms = settings_.PingTimeout;
    if (!fast) {
        // Hosts that answered the fast pass were fully probed there.
        if (hosts_.TestFlags(address, HostFlags::FastFound) != 0) {
            return;
        }
        const std::optional<uint32_t> reply = network_.Ping(address, timeout_ms, cancel);
        // A wait cut short says nothing about the host.
        if (!reply && IsCancelled(cancel)) {
            return;
        }
        ProbePingReply(address, reply, cancel);
        return;
    }
    std::optional<ProbeAnswer> answer;
    if (auto status = network_.QueryNodeStatus(address, timeout_ms, cancel)) {
        answer = ProbeAnswer{std::move(status->name), std::move(status->workgroup), status->time_us,
                             status->mac};
    } else if (IsCancelled(cancel)) {
        return;
    }
    RecordProbe(address, true, std::move(answer), cancel);
}

std::vector<std::optional<uint32_t>> ScanEngine::PingAll(std::span<const NetAddress> addresses,
                                                         const std::atomic<bool>& stop) {
    return network_.PingAll(addresses, settings_.PingTimeout, stop);
}

void ScanEngine::ProbePingReply(NetAddress address, std::optional<uint32_t> reply_time_us,
                                const WaitCancel* cancel) {
    if (hosts_.TestFlags(address, HostFlags::FastFound) != 0) {
        return;
    }
    std::optional<ProbeAnswer> answer;
    if (reply_time_us) {
        answer = ProbeAnswer{};
        answer->time = *reply_time_us;
        if (settings_.HasFlag(ScanFlags::kResolveHostName)) {
            // The resolver cannot be woken; after a stop the host is left as it was rather
            // than recorded without the name it may have.
            if (IsCancelled(cancel)) {
                return;
            }
            // A resolver's answer comes from the wire as well.
            answer->name = ReplaceControlChars(network_.ResolveName(address));
        }
    }
    RecordProbe(address, false, std::move(answer), cancel);
}

void ScanEngine::RecordProbe(NetAddress address, bool fast, std::optional<ProbeAnswer> answer,
                             const WaitCancel* cancel) {
    if (!answer) {
        const bool died = hosts_.MarkDead(address);
        if (died && log_ != nullptr && settings_.HasFlag(LogEventBits::kLogDeadHost)) {
            log_->Add(EventKind::kDeadHost, "%s: %s", StringTable::Lookup(text_id::kDeadHost),
                      FormatAddress(address).c_str());
        }
        if (died && host_events_ != nullptr) {
            host_events_->HostDead(address);
        }
        return;
    }
    const std::string& name = answer->name;
    const MacBlock mac = network_.LookupMac(address).value_or(answer->reported_mac);
    bool is_new = false;
    const HostHandle record = hosts_.AddOrUpdate(address, answer->time, name, answer->workgroup,
                                                 mac, HostState::Answered, &is_new);
    if (!record) {
        if (log_ != nullptr && settings_.HasFlag(LogEventBits::kLogInternalErrors)) {
            log_->Add(EventKind::kInternalError, "Error add to list of hosts!!!");
        }
        return;
    }
    found_.fetch_add(1);
    if (fast) {
        hosts_.SetFlags(record, HostFlags::FastFound);
    }
    if (is_new && log_ != nullptr && settings_.HasFlag(LogEventBits::kLogFoundNewHost)) {
        log_->Add(EventKind::kFoundHost, "%s: %s (%s)", StringTable::Lookup(text_id::kFoundNewHost),
                  FormatAddress(address).c_str(), name.c_str());
    }
    if (is_new && host_events_ != nullptr) {
        host_events_->HostFound(address, name);
    }
    if (settings_.HasFlag(ScanFlags::kScanShares)) {
        hosts_.SetState(record, HostState::ListingShares);
        if (auto shares = network_.ListShares(address, cancel)) {
            hosts_.AttachMarker(record, HostMarker{kSharesMarker, ReplaceControlChars(*shares)});
        }
    }
    if (games_ != nullptr) {
        games_->CheckHost(address, record, cancel);
    }
    hosts_.FinishProbe(address);
}

}  // namespace corvimap
