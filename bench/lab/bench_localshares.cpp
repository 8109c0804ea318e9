// CPU of the local shares monitor watching a lab smbd with a connected client and a held file:
// the monitor's thread with the tools it runs, plus a 160 ms refresh of the three lists as the
// window does, first with the pane hidden, then shown. Prints the share of one core; needs root.
// Usage: bench_localshares [SECONDS per phase, default 60]

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "lab.h"
#include "lab_localshares.h"
#include "localshares/local_share_lists.h"
#include "localshares/local_shares_monitor.h"
#include "localshares/memory_row_table.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double Seconds(const timeval& tv) {
    return tv.tv_sec + tv.tv_usec / 1e6;
}

// This process and the tools it has waited for (the lab's daemons and clients are not
// waited for while the phase runs).
double CpuSeconds() {
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return Seconds(self.ru_utime) + Seconds(self.ru_stime) + Seconds(children.ru_utime) +
           Seconds(children.ru_stime);
}

void Phase(const char* name, bool shown, int seconds, LocalSharesMonitor& monitor,
           LocalSharesRefresh& refresh, const testing::MemoryRowTable& sessions,
           const testing::MemoryRowTable& files) {
    monitor.SetPaneShown(shown);
    const uint64_t enumerations = monitor.Enumerations();
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    std::vector<LocalSharesEvent> events;
    while (Clock::now() < end) {
        refresh.Apply(*monitor.Latest(), ::time(nullptr), events);
        std::this_thread::sleep_for(160ms);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double used = CpuSeconds() - cpu;
    const uint64_t runs = monitor.Enumerations() - enumerations;
    std::printf(
        "%-12s %5.1f s  %4llu enumerations (every %.2f s, last %.1f ms CPU)  "
        "CPU %.3f s = %.2f %% of one core  (lists: %d sessions, %d open files)\n",
        name, wall, static_cast<unsigned long long>(runs), runs ? wall / runs : 0.0,
        monitor.LastCost().count() / 1000.0, used, 100.0 * used / wall, sessions.RowCount(),
        files.RowCount());
}

int Run(int seconds) {
    const std::string reason = lab::LabUnavailableReason(lab::LabNeeds::kSamba);
    if (!reason.empty()) {
        std::printf("bench_localshares: skipped, %s\n", reason.c_str());
        return 0;
    }
    lab::Lab lab;
    const lab::LabHost& server = lab.AddSambaHost("srv", 2, lab::LocalSharesServer());
    if (!lab.WaitForShares(server, 60s)) {
        std::printf("bench_localshares: the lab's smbd did not answer\n");
        return 1;
    }
    lab.AddCommandHost("c1", 11, lab::SmbclientSessionCommand(server, "docs", "", ""));
    lab.AddCommandHost("c2", 12, lab::HoldFilesCommand(server, {"limited/a.txt"}, 0, "", ""));

    LocalSharesMonitor::Options options;
    options.smb_conf = lab.SmbConfPath(server).string();
    LocalSharesMonitor monitor(options);
    testing::MemoryRowTable shares(6, true);
    testing::MemoryRowTable sessions(4, false);
    testing::MemoryRowTable files(3, false);
    LocalSharesRefresh refresh(shares, sessions, files);
    monitor.Start();
    std::vector<LocalSharesEvent> events;
    const auto ready = Clock::now() + 30s;
    while ((sessions.RowCount() == 0 || files.RowCount() == 0) && Clock::now() < ready) {
        refresh.Apply(*monitor.Latest(), ::time(nullptr), events);
        std::this_thread::sleep_for(160ms);
    }
    std::printf(
        "local shares monitor, %d s per phase, rule: period = max(%lld ms shown / %lld ms "
        "hidden, %d x CPU of the last enumeration)\n",
        seconds, static_cast<long long>(options.shown_period.count()),
        static_cast<long long>(options.hidden_period.count()), options.cost_factor);
    Phase("pane hidden", false, seconds, monitor, refresh, sessions, files);
    Phase("pane shown", true, seconds, monitor, refresh, sessions, files);
    monitor.Stop();
    return 0;
}

}  // namespace
}  // namespace corvimap

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    return corvimap::Run(seconds);
}
