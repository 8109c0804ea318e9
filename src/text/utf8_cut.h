#pragma once

#include <cstddef>
#include <string_view>

namespace corvimap {

// The length of the longest prefix of text that has at most max_bytes bytes and does not split
// a UTF-8 sequence: texts are UTF-8, so a byte limit must not leave half a character behind.
// Bytes that do not form UTF-8 (Quake's own high-bit characters, stray bytes) are cut at the
// limit. Only a limit smaller than the first character gives 0.
size_t Utf8PrefixLength(std::string_view text, size_t max_bytes);

// That prefix itself.
inline std::string_view CutUtf8(std::string_view text, size_t max_bytes) {
    return text.substr(0, Utf8PrefixLength(text, max_bytes));
}

}  // namespace corvimap
