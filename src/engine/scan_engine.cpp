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

void ScanEngine::ProbeHost(NetAddress address, bool fast) {
    std::string name;
    std::string workgroup;
    uint32_t time = 0;
    MacBlock reported_mac{};
    bool answered = false;
    const int timeout_ms = settings_.PingTimeout;

    if (fast) {
        if (auto answer = network_.QueryNodeStatus(address, timeout_ms)) {
            answered = true;
            name = std::move(answer->name);
            workgroup = std::move(answer->workgroup);
            time = answer->time_us;
            reported_mac = answer->mac;
        }
    } else {
        // Hosts that answered the fast pass were fully probed there.
        if (hosts_.TestFlags(address, HostFlags::FastFound) != 0) {
            return;
        }
        if (auto reply_time = network_.Ping(address, timeout_ms)) {
            answered = true;
            time = *reply_time;
            if (settings_.HasFlag(ScanFlags::kResolveHostName)) {
                // A resolver's answer comes from the wire as well.
                name = ReplaceControlChars(network_.ResolveName(address));
            }
        }
    }

    if (!answered) {
        if (hosts_.MarkDead(address) && log_ != nullptr &&
            settings_.HasFlag(LogEventBits::kLogDeadHost)) {
            log_->Add(EventKind::kDeadHost, "%s: %s", StringTable::Lookup(text_id::kDeadHost),
                      FormatAddress(address).c_str());
        }
        return;
    }

    const MacBlock mac = network_.LookupMac(address).value_or(reported_mac);
    bool is_new = false;
    const HostHandle record =
        hosts_.AddOrUpdate(address, time, name, workgroup, mac, HostState::Answered, &is_new);
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
    if (settings_.HasFlag(ScanFlags::kScanShares)) {
        hosts_.SetState(record, HostState::ListingShares);
        if (auto shares = network_.ListShares(address)) {
            hosts_.AttachMarker(record, HostMarker{kSharesMarker, ReplaceControlChars(*shares)});
        }
    }
    if (games_ != nullptr) {
        games_->CheckHost(address, record);
    }
    hosts_.FinishProbe(address);
}

}  // namespace corvimap
