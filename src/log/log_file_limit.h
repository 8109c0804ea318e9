#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace corvimap {

inline constexpr int32_t kDefaultMaxLogfileSizeKb = 250;

// The most bytes a log file may hold for "MaxLogfileSize" (in kB of 1024 bytes); 0, meaning no
// limit, for a value of 0 or less.
uint64_t LogFileLimitBytes(int32_t max_kb);

// Appends line (one whole line, newline included) to the log file, creating it if missing, so
// that the file stays within max_bytes (0: no limit). When the append would make the file
// bigger, the oldest whole lines go first: the newest lines are kept and written with the new
// one to a temporary file beside the log, which then replaces it, so a crash leaves either the
// old or the new file and never half a line. A trim leaves a quarter of the limit free, so that
// the file is rewritten only once in a while and not on every message. A line longer than the
// limit is kept whole, alone. False when nothing could be written.
bool AppendLogLineWithinLimit(const std::filesystem::path& path, std::string_view line,
                              uint64_t max_bytes);

}  // namespace corvimap
