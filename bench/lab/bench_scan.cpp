// Scans a lab /24 with four Samba hosts and one ICMP-only host, and runs nbtscan and fping over
// the same range with the same per-host time-out; the ping pass runs sequential and parallel.
// Prints wall and CPU seconds; needs root.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "engine/linux_probe_network.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "lab.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;

constexpr int kTimeoutMs = 50;
constexpr const char* kRange = "198.18.0.1-254";

struct Figures {
    double wall_s = 0;
    double cpu_s = 0;
    size_t found = 0;
};

double Seconds(const timeval& tv) {
    return tv.tv_sec + tv.tv_usec / 1e6;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

Figures ScanOnce(const lab::Lab& lab, uint32_t flags, int threads, bool parallel_ping = false) {
    MemorySettingsStore store;
    WriteGroupRanges(store, "Default", {kRange});
    ScanSettings settings;
    settings.FlagsGroup0 = flags;
    settings.PingTimeout = kTimeoutMs;
    settings.ThreadsOfScan = threads;
    settings.ParallelPing = parallel_ping;
    SilentScanView view;
    return lab.InScanner([&] {
        NetApiLayer layer;
        LinuxProbeNetwork network(layer);
        ScanEngine engine(settings, network, nullptr, nullptr);
        ScanDriver driver(engine, store, view, nullptr);
        const double cpu_before = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        driver.RunScan();
        Figures figures;
        figures.wall_s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        figures.cpu_s = ProcessCpuSeconds() - cpu_before;
        figures.found = engine.Hosts().Count();
        return figures;
    });
}

// Runs a command in the scanner's namespace and measures it with its children.
Figures RunTool(const lab::Lab& lab, std::vector<std::string> argv) {
    argv.insert(argv.begin(), {"ip", "netns", "exec", lab.ScannerNetns()});
    std::vector<char*> args;
    for (auto& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Figures figures;
    figures.wall_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpu_s = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    for (size_t at = output.find("198.18.0."); at != std::string::npos;
         at = output.find("198.18.0.", at + 1)) {
        ++figures.found;
    }
    return figures;
}

void Print(const char* what, const Figures& figures) {
    std::printf("%-44s %8.3f s wall %8.3f s CPU %4zu hosts\n", what, figures.wall_s, figures.cpu_s,
                figures.found);
}

int Run() {
    const std::string reason = lab::LabUnavailableReason(lab::LabNeeds::kSamba);
    if (!reason.empty()) {
        std::printf("bench_scan skipped: %s\n", reason.c_str());
        return 0;
    }
    lab::Lab lab;
    for (int i = 0; i < 4; ++i) {
        lab::SambaHostOptions options;
        options.netbios_name = "BENCH" + std::to_string(i + 1);
        options.workgroup = "BENCHWG";
        options.shares = {{"public", "", {}, {{"a.txt", "a"}}}};
        lab.AddSambaHost("s" + std::to_string(i + 1), 11 + i, options);
    }
    lab.AddIcmpHost("icmp", 20);
    if (!lab.WaitForSamba(90s)) {
        std::printf("bench_scan: the lab's Samba hosts did not answer\n");
        return 1;
    }
    std::printf("Scan of %s, %d ms per-host time-out, 4 Samba hosts and 1 ICMP-only host\n", kRange,
                kTimeoutMs);
    Print("fast pass, 7 threads", ScanOnce(lab, ScanFlags::kFastSearch, 7));
    Print("fast pass, 64 threads", ScanOnce(lab, ScanFlags::kFastSearch, 64));
    Print("ping pass (no name look-ups)", ScanOnce(lab, ScanFlags::kPingPass, 7));
    const Figures parallel = ScanOnce(lab, ScanFlags::kPingPass, 7, true);
    Print("parallel ping pass (no name look-ups)", parallel);
    Print("both passes, 64 threads",
          ScanOnce(lab, ScanFlags::kFastSearch | ScanFlags::kPingPass, 64));
    Print("both passes, 64 threads, parallel ping",
          ScanOnce(lab, ScanFlags::kFastSearch | ScanFlags::kPingPass, 64, true));
    if (lab::ToolAvailable("nbtscan")) {
        Print("nbtscan -t 50", RunTool(lab, {"nbtscan", "-q", "-t", "50", "198.18.0.1-254"}));
    }
    if (lab::ToolAvailable("fping")) {
        const Figures fping = RunTool(
            lab, {"fping", "-a", "-q", "-t", "50", "-r", "0", "-g", "198.18.0.1", "198.18.0.254"});
        Print("fping -t 50 -r 0", fping);
        std::printf("parallel ping pass / fping wall time: %.2f (aim: at most 0.5)\n",
                    parallel.wall_s / fping.wall_s);
    }
    return 0;
}

}  // namespace
}  // namespace corvimap

int main() {
    return corvimap::Run();
}
