#pragma once
// The scanner as the window builds it, run inside the lab's scanner namespace, for the lab tests
// that compare its findings with the lab's peers.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/linux_probe_network.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_engine.h"
#include "games/game_server_browser.h"
#include "games/scan_game_check.h"
#include "lab.h"
#include "lab_server_reports.h"
#include "log/event_log.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"

namespace corvimap::lab {

using namespace std::chrono_literals;

// Generous for sanitizer builds on a busy machine; a silent address costs this much.
inline constexpr int kTimeoutMs = 400;

// An old NAS box: it speaks SMB1 only.
inline SambaHostOptions OldNas() {
    SambaHostOptions options;
    options.netbios_name = "OLDNAS";
    options.workgroup = "LABGROUP";
    options.smb1_only = true;
    options.shares = {{"archive", "Old files", {}, {{"2009/report.doc", "DOC"}}},
                      {"photos", "", {}, {{"img.jpg", "JPG"}}}};
    return options;
}

// Takes CAP_NET_RAW out of the calling thread's effective set (capabilities belong to each
// thread): raw ICMP sockets are refused on it from now on.
inline bool DropNetRawOnThisThread() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    return syscall(SYS_capset, &header, data) == 0;
}

// The disk shares `smbclient -L` lists, joined by "|".
inline std::string SmbclientDiskShares(const Lab& lab, const LabHost& host) {
    std::string disk_shares;
    for (const auto& row : ParseSmbclientList(lab.ShareList(host.address, 20s).out)) {
        if (row.type == "Disk") {
            disk_shares += (disk_shares.empty() ? "" : "|") + row.name;
        }
    }
    return disk_shares;
}

class QuietView final : public ScanDriverView {
public:
    void SetScanButtonText(const std::string& text) override { button = text; }
    void EnableHostListButtons(bool) override {}
    void KillScanTimer() override {}
    void ArmScanTimer(std::chrono::milliseconds) override {}
    void ShowScanStatus(const std::string& text) override {
        if (!text.empty()) {
            ++statuses;
        }
        if (on_status) {
            on_status(statuses.load());
        }
    }
    std::atomic<int> statuses{0};
    std::string button;
    std::function<void(int)> on_status;
};

// The scanner as the window builds it, with its network layer made inside the scanner's
// namespace and every scan run on a thread there.
class LabScanner {
public:
    LabScanner(const Lab& lab, uint32_t scan_flags, int threads = 7) : lab_(lab) {
        settings.FlagsGroup0 = scan_flags | LogEventBits::kEnableLog |
                               LogEventBits::kLogFoundNewHost | LogEventBits::kLogDeadHost;
        settings.PingTimeout = kTimeoutMs;
        settings.ThreadsOfScan = threads;
        layer_ = lab.InScanner([] { return std::make_unique<NetApiLayer>(); });
        network_ = std::make_unique<LinuxProbeNetwork>(*layer_);
        engine = std::make_unique<ScanEngine>(settings, *network_, &log, nullptr);
        games = std::make_unique<ScanGameCheck>(browser, engine->Hosts(), settings, reports);
        engine->SetGameHostCheck(games.get());
        driver = std::make_unique<ScanDriver>(*engine, store, view, &log);
        for (size_t i = 0; i < browser.Count(); ++i) {
            browser.At(i).SetFlags(0);
        }
    }

    void Scan(const std::vector<std::string>& ranges) {
        WriteGroupRanges(store, "Default", ranges);
        lab_.InScanner([this] { driver->RunScan(); });
    }

    std::optional<size_t> RowOf(const std::string& address) const {
        for (size_t row = 0; row < engine->Hosts().Count(); ++row) {
            if (FormatAddress(engine->Hosts().AddressAt(row)) == address) {
                return row;
            }
        }
        return std::nullopt;
    }
    std::string Cell(const LabHost& host, HostColumn column) const {
        const auto row = RowOf(host.address);
        return row ? engine->Hosts().ColumnText(*row, column) : "<not found>";
    }
    HostState State(const LabHost& host) const {
        return engine->Hosts().StateAt(RowOf(host.address).value_or(9999));
    }

    ScanSettings settings;
    MemorySettingsStore store;
    corvimap::testing::CapturingLogSink log_rows;
    EventLog log{settings, log_rows, store};
    GameServerBrowser browser{store};
    corvimap::testing::ServerReportList reports;
    QuietView view;
    std::unique_ptr<ScanEngine> engine;
    std::unique_ptr<ScanGameCheck> games;
    std::unique_ptr<ScanDriver> driver;

private:
    const Lab& lab_;
    std::unique_ptr<NetApiLayer> layer_;
    std::unique_ptr<LinuxProbeNetwork> network_;
};

}  // namespace corvimap::lab
