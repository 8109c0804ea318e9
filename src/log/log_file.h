#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "log/log_rows.h"

namespace corvimap {

// A log file holds one line per message: time stamp, tab, text, tab, kind, newline. Lines are read
// back in pieces of at most kLogLinePieceBytes bytes, a longer line going on as a further line.
inline constexpr size_t kLogLinePieceBytes = 1023;

// when as local time, "%d.%m.%Y / %H:%M:%S".
std::string FormatLogStamp(std::time_t when);

// The file line of a message, newline included. Texts are written as they are, tabs and all.
std::string FormatLogLine(std::string_view stamp, std::string_view text, int32_t kind);

// One line (or piece of a line): the stamp before the first tab, the text up to the second tab,
// the kind read like atoi after it. Nothing when the line lacks two tabs.
std::optional<LogRow> ParseLogLine(std::string_view line);

// Adds every row of a log file's bytes to rows, which keep only the last ones.
void ReadLogRows(std::string_view bytes, LogRows& rows);

// The same for a file, read in blocks so that a large file costs no more memory than the rows
// kept. False when the file can't be opened or read.
bool ReadLogFile(const std::filesystem::path& path, LogRows& rows);

// Appends line to the file in one write, creating the file if missing. False when that fails.
bool AppendLogLine(const std::filesystem::path& path, std::string_view line);

}  // namespace corvimap
