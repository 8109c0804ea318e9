// Host table of a whole /16 (65,536 hosts): adding, updating, sorting by every column both
// ways, reading every cell, saving and reading the host list file, and the memory it takes.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/host_list_file.h"
#include "engine/host_table.h"

namespace {

using corvimap::HostColumn;
using corvimap::HostHandle;
using corvimap::HostState;
using corvimap::HostTable;
using corvimap::MacBlock;
using corvimap::NetAddress;

constexpr int kHosts = 65536;

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

class Stopwatch {
public:
    double Ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

const char* ColumnName(int column) {
    static const char* const kNames[] = {"address", "MAC",       "name",       "time",
                                         "found",   "workgroup", "description"};
    return kNames[column];
}

void TimeSortsAndCells(HostTable& table) {
    for (int column = 0; column < 7; ++column) {
        for (const bool descending : {false, true}) {
            Stopwatch sort;
            table.Sort(static_cast<HostColumn>(column), descending);
            std::printf("sort by %-11s %-10s          %8.1f ms\n", ColumnName(column),
                        descending ? "descending" : "ascending", sort.Ms());
        }
    }

    Stopwatch read_cells;
    std::size_t bytes = 0;
    for (std::size_t row = 0; row < table.Count(); ++row) {
        for (int column = 0; column < 7; ++column) {
            bytes += table.ColumnText(row, static_cast<HostColumn>(column)).size();
        }
    }
    std::printf("ColumnText of every cell (%zu bytes):  %8.1f ms\n", bytes, read_cells.Ms());
}

// Saves the table, reads the file into an empty table and then into the full one (a merge).
void TimeHostListFile(HostTable& table) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("bench_host_table_" + std::to_string(::getpid()) + ".txt");
    Stopwatch save;
    const bool saved = corvimap::HostListFile::Save(table, file);
    std::printf("save host list file (%s, %ju bytes): %8.1f ms\n", saved ? "ok" : "FAILED",
                static_cast<uintmax_t>(saved ? std::filesystem::file_size(file) : 0), save.Ms());
    HostTable loaded;
    Stopwatch read;
    corvimap::HostListFile::Read(loaded, file);
    std::printf("read host list file into an empty table (%zu records): %8.1f ms\n", loaded.Count(),
                read.Ms());
    Stopwatch merge;
    corvimap::HostListFile::Read(table, file);
    std::printf("read host list file into the full table (merge):        %8.1f ms\n", merge.Ms());
    std::filesystem::remove(file);
}

}  // namespace

int main() {
    std::mt19937 random(1);
    // The order probes report in: roughly by address, shuffled as parallel probes finish.
    std::vector<NetAddress> addresses(kHosts);
    for (int k = 0; k < kHosts; ++k) {
        addresses[k] = corvimap::MakeAddress(10, 77, static_cast<uint8_t>(k >> 8),
                                             static_cast<uint8_t>(k & 0xFF));
    }
    std::shuffle(addresses.begin(), addresses.end(), random);
    static const char* const kGroups[] = {"WORKGROUP", "WORKGROUP", "WORKGROUP", "HOME", ""};

    const long rss_before = ResidentKiB();
    HostTable table;
    std::vector<HostHandle> records;
    records.reserve(kHosts);

    Stopwatch add;
    for (int k = 0; k < kHosts; ++k) {
        const MacBlock mac = {1,
                              0x00,
                              0x1B,
                              0x21,
                              static_cast<uint8_t>(random()),
                              static_cast<uint8_t>(random()),
                              static_cast<uint8_t>(random())};
        // Hosts found by ping alone have no NetBIOS name.
        const std::string name = k % 3 == 0 ? "" : "HOST-" + std::to_string(k);
        records.push_back(table.AddOrUpdate(addresses[k], random() % 20000, name,
                                            kGroups[random() % 5], mac, HostState::Answered));
    }
    std::printf("add %d records:                    %8.1f ms\n", kHosts, add.Ms());

    Stopwatch update;
    for (int k = 0; k < kHosts; ++k) {
        const MacBlock mac = {1, 0x00, 0x1B, 0x21, 1, 2, static_cast<uint8_t>(k)};
        table.AddOrUpdate(addresses[k], random() % 20000, "HOST-" + std::to_string(k), "WORKGROUP",
                          mac, HostState::Answered);
    }
    std::printf("update %d records:                 %8.1f ms\n", kHosts, update.Ms());

    Stopwatch probe_steps;
    for (int k = 0; k < kHosts; ++k) {
        table.SetState(records[k], HostState::ListingShares);
        if (k % 4 == 0) {
            table.AttachMarker(records[k], {corvimap::kSharesMarker, "C$|music|video"});
        }
        if (k % 16 == 0) {
            table.AttachMarker(records[k], {6, std::nullopt});
        }
        table.FinishProbe(addresses[k]);
        (void)table.TestFlags(addresses[k], corvimap::HostFlags::FastFound);
    }
    std::printf("probe steps (state, markers, finish, flags): %6.1f ms\n", probe_steps.Ms());
    const long rss_after = ResidentKiB();
    std::printf("memory: %ld KiB more resident (%.0f bytes a record)\n", rss_after - rss_before,
                (rss_after - rss_before) * 1024.0 / kHosts);

    TimeSortsAndCells(table);
    TimeHostListFile(table);

    Stopwatch clear;
    table.Clear();
    std::printf("clear:                                %8.1f ms\n", clear.Ms());
    return 0;
}
