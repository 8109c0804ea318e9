// Lists the shares of a lab Samba host that speaks the current dialects and of one that speaks
// SMB1 only, many times each, and prints the time per listing; smbclient -L over the same hosts
// for comparison. Needs root.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/share_list.h"
#include "lab.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 40;

struct Timing {
    double median_ms = 0;
    double mean_ms = 0;
    std::string shares;
};

Timing Summarise(std::vector<double> times, std::string shares) {
    std::sort(times.begin(), times.end());
    Timing timing;
    timing.median_ms = times[times.size() / 2];
    for (double each : times) {
        timing.mean_ms += each / static_cast<double>(times.size());
    }
    timing.shares = std::move(shares);
    return timing;
}

Timing TimeListShares(const lab::Lab& lab, const lab::LabHost& host) {
    return lab.InScanner([&] {
        const NetAddress address = InetAddr(host.address);
        std::string shares = ListShares(address);  // the server's first answer starts its helpers
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            const auto start = Clock::now();
            shares = ListShares(address);
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        return Summarise(times, shares);
    });
}

Timing TimeSmbclient(const lab::Lab& lab, const lab::LabHost& host) {
    std::vector<double> times;
    for (int round = 0; round < kRounds / 4; ++round) {
        const auto start = Clock::now();
        lab.ShareList(host.address, 20s);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return Summarise(times, "");
}

lab::SambaHostOptions Host(const char* name, bool smb1_only) {
    lab::SambaHostOptions options;
    options.netbios_name = name;
    options.workgroup = "LABGROUP";
    options.smb1_only = smb1_only;
    options.shares = {{"public", "", {}, {}}, {"media", "", {}, {}}};
    return options;
}

int Run() {
    const std::string reason = lab::LabUnavailableReason(lab::LabNeeds::kSamba);
    if (!reason.empty()) {
        std::fprintf(stderr, "bench_share_list: %s\n", reason.c_str());
        return 1;
    }
    lab::Lab lab;
    const lab::LabHost& current = lab.AddSambaHost("current", 11, Host("CURRENT", false));
    const lab::LabHost& old = lab.AddSambaHost("oldnas", 12, Host("OLDNAS", true));
    if (!lab.WaitForSamba(90s)) {
        std::fprintf(stderr, "bench_share_list: the lab's Samba hosts did not answer\n");
        return 1;
    }
    std::printf("%-28s %10s %10s  %s\n", "share listing", "median ms", "mean ms", "shares");
    for (const lab::LabHost* host : {&current, &old}) {
        const Timing ours = TimeListShares(lab, *host);
        const Timing tool = TimeSmbclient(lab, *host);
        std::printf("%-28s %10.2f %10.2f  %s\n", ("ListShares " + host->samba.netbios_name).c_str(),
                    ours.median_ms, ours.mean_ms, ours.shares.c_str());
        std::printf("%-28s %10.2f %10.2f\n", ("smbclient -L " + host->samba.netbios_name).c_str(),
                    tool.median_ms, tool.mean_ms);
    }
    return 0;
}

}  // namespace
}  // namespace corvimap

int main() {
    return corvimap::Run();
}
