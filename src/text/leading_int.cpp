#include "text/leading_int.h"

#include <limits>

namespace corvimap {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t AtoiValue(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsCSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // strtol clamps to LONG_MAX / LONG_MIN; the magnitude of LONG_MIN is one more.
    const uint64_t limit =
        static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1u : 0u);
    uint64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const unsigned digit = static_cast<unsigned>(text[pos] - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;  // the remaining digits cannot bring it back
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    const uint64_t value = negative ? 0 - magnitude : magnitude;
    // Keeps the low 32 bits, as the int cast of strtol's long does.
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace corvimap
