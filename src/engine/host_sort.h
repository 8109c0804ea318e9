#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/host_record.h"
#include "engine/mac_vendors.h"

namespace corvimap {

// Sort keys of records for one column, chosen so that, ascending, row a follows row b exactly when
// a's key is greater: the address as a host-order number, MAC bytes 1-6 from the first, the time,
// and for texts their rank in byte order. The found column (and any unknown column) gives every
// row the same key, so no row ever follows another there. The vendor column ranks the vendor
// texts the registry given names (none: every text is "").
std::vector<uint64_t> HostSortKeys(std::span<const HostRecord* const> records, HostColumn column,
                                   const MacVendors* vendors = nullptr);

// The order the host table puts rows 0..n-1 in: element k is the old index of the row that ends
// at place k. The procedure (insertion sort for short ranges, a partition around the middle row
// otherwise) is kept step by step because the order of rows with equal keys depends on it; in
// descending order a row follows another when it does not follow it ascending, so equal keys
// follow each other.
std::vector<uint32_t> HostSortOrder(std::span<const uint64_t> keys, bool descending);

}  // namespace corvimap
