#include "settings/scan_settings.h"

#include "settings/group_sections.h"
#include "settings/platform.h"

namespace corvimap {

int32_t DefaultThreadsOfScan() {
    return PlatformIsNT() ? 7 : 3;
}

void LoadScanSettings(const SettingsStore& store, std::string_view group, ScanSettings& settings) {
    const std::string flags = GroupFlagsSection(group);
    const std::string timing = GroupTimingSection(group);
    settings.FlagsGroup0 =
        static_cast<uint32_t>(store.GetProfileInt(flags, "FlagsGroup0", kDefaultFlagsGroup0));
    settings.FlagsGroup1 =
        static_cast<uint32_t>(store.GetProfileInt(flags, "FlagsGroup1", kDefaultFlagsGroup1));
    settings.PingTimeout = store.GetProfileInt(timing, "PingTimeout", kDefaultPingTimeout);
    settings.ScanEvery = store.GetProfileInt(timing, "ScanEvery", kDefaultScanEvery);
    settings.ThreadsOfScan = store.GetProfileInt(timing, "ThreadsOfScan", DefaultThreadsOfScan());
    settings.ParallelPing = store.GetProfileInt(timing, "ParallelPing", kDefaultParallelPing) != 0;
}

void SaveScanSettings(SettingsStore& store, std::string_view group, const ScanSettings& settings) {
    const std::string flags = GroupFlagsSection(group);
    const std::string timing = GroupTimingSection(group);
    store.WriteProfileInt(flags, "FlagsGroup0", static_cast<int32_t>(settings.FlagsGroup0.load()));
    store.WriteProfileInt(flags, "FlagsGroup1", static_cast<int32_t>(settings.FlagsGroup1.load()));
    store.WriteProfileInt(timing, "PingTimeout", settings.PingTimeout);
    store.WriteProfileInt(timing, "ScanEvery", settings.ScanEvery);
    store.WriteProfileInt(timing, "ThreadsOfScan", settings.ThreadsOfScan);
    store.WriteProfileInt(timing, "ParallelPing", settings.ParallelPing ? 1 : 0);
}

}  // namespace corvimap
