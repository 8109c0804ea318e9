#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvimap {

// Short lists travel as "|"-separated texts: a host's shares, the search masks, a game server
// report. Fields are never escaped.

// Adds "|" and the field, or the field alone to an empty text.
void AppendField(std::string& list, std::string_view field);

// Field n: the text after the n-th "|" up to the next "|" or the end (field 0 starts the text).
// It does not exist when the text has fewer than n separators or when the n-th separator is the
// last character; field 0 of an empty text does not exist.
std::optional<std::string_view> PipeField(std::string_view text, size_t index);

}  // namespace corvimap
