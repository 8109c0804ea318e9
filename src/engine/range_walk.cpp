#include "engine/range_walk.h"

#include "engine/address_range.h"
#include "engine/network_groups.h"
#include "settings/group_sections.h"

namespace corvimap {
namespace {

std::string ReadRange(const SettingsStore& store, const std::string& section, uint32_t index) {
    return TruncateRangeText(store.GetProfileString(section, NetValueName(index), ""));
}

}  // namespace

std::string ReadFirstRange(const SettingsStore& store, std::string_view group) {
    return ReadRange(store, NetsSection(group), 0);
}

uint64_t WalkRanges(const SettingsStore& store, std::string_view group,
                    const std::atomic<bool>& stop_requested,
                    const std::function<void(NetAddress)>& on_address) {
    const std::string section = NetsSection(group);
    uint32_t index = 0;
    std::string range = ReadRange(store, section, index);
    HostOrderAddress address = ParseRangeStart(range);
    uint64_t walked = 0;
    while (!stop_requested.load() && address != 0) {
        on_address(ToNetOrder(address));
        ++walked;
        ++address;  // wraps after 255.255.255.255 to 0, which no range contains
        if (RangeContains(address, range)) {
            continue;
        }
        ++index;
        // Read each time: the options page may change the list while a scan runs.
        const auto count = static_cast<uint32_t>(store.GetProfileInt(section, "NetsNumbers", 0));
        if (index >= count) {
            break;
        }
        range = ReadRange(store, section, index);
        address = ParseRangeStart(range);
    }
    return walked;
}

}  // namespace corvimap
