#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// The mask field holds at most this many bytes (never cut inside a UTF-8 sequence).
inline constexpr std::size_t kSearchMaskLimit = 254;

// The masks of the mask text: its "|" fields in order, while a field exists. An empty field
// between two "|" is an empty mask (it matches nothing); a trailing "|" adds nothing.
std::vector<std::string> SplitMasks(std::string_view text);

// Case-sensitive, byte by byte: "?" matches one byte, "*" any run of bytes (the empty run too).
// An empty mask matches nothing.
bool MaskMatches(std::string_view mask, std::string_view name);

// The Size column: the low 32 bits s of the size; above 1048576 "%.2d Mb" of s / 1048576, else
// above 1024 "%.1d kB" of s / 1024, else "%d" of s.
std::string ResultSizeText(uint64_t size);

// The Date/Time column: local time, "%d.%m.%Y %H:%M".
std::string ResultTimeText(std::time_t time);

// Local time in ISO 8601 with its offset: "2026-12-07T01:09:49+01:00".
std::string IsoLocalTime(std::time_t time);

}  // namespace corvimap
