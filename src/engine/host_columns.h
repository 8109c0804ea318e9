#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/host_record.h"
#include "engine/mac_vendors.h"

namespace corvimap {

// Reply time as the host list shows it: "<10" for 0, else milliseconds with two decimals below
// 1000 µs, one decimal up to 9999 µs and none above. Independent of the C locale.
std::string FormatHostTime(uint32_t time_us);

// "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X" of bytes 1-6, or "" when byte 0 says the MAC is unknown.
std::string FormatMacText(const MacBlock& mac);

// The found cell: "$IMG|" followed by "%d|" for each marker's kind in marker order; "" when there
// is no marker.
std::string BuildFoundText(const std::vector<HostMarker>& markers);

// The text of one cell of a record; "" for a column outside the known kinds. The vendor column
// names the MAC's vendor from the registry given (none: "").
std::string HostColumnText(const HostRecord& record, HostColumn column,
                           const MacVendors* vendors = nullptr);

}  // namespace corvimap
