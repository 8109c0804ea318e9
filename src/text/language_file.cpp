#include "text/language_file.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "text/leading_int.h"
#include "text/line_pieces.h"

namespace corvimap {
namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// Calls visit(entry) for each entry in file order until it returns false.
template <typename Visit>
void VisitEntries(std::string_view bytes, Visit&& visit) {
    bool go_on = true;
    ForEachLinePiece(bytes, kLanguageLinePieceBytes, [&](std::string_view line) {
        if (!go_on) {
            return;
        }
        if (std::optional<LanguageEntry> entry = ParseLanguageLine(line)) {
            go_on = visit(*entry);
        }
    });
}

}  // namespace

std::optional<LanguageEntry> ParseLanguageLine(std::string_view line) {
    size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    size_t open = line.find('"', comma + 1);
    size_t close = line.rfind('"');
    if (open == std::string_view::npos || close == open) {
        return std::nullopt;
    }
    return LanguageEntry{AtoiValue(line.substr(0, comma)),
                         std::string(line.substr(open + 1, close - open - 1))};
}

std::vector<LanguageEntry> ParseLanguageFile(std::string_view bytes) {
    std::vector<LanguageEntry> entries;
    VisitEntries(bytes, [&](LanguageEntry& entry) {
        entries.push_back(std::move(entry));
        return true;
    });
    return entries;
}

std::optional<std::string> FindLanguageName(std::string_view bytes) {
    std::optional<std::string> name;
    VisitEntries(bytes, [&](LanguageEntry& entry) {
        if (entry.id != kLanguageNameId) {
            return true;
        }
        name = std::move(entry.text);
        return false;
    });
    return name;
}

std::optional<std::string> MatchLanguageName(std::string_view bytes, std::string_view name) {
    std::optional<std::string> match;
    VisitEntries(bytes, [&](LanguageEntry& entry) {
        if (entry.id != kLanguageNameId || !EqualsIgnoringAsciiCase(entry.text, name)) {
            return true;
        }
        match = std::move(entry.text);
        return false;
    });
    return match;
}

std::vector<std::filesystem::path> ListLanguageFiles(
    const std::vector<std::filesystem::path>& folders) {
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path& folder : folders) {
        if (folder.empty()) {
            continue;
        }
        std::error_code error;
        std::filesystem::directory_iterator it(folder, error);
        for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::filesystem::path& path = it->path();
            std::error_code type_error;
            if (path.extension() == ".lng" && it->is_regular_file(type_error)) {
                files.push_back(path);
            }
        }
    }
    return files;
}

std::optional<std::string> ReadLanguageFile(const std::filesystem::path& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char block[16384];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        bytes.append(block, got);
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace corvimap
