#pragma once

#include <string>
#include <string_view>

namespace corvimap {

// The text as a JSON string literal, quotes included. Bytes that are not UTF-8 (Quake servers
// send their own high-bit characters) become U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace corvimap
