#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// The external programs of the host menu take a parameter line in which "%a" stands for the
// host's address. The program is started without a shell, so the line is split into arguments
// here, the way a POSIX shell would split it, but nothing else a shell does happens: no
// variables, no globbing, no command substitution.

// The line with its first "%a" replaced by the address; a line without "%a" is returned as is.
std::string ReplaceFirstAddressMark(std::string_view line, std::string_view address);

// Words separated by blanks, tabs or line feeds. Single quotes keep everything up to the next
// single quote; double quotes keep everything up to the next unescaped double quote, where a
// backslash escapes only $ ` " \ and a line feed; outside quotes a backslash keeps the next
// character as it is (and a backslash-line feed pair vanishes). Quotes make a word even when
// empty (""). An unterminated quote runs to the end of the line.
std::vector<std::string> SplitParameterLine(std::string_view line);

}  // namespace corvimap
