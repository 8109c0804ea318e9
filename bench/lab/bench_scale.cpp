// A /16 (198.19.0.0/16) behind a lab router with four live hosts, the rest silent. Prints the
// fast pass's wall and CPU seconds at 64 and 512 threads against nbtscan -t 50, the ping pass
// over one /24 of it and the whole /16 from that, the window's longest stall while it scans the
// /16 (a timer on the UI thread measuring the gap between its ticks), and resident memory after
// that scan and with 65,536 hosts loaded from a host list file. Needs root.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/qt/app_engine.h"
#include "app/qt/host_list_pane.h"
#include "app/qt/main_window.h"
#include "app/qt/startup.h"
#include "controls/qt/flat_button.h"
#include "engine/host_list_file.h"
#include "engine/linux_probe_network.h"
#include "engine/network_groups.h"
#include "engine/scan_driver.h"
#include "engine/scan_flags.h"
#include "lab.h"
#include "lab_hostile.h"
#include "lab_scale.h"
#include "settings/memory_settings_store.h"
#include "settings/qt/qsettings_store.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;

constexpr int kTimeoutMs = 50;

struct Figures {
    double wall_s = 0;
    double cpu_s = 0;
    double system_s = 0;  // of cpu_s; the lab's forwarding of our datagrams counts here too
    size_t found = 0;
    std::string note;
};

double Seconds(const timeval& tv) {
    return tv.tv_sec + tv.tv_usec / 1e6;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ProcessSystemSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_stime);
}

double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

Figures ScanOnce(const lab::Lab& lab, const std::string& range, uint32_t flags, int threads) {
    MemorySettingsStore store;
    WriteGroupRanges(store, "Default", {range});
    ScanSettings settings;
    settings.FlagsGroup0 = flags;
    settings.PingTimeout = kTimeoutMs;
    settings.ThreadsOfScan = threads;
    SilentScanView view;
    return lab.InScanner([&] {
        NetApiLayer layer;
        LinuxProbeNetwork network(layer);
        ScanEngine engine(settings, network, nullptr, nullptr);
        ScanDriver driver(engine, store, view, nullptr);
        const double cpu_before = ProcessCpuSeconds();
        const double system_before = ProcessSystemSeconds();
        const auto start = std::chrono::steady_clock::now();
        driver.RunScan();
        Figures figures;
        figures.wall_s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        figures.cpu_s = ProcessCpuSeconds() - cpu_before;
        figures.system_s = ProcessSystemSeconds() - system_before;
        figures.found = engine.Hosts().Count();
        return figures;
    });
}

// nbtscan in the scanner's namespace, measured with its children; counts the lab addresses in
// its output and keeps the first line of its error output.
Figures RunNbtscan(const lab::Lab& lab) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        execlp("ip", "ip", "netns", "exec", lab.ScannerNetns().c_str(), "nbtscan", "-t", "50",
               "198.19.0.0/16", nullptr);
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
    figures.system_s = Seconds(usage.ru_stime);
    for (size_t at = output.find("198.19."); at != std::string::npos;
         at = output.find("198.19.", at + 1)) {
        ++figures.found;
    }
    figures.note = output.substr(0, std::min<size_t>(output.find('\n'), 200));
    return figures;
}

void Print(const char* what, const Figures& figures) {
    std::printf("%-40s %7.2f s wall %6.2f s CPU (%5.2f s system) %3zu hosts\n", what,
                figures.wall_s, figures.cpu_s, figures.system_s, figures.found);
    if (!figures.note.empty()) {
        std::printf("  output begins: %s\n", figures.note.c_str());
    }
}

