// MAC vendor registry of ieee-data: reading it, the memory it takes, look-ups, and sorting a
// /16 of hosts by the vendor column.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/host_table.h"
#include "engine/mac_vendors.h"

namespace {

using corvimap::MacBlock;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main() {
    const long rss_before = ResidentKiB();
    auto start = std::chrono::steady_clock::now();
    const auto vendors = corvimap::MacVendors::LoadDirectory(corvimap::kIeeeDataDir);
    const double load_ms = MsSince(start);
    if (!vendors) {
        std::printf("no registry in %s\n", corvimap::kIeeeDataDir);
        return 1;
    }
    std::printf("load %zu prefixes: %8.1f ms, %ld KiB more resident\n", vendors->Size(), load_ms,
                ResidentKiB() - rss_before);

    // Real prefixes are sparse; half the look-ups use a well-known one so both hits and misses
    // are timed.
    std::mt19937 random(7);
    constexpr int kLookups = 1'000'000;
    std::vector<MacBlock> macs(kLookups);
    for (int k = 0; k < kLookups; ++k) {
        MacBlock& mac = macs[k];
        mac[0] = 1;
        for (std::size_t b = 1; b < mac.size(); ++b) {
            mac[b] = static_cast<uint8_t>(random());
        }
        mac[1] &= 0xFC;
        if (k % 2 == 0) {
            mac[1] = 0x00;
            mac[2] = 0x00;
            mac[3] = 0x0C;
        }
    }
    start = std::chrono::steady_clock::now();
    std::size_t named = 0;
    for (const MacBlock& mac : macs) {
        named += vendors->Lookup(mac).empty() ? 0 : 1;
    }
    const double lookup_ms = MsSince(start);
    std::printf("%d look-ups (%zu named): %8.1f ms, %.0f ns each\n", kLookups, named, lookup_ms,
                lookup_ms * 1e6 / kLookups);

    corvimap::HostTable table;
    for (int k = 0; k < 65536; ++k) {
        table.AddOrUpdate(
            corvimap::MakeAddress(10, 0, static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k)), 0,
            "", "", macs[k], corvimap::HostState::Known);
    }
    table.SetVendors(vendors);
    start = std::chrono::steady_clock::now();
    table.Sort(corvimap::HostColumn::Vendor, false);
    std::printf("sort 65536 hosts by vendor: %8.1f ms\n", MsSince(start));
    return 0;
}
