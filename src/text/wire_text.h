#pragma once

#include <string>
#include <string_view>

namespace corvimap {

// A text that came from a peer (a NetBIOS name, a game server's name) as it may be stored: each
// control character (below 0x20, and 0x7F) becomes "?". The host list file and the log file hold
// one record per line with tab-separated fields, so a peer's tab or line break would otherwise
// split or shift records when they are read back. Every other byte is kept as it is.
std::string ReplaceControlChars(std::string_view text);

}  // namespace corvimap
