// A language file of any bytes: the reader's line pieces do not depend on how the bytes arrive,
// entries never outnumber the pieces, and the language name is the first entry of id -1.
#include <cctype>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "text/language_file.h"
#include "text/line_pieces.h"

namespace {

using namespace corvimap;

std::vector<std::string> PiecesInBlocks(std::string_view bytes, size_t block) {
    std::vector<std::string> pieces;
    const auto keep = [&](std::string_view piece) { pieces.emplace_back(piece); };
    LinePieceSplitter splitter(kLanguageLinePieceBytes);
    for (size_t at = 0; at < bytes.size(); at += block) {
        splitter.Feed(bytes.substr(at, block), keep);
    }
    splitter.Finish(keep);
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte is the block size a file read would hand over.
    const size_t block = data[0] + 1u;
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    const std::vector<std::string> pieces = PiecesInBlocks(bytes, bytes.size() + 1);
    FUZZ_CHECK(PiecesInBlocks(bytes, block) == pieces);
    const bool utf8 = fuzz::IsUtf8(bytes);
    for (const std::string& piece : pieces) {
        FUZZ_CHECK(piece.size() <= kLanguageLinePieceBytes &&
                   piece.find('\n') == std::string::npos);
        FUZZ_CHECK(!utf8 || fuzz::IsUtf8(piece));
    }
    const std::vector<LanguageEntry> entries = ParseLanguageFile(bytes);
    FUZZ_CHECK(entries.size() <= pieces.size());
    const LanguageEntry* named = nullptr;
    for (const LanguageEntry& entry : entries) {
        FUZZ_CHECK(entry.text.size() + 3 <= kLanguageLinePieceBytes);
        if (!named && entry.id == kLanguageNameId) {
            named = &entry;
        }
    }
    const std::optional<std::string> name = FindLanguageName(bytes);
    FUZZ_CHECK(name.has_value() == (named != nullptr));
    if (name) {
        FUZZ_CHECK(*name == named->text);
        std::string shouted = *name;
        for (char& c : shouted) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        const std::optional<std::string> match = MatchLanguageName(bytes, shouted);
        FUZZ_CHECK(match.has_value() && match->size() == name->size());
    }
    return 0;
}
