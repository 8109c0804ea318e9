#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// A language file is plain text, one entry a line: a decimal id, a comma, then the text between
// the first double quote after the comma and the last double quote of the line. Quotes inside
// the text stay part of it; there are no escapes. Lines are read in pieces of at most
// kLanguageLinePieceBytes bytes, a longer line going on as a further line. The line with id -1
// names the language.
inline constexpr size_t kLanguageLinePieceBytes = 254;
inline constexpr int32_t kLanguageNameId = -1;

struct LanguageEntry {
    int32_t id = 0;
    std::string text;

    bool operator==(const LanguageEntry&) const = default;
};

// One line (or piece of a line). Nothing for a line without a comma, and nothing for a line whose
// comma is not followed by two double quotes: such a line has no text to take.
std::optional<LanguageEntry> ParseLanguageLine(std::string_view line);

// Every entry of a file, in file order; duplicate ids are kept.
std::vector<LanguageEntry> ParseLanguageFile(std::string_view bytes);

// The text of the first id -1 line, the name the language is listed under.
std::optional<std::string> FindLanguageName(std::string_view bytes);

// The text of the first id -1 line that equals name without regard to ASCII letter case: the
// name as the file spells it, or nothing when no id -1 line carries it.
std::optional<std::string> MatchLanguageName(std::string_view bytes, std::string_view name);

// The "*.lng" regular files of each folder, folder by folder, each in the order the file system
// lists them. Missing or unreadable folders give nothing.
std::vector<std::filesystem::path> ListLanguageFiles(
    const std::vector<std::filesystem::path>& folders);

// The whole file, or nothing when it can't be opened or read.
std::optional<std::string> ReadLanguageFile(const std::filesystem::path& path);

}  // namespace corvimap
