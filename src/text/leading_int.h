#pragma once

#include <cstdint>
#include <string_view>

namespace corvimap {

// Reads a decimal number the way the C library's atoi does on this system: leading white space,
// an optional sign, digits up to the first non-digit; 0 when there are none. An overflowing
// number is clamped to the 64-bit range first and then cut to 32 bits, as atoi = (int)strtol
// does, without undefined behaviour.
int32_t AtoiValue(std::string_view text);

}  // namespace corvimap
