#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace corvimap {

// The text with each "%s" replaced by the next value, in order; a "%s" beyond the values stays
// empty, every other character (another "%" too) is kept as it is. Safe for texts of language
// files, which must never reach printf as a format.
std::string FillText(std::string_view format, std::initializer_list<std::string_view> values);

}  // namespace corvimap
