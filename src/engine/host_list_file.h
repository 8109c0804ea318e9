#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/host_record.h"
#include "engine/host_table.h"

namespace corvimap {

// The host list as a tab-separated text file:
//   the three lines of kHostListHeader (two comment lines, then an empty line)
//   address \t name \t MAC \t time \t (empty) \t workgroup \t description   (one line per host)
class HostListFile {
public:
    // Writes the whole table, row by row while rows exist. The text goes to a temporary file
    // beside the target, which then replaces the target, so a failed save leaves the previous
    // file as it was. False when the file could not be written.
    static bool Save(const HostTable& table, const std::filesystem::path& path);

    // Merges the file's hosts into the table (state 5); no record is removed. False when the
    // file could not be opened or read.
    static bool Read(HostTable& table, const std::filesystem::path& path);
    // The same, with the number of lines that gave a record; nothing when Read gives false.
    static std::optional<std::size_t> ReadRecords(HostTable& table,
                                                  const std::filesystem::path& path);

    // The bytes Save writes.
    static std::string Format(const HostTable& table);

    // What Read does with the file's bytes; returns the number of lines that gave a record.
    static std::size_t Merge(HostTable& table, std::string_view bytes);
};

// The first lines of every saved host list, spelled exactly so ("Generate by" included): a new
// save of the same hosts gives the same bytes as the files users already keep, so comparing two
// saves shows only the hosts that changed.
inline constexpr std::string_view kHostListHeader =
    "# Generate by Corvimap\n# address, name, MAC, time (ms), -, workgroup, description\n\n";

// Lines are read in pieces of at most this many bytes; a longer line goes on as the next piece.
inline constexpr std::size_t kHostListPieceBytes = 254;
// Each of a line's seven fields holds at most this many bytes.
inline constexpr std::size_t kHostListFieldBytes = 254;

// The next piece of `rest`: up to and including the next line feed, but at most
// kHostListPieceBytes bytes, never ending inside a UTF-8 sequence. `rest` moves past it.
std::string_view NextHostListPiece(std::string_view& rest);

struct ParsedHostLine {
    NetAddress address = 0;
    std::string name;
    MacBlock mac{};
    uint32_t time = 0;  // microseconds
    std::string workgroup;
};

// One piece as the reader handles it. Nothing for a comment ("#...") or a piece shorter than
// 7 bytes (its line end included, and counted up to a zero byte). Fields are split by tabs; the
// line ends at the first zero byte, line feed or carriage return; text after a seventh tab is
// ignored.
std::optional<ParsedHostLine> ParseHostListLine(std::string_view piece);

// The MAC block of a MAC text: pairs of hex digits with one separator between pairs; byte 0 is 1
// whenever the text is not empty.
MacBlock ParseMacText(std::string_view text);

// A time text in milliseconds (read like atof in the "C" locale) as microseconds, truncated
// toward zero; negative and NaN give 0, values past the 32-bit range give 4294967295.
uint32_t ParseTimeText(std::string_view text);

}  // namespace corvimap
