#pragma once

#include <cstddef>
#include <string_view>

namespace corvimap {

// The first max_bytes bytes of text. When the cut would split a UTF-8 sequence, the whole
// sequence is left out instead, so a capped name never ends in half a character. Bytes that do
// not form UTF-8 (Quake's own high-bit characters) are cut at the byte limit.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

}  // namespace corvimap
