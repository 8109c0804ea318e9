#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ipv4.h"

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

// Reads a decimal number the way the C library's atoi does on this system: leading white space,
// an optional sign, digits up to the first non-digit; 0 when there are none. An overflowing
// number is clamped to the 64-bit range first and then cut to 32 bits, as atoi = (int)strtol
// does, without undefined behaviour.
int32_t AtoiValue(std::string_view text);

}  // namespace corvimap
