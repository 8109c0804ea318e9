// Search masks of any text against names of any bytes: matching agrees with a plain
// dynamic-programming matcher, "*" matches every name and every name matches itself.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "search/mask_match.h"

namespace {

using namespace corvimap;

// The characters of a text as "?" counts them: a well-formed UTF-8 sequence, else one byte.
std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> characters;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + length > text.size()) {
            length = 1;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                length = 1;
            }
        }
        characters.push_back(text.substr(i, length));
        i += length;
    }
    return characters;
}

// The name is given as its characters, cut once for all masks.
bool ReferenceMatches(std::string_view mask, const std::vector<std::string_view>& n) {
    if (mask.empty()) {
        return false;
    }
    // matched[j]: the mask so far matches the first j characters of the name.
    std::vector<char> matched(n.size() + 1, 0);
    std::vector<char> next(n.size() + 1, 0);
    matched[0] = 1;
    for (const std::string_view c : Characters(mask)) {
        const bool star = c == "*";
        const bool any = c == "?";
        bool alive = false;
        next[0] = star && matched[0];
        for (size_t j = 1; j <= n.size(); ++j) {
            next[j] = star ? matched[j] || next[j - 1] : matched[j - 1] && (any || c == n[j - 1]);
            alive = alive || next[j];
        }
        if (!alive && !next[0]) {
            return false;  // no prefix of the name matches; no later character changes that
        }
        matched.swap(next);
    }
    return matched[n.size()] != 0;
}

}  // namespace

// The input is the mask text, a line feed, and the name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = fuzz::AsText(data, size);
    const size_t line_feed = input.find('\n');
    const std::string_view mask_text = input.substr(0, line_feed);
    const std::string_view name =
        line_feed == std::string_view::npos ? std::string_view() : input.substr(line_feed + 1);
    const std::vector<std::string> masks = SplitMasks(mask_text);
    const std::vector<std::string_view> name_characters = Characters(name);
    size_t mask_bytes = 0;
    for (const std::string& mask : masks) {
        FUZZ_CHECK(mask.find('|') == std::string::npos);
        mask_bytes += mask.size();
        FUZZ_CHECK(MaskMatches(mask, name) == ReferenceMatches(mask, name_characters));
    }
    FUZZ_CHECK(mask_bytes <= kSearchMaskLimit);
    FUZZ_CHECK(MaskMatches("*", name));
    FUZZ_CHECK(name.empty() || MaskMatches(name, name));
    // Whole characters only: a name ending inside a UTF-8 sequence would join what follows.
    if (fuzz::IsUtf8(name)) {
        FUZZ_CHECK(
            MaskMatches(std::string(name) + "*", std::string(name) + std::string(mask_text)));
    }
    return 0;
}
