#include "engine/scan_driver.h"

#include <optional>
#include <vector>

#include "engine/network_groups.h"
#include "engine/range_walk.h"
#include "engine/scan_flags.h"
#include "log/event_log.h"
#include "text/builtin_strings.h"
#include "text/executable_dir.h"
#include "text/string_table.h"
#include "text/text_fill.h"

namespace corvimap {
namespace {

// Addresses whose echoes the parallel ping pass sends before it records their replies: large
// enough that the time-out after the last send is paid rarely, small enough that found hosts
// show up while a large range is still being asked.
constexpr size_t kParallelPingBatch = 1024;

}  // namespace

ScanDriver::ScanDriver(ScanEngine& engine, const SettingsStore& store, ScanDriverView& view,
                       EventLog* log)
    : engine_(engine), store_(store), view_(view), log_(log) {}

ScanDriver::~ScanDriver() {
    RequestStop();
    Join();
}

void ScanDriver::Join() {
    std::lock_guard lock(thread_mutex_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ScanDriver::Refresh() {
    // The thread's own flag, not the walking flag: a second press while the scan is still
    // starting up or winding down must not start a second scan. A stop takes effect at once,
    // without waiting for the lock that guards starting a thread.
    if (running_) {
        RequestStop();
        return;
    }
    std::lock_guard lock(thread_mutex_);
    if (running_) {
        RequestStop();
        return;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    thread_ = std::thread([this] {
        RunScan();
        running_ = false;
    });
}

bool ScanDriver::WaitFinished(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running_) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Join();
    return true;
}

std::string ScanDriver::RunScan() {
    const ScanSettings& settings = engine_.Settings();
    // A stop pressed while the scan starts up counts for this scan.
    stop_.Reset();
    view_.SetScanButtonText(StringTable::Lookup(text_id::kStop));
    engine_.Reset();
    view_.EnableHostListButtons(false);
    view_.KillScanTimer();
    if (log_ != nullptr && settings.HasFlag(LogEventBits::kLogStartScan)) {
        log_->Add(EventKind::kGeneral, "%s", StringTable::Lookup(text_id::kScannerStart));
    }

    std::string problem;
    if (!ReadFirstRange(store_, CurrentGroup(store_)).empty()) {
        scanning_ = true;
        if (settings.HasFlag(ScanFlags::kFastSearch)) {
            Walk(true);
            probes_.Finish();
            engine_.Hosts().Sort(HostColumn::Address, false);
        }
        if (settings.HasFlag(ScanFlags::kPingPass) && !stop_.Cancelled()) {
            problem = PingPass();
        }
        // The problem stays on the status line after the scan, where the user looks.
        view_.ShowScanStatus(problem);
    }

    view_.EnableHostListButtons(true);
    view_.SetScanButtonText(StringTable::Lookup(text_id::kRefresh));
    scanning_ = false;
    if (log_ != nullptr && settings.HasFlag(LogEventBits::kLogStopScan)) {
        log_->Add(EventKind::kGeneral, "%s", StringTable::Lookup(text_id::kScannerStop));
    }
    if (const int32_t minutes = settings.ScanEvery; minutes != 0) {
        view_.ArmScanTimer(std::chrono::minutes(minutes));
    }
    return problem;
}

std::string ScanDriver::PingPass() {
    if (!engine_.Network().CanPing()) {
        // Without ICMP every address would look silent: the user learns why once per scan,
        // with the remedy, instead of an empty list.
        std::string problem =
            FillText(StringTable::Lookup(text_id::kIcmpUnavailable), {ExecutablePath().string()});
        if (log_ != nullptr && engine_.Settings().HasFlag(LogEventBits::kLogInternalErrors)) {
            log_->Add(EventKind::kInternalError, "%s", problem.c_str());
        }
        return problem;
    }
    if (engine_.Settings().ParallelPing) {
        WalkParallelPing();
    } else {
        Walk(false);
    }
    engine_.Hosts().Sort(HostColumn::Address, false);
    return {};
}

void ScanDriver::Walk(bool fast) {
    const char* label = StringTable::Lookup(fast ? text_id::kFastSearchPhase : text_id::kPingPhase);
    WalkRanges(store_, CurrentGroup(store_), stop_.Flag(), [&](NetAddress address) {
        view_.ShowScanStatus(std::string("- ") + label + ": " + FormatAddress(address));
        if (fast) {
            probes_.Run(address);
        } else {
            engine_.ProbeHost(address, false, &stop_);
        }
    });
}

void ScanDriver::WalkParallelPing() {
    const std::string label = std::string("- ") + StringTable::Lookup(text_id::kPingPhase) + ": ";
    std::vector<NetAddress> batch;
    const auto ask_batch = [&] {
        if (batch.empty()) {
            return;
        }
        view_.ShowScanStatus(label + FormatAddress(batch.front()));
        const std::vector<std::optional<uint32_t>> replies = engine_.PingAll(batch, stop_.Flag());
        // Recorded in walk order, so the table and the log change as the sequential pass
        // changes them; a stop ends the recording before the next address.
        for (size_t i = 0; i < replies.size() && !stop_.Cancelled(); ++i) {
            engine_.ProbePingReply(batch[i], replies[i]);
        }
        batch.clear();
    };
    WalkRanges(store_, CurrentGroup(store_), stop_.Flag(), [&](NetAddress address) {
        // Hosts the fast pass found are skipped by the ping pass; no echo goes to them.
        if (engine_.Hosts().TestFlags(address, HostFlags::FastFound) != 0) {
            return;
        }
        batch.push_back(address);
        if (batch.size() == kParallelPingBatch) {
            ask_batch();
        }
    });
    ask_batch();
}

}  // namespace corvimap
