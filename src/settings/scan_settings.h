#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "settings/settings_store.h"

namespace corvimap {

// The values of the current group that live in memory while the program runs. Worker threads
// read them while the options page may change them, hence atomics.
struct ScanSettings {
    std::atomic<uint32_t> FlagsGroup0{0x11};
    std::atomic<uint32_t> FlagsGroup1{0};
    std::atomic<int32_t> PingTimeout{50};
    std::atomic<int32_t> ScanEvery{0};
    std::atomic<int32_t> ThreadsOfScan{7};
    // The ping pass asks every address at once instead of one after the other.
    std::atomic<bool> ParallelPing{false};

    bool HasFlag(uint32_t mask) const { return (FlagsGroup0.load() & mask) != 0; }
};

inline constexpr int32_t kDefaultFlagsGroup0 = 0x11;
inline constexpr int32_t kDefaultFlagsGroup1 = 0;
inline constexpr int32_t kDefaultPingTimeout = 50;
inline constexpr int32_t kDefaultScanEvery = 0;
inline constexpr int32_t kDefaultParallelPing = 0;
int32_t DefaultThreadsOfScan();

// Reads the named group's values from its sections, with the defaults.
void LoadScanSettings(const SettingsStore& store, std::string_view group, ScanSettings& settings);
// Writes all the values into the named group's sections ("ParallelPing" as 1 or 0).
void SaveScanSettings(SettingsStore& store, std::string_view group, const ScanSettings& settings);

}  // namespace corvimap
