#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/ipv4.h"
#include "settings/settings_store.h"

namespace corvimap {

// The group's first range ("Net_00", "" when absent), cut to the range length limit. The scan
// reads it before anything else and does not walk at all when it is empty.
std::string ReadFirstRange(const SettingsStore& store, std::string_view group);

// Walks every address of the group's ranges in stored order, calling on_address with each
// address in network order. The walk starts at "Net_00" whatever "NetsNumbers" says; after each
// range it re-reads "NetsNumbers" (compared unsigned) and moves to the next "Net_%2.2d". A range
// whose first address is 0 (neither "-" nor ">", or a missing value) ends the walk; a range whose
// last address is below its first yields its first address once. The stop flag is checked before
// each address. Returns the number of addresses handed to on_address.
uint64_t WalkRanges(const SettingsStore& store, std::string_view group,
                    const std::atomic<bool>& stop_requested,
                    const std::function<void(NetAddress)>& on_address);

}  // namespace corvimap
