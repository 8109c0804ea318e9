#pragma once

#include <cstddef>
#include <string_view>

namespace corvimap {

// The length of the longest prefix of text that has at most max_bytes bytes and does not end
// inside a UTF-8 sequence. Texts are UTF-8, so a byte limit must not leave half a character
// behind. Only up to three continuation bytes are given back: bytes that are not UTF-8 at all
// are cut at the limit, and a non-empty text never yields an empty prefix while max_bytes > 0.
inline size_t Utf8PrefixLength(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text.size();
    }
    auto is_continuation = [&](size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    size_t cut = max_bytes;
    for (int back = 0; back < 3 && cut > 0 && is_continuation(cut); ++back) {
        --cut;
    }
    if (cut == 0 || is_continuation(cut)) {
        return max_bytes;
    }
    return cut;
}

}  // namespace corvimap
