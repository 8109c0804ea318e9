#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace corvimap {

// Reads a decimal number the way atoi does: leading white space, an optional sign, then digits up
// to the first non-digit; no digits give 0. Unlike atoi it cannot overflow: values beyond the
// 32-bit range are clamped to it.
inline int32_t ParseLeadingInt(std::string_view text) {
    size_t i = 0;
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && is_space(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLimit) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        value = value > kLimit ? -kLimit : -value;
    } else if (value > kLimit - 1) {
        value = kLimit - 1;
    }
    return static_cast<int32_t>(value);
}

}  // namespace corvimap
