#include "engine/address_range.h"

#include <limits>

namespace corvimap {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the first address ends: the first "-", else the first ">".
size_t SeparatorPosition(std::string_view text) {
    const size_t dash = text.find('-');
    return dash != std::string_view::npos ? dash : text.find('>');
}

}  // namespace

std::string TruncateRangeText(std::string_view text) {
    if (text.size() <= kMaxRangeLength) {
        return std::string(text);
    }
    size_t cut = kMaxRangeLength;
    // Back off to the lead byte of a sequence the cut would split.
    while (cut > 0 && IsUtf8Continuation(text[cut])) {
        --cut;
    }
    return std::string(text.substr(0, cut));
}

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

HostOrderAddress ParseRangeStart(std::string_view text) {
    const size_t separator = SeparatorPosition(text);
    if (separator == std::string_view::npos) {
        return 0;
    }
    return ToHostOrder(InetAddr(text.substr(0, separator)));
}

bool RangeContains(HostOrderAddress address, std::string_view text) {
    const size_t separator = SeparatorPosition(text);
    if (separator == std::string_view::npos) {
        return false;
    }
    const HostOrderAddress first = ToHostOrder(InetAddr(text.substr(0, separator)));
    const std::string_view after = text.substr(separator + 1);
    HostOrderAddress last;
    if (text[separator] == '-') {
        const uint32_t last_byte = static_cast<uint32_t>(AtoiValue(after)) & 0xFFu;
        last = (first & 0xFFFFFF00u) | last_byte;
    } else {
        last = ToHostOrder(InetAddr(after));
    }
    return first <= address && address <= last;
}

}  // namespace corvimap
