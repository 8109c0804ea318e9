#pragma once

#include <string>
#include <string_view>

namespace corvimap {

// Converts text in the DOS code page 850, which NetBIOS names are sent in, to UTF-8. Every byte
// has a character there, so nothing is dropped; a zero byte is kept as it is.
std::string Cp850ToUtf8(std::string_view bytes);

}  // namespace corvimap