// Lets the event loop run until `done` or the time is up.
bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > std::chrono::milliseconds(limit).count()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The window scans the /16 at 512 threads; a 10 ms timer measures the UI thread's stalls.
void WindowFigures(const lab::Lab& lab, double qt_start_mb) {
    const std::string file = (lab.WorkDir() / "Corvimap.conf").string();
    {
        QSettingsStore store(QString::fromStdString(file));
        ScanSettings settings;
        settings.FlagsGroup0 = ScanFlags::kFastSearch;
        settings.PingTimeout = kTimeoutMs;
        settings.ThreadsOfScan = 512;
        SaveScanSettings(store, "Default", settings);
        WriteGroupRanges(store, "Default", {lab::kScaleRange});
    }
    lab::ScopedThreadNetns in_scanner(lab.ScannerNetns());
    QSettingsStore store(QString::fromStdString(file));
    ProgramSession session(store, [](AppContext& context) { return MakeProgramWindow(context); });
    auto* window = qobject_cast<MainWindow*>(session.Window());
    auto engine = std::static_pointer_cast<AppEngine>(session.Context().engine);
    window->show();
    QApplication::processEvents();
    const double window_mb = ResidentMb();

    QElapsedTimer since_tick;
    qint64 longest_ms = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longest_ms = std::max(longest_ms, since_tick.restart() - 10); });
    FlatButton* refresh = window->SideButton(control_id::kRefresh);
    const auto start = std::chrono::steady_clock::now();
    refresh->click();
    since_tick.start();
    probe.start();
    RunUntil([refresh] { return refresh->text() == "Stop"; }, 10s);
    const bool ended = RunUntil([refresh] { return refresh->text() == "Refresh"; }, 600s);
    probe.stop();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("window scan of the /16, 512 threads: %s in %.1f s, %zu hosts\n",
                ended ? "ended" : "DID NOT END", wall, engine->Scan().Hosts().Count());
    std::printf("  longest UI stall during the scan: %lld ms (beyond the 10 ms tick)\n",
                static_cast<long long>(longest_ms));
    const double after_scan_mb = ResidentMb();

    // 65,536 hosts from a host list file, loaded as the Load button does.
    const auto list = lab.WorkDir() / "hosts65536.txt";
    {
        std::ofstream out(list);
        out << kHostListHeader;
        for (int k = 0; k < 65536; ++k) {
            out << "10." << (k >> 8) << "." << (k & 255) << ".1\tHOST" << k
                << "\t02-00-C6-12-00-0B\t1.5\t\tWORKGROUP\t\n";
        }
    }
    auto* hosts = window->findChild<HostListPane*>();
    hosts->LoadHostListFrom(QString::fromStdString(list.string()));
    RunUntil([] { return false; }, 2s);
    const double loaded_mb = ResidentMb();
    std::printf(
        "resident memory: %.1f MB after Qt's start-up, %.1f MB with the window,\n"
        "  %.1f MB after the /16 scan (+%.1f MB beyond Qt's start-up),\n"
        "  %.1f MB with %zu hosts loaded (+%.1f MB beyond Qt's start-up)\n",
        qt_start_mb, window_mb, after_scan_mb, after_scan_mb - qt_start_mb, loaded_mb,
        engine->Scan().Hosts().Count(), loaded_mb - qt_start_mb);
    window->close();
    engine->WaitForWorkers(AppEngine::kShutdownWait);
    session.End();
}

int Run(int argc, char** argv) {
    const std::string reason = lab::LabUnavailableReason(lab::LabNeeds::kNamespaces);
    if (!reason.empty()) {
        std::printf("bench_scale skipped: %s\n", reason.c_str());
        return 0;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const double qt_start_mb = ResidentMb();

    lab::Lab lab;
    const lab::LabHost& router = lab.AddIcmpHost("router", 250);
    std::vector<std::pair<const lab::LabHost*, std::string>> live;
    const char* addresses[] = {"198.19.3.7", "198.19.77.200", "198.19.160.33", "198.19.255.254"};
    for (int k = 0; k < 4; ++k) {
        live.emplace_back(&lab.AddIcmpHost("live" + std::to_string(k), 31 + k), addresses[k]);
    }
    lab::BuildScaleSegment(lab, router, live);
    std::vector<std::unique_ptr<lab::HostileNetbiosResponder>> responders;
    for (const auto& [host, address] : live) {
        const std::string own = address;
        responders.push_back(lab::InNetns(host->netns, [&own] {
            return std::make_unique<lab::HostileNetbiosResponder>(lab::HostileNetbios::kPlain, own);
        }));
    }

    std::printf("Scan of 198.19.0.0/16, %d ms per-host time-out, 4 live hosts\n", kTimeoutMs);
    Print("fast pass, 64 threads", ScanOnce(lab, lab::kScaleRange, ScanFlags::kFastSearch, 64));
    Print("fast pass, 512 threads", ScanOnce(lab, lab::kScaleRange, ScanFlags::kFastSearch, 512));
    if (lab::ToolAvailable("nbtscan")) {
        Print("nbtscan -t 50 198.19.0.0/16", RunNbtscan(lab));
    }
    const Figures ping = ScanOnce(lab, "198.19.3.0-255", ScanFlags::kPingPass, 7);
    Print("ping pass, 198.19.3.0/24 (sequential)", ping);
    std::printf("  the ping pass over the /16 would take about %.0f s (256 times the /24)\n",
                ping.wall_s * 256);
    WindowFigures(lab, qt_start_mb);
    return 0;
}

}  // namespace
}  // namespace corvimap

int main(int argc, char** argv) {
    return corvimap::Run(argc, argv);
}
