#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ipv4.h"
#include "text/leading_int.h"

namespace corvimap {

// A network as the user writes it: "w.x.y.z-v" (the last octet runs from z to v) or
// "w.x.y.z>p.q.r.s" (a range across octets). The scanner holds ranges as these texts only.
inline constexpr size_t kMaxRangeLength = 255;

// Cuts a range text to kMaxRangeLength bytes, never inside a UTF-8 sequence.
std::string TruncateRangeText(std::string_view text);

// The text's first address as a host-order number, or 0 when the text has neither "-" nor ">".
// "-" wins over ">" wherever it stands; the part in front of it is read like inet_addr, so junk
// gives 255.255.255.255.
HostOrderAddress ParseRangeStart(std::string_view text);

// Whether first <= address <= last, all host-order. With "-" the last address is the first one
// with its last octet replaced by the number after "-" (read like atoi, masked to a byte); with
// ">" it is the address after ">". A text with neither contains nothing.
bool RangeContains(HostOrderAddress address, std::string_view text);

}  // namespace corvimap
