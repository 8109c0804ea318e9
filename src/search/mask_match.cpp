#include "search/mask_match.h"

#include <cstdio>

#include "text/pipe_list.h"
#include "text/utf8_cut.h"

namespace corvimap {

std::vector<std::string> SplitMasks(std::string_view text) {
    const std::string_view capped = CutUtf8(text, kSearchMaskLimit);
    std::vector<std::string> masks;
    for (std::size_t i = 0;; ++i) {
        const auto field = PipeField(capped, i);
        if (!field) {
            return masks;
        }
        masks.emplace_back(*field);
    }
}

namespace {

// Bytes of the UTF-8 character that starts at i (1 for a byte that starts none), so that "?"
// stands for one letter of a name, not one byte of it.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + length > text.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

// Whether the mask character at m stands for the name character at n; advances both past them.
bool StepMatches(std::string_view mask, std::size_t& m, std::string_view name, std::size_t& n) {
    const std::size_t mask_length = CharLength(mask, m);
    const std::size_t name_length = CharLength(name, n);
    const bool same = mask[m] == '?' || mask.substr(m, mask_length) == name.substr(n, name_length);
    m += mask_length;
    n += name_length;
    return same;
}

}  // namespace

bool MaskMatches(std::string_view mask, std::string_view name) {
    if (mask.empty()) {
        return false;
    }
    std::size_t m = 0;
    std::size_t n = 0;
    while (n < name.size() && (m >= mask.size() || mask[m] != '*')) {
        if (m >= mask.size() || !StepMatches(mask, m, name, n)) {
            return false;
        }
    }
    // Where to go on when a run after the last "*" fails: the mask just after that "*", and the
    // name one character further than the last try.
    std::size_t restart_mask = 0;
    std::size_t restart_name = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            if (++m == mask.size()) {
                return true;
            }
            restart_mask = m;
            restart_name = n + CharLength(name, n);
            continue;
        }
        std::size_t next_m = m;
        std::size_t next_n = n;
        if (m < mask.size() && StepMatches(mask, next_m, name, next_n)) {
            m = next_m;
            n = next_n;
        } else {
            m = restart_mask;
            n = restart_name;
            restart_name += restart_name < name.size() ? CharLength(name, restart_name) : 1;
        }
    }
    while (m < mask.size() && mask[m] == '*') {
        ++m;
    }
    return m == mask.size();
}

std::string ResultSizeText(uint64_t size) {
    const auto low = static_cast<uint32_t>(size);
    // Reinterpreted as a signed number, as a "%d" of the low 32 bits shows it.
    const auto shown = static_cast<int32_t>(low);
    char text[24];
    if (low > 1048576u) {
        std::snprintf(text, sizeof(text), "%.2d Mb", static_cast<int>(low / 1048576u));
    } else if (low > 1024u) {
        std::snprintf(text, sizeof(text), "%.1d kB", static_cast<int>(low / 1024u));
    } else {
        std::snprintf(text, sizeof(text), "%d", shown);
    }
    return text;
}

std::string ResultTimeText(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof(text), "%d.%m.%Y %H:%M", &local);
    return text;
}

std::string IsoLocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[64];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &local);
    const int offset_minutes = static_cast<int>(local.tm_gmtoff / 60);
    const int magnitude = (offset_minutes < 0 ? -offset_minutes : offset_minutes) % (100 * 60);
    char zone[16];
    std::snprintf(zone, sizeof(zone), "%c%02d:%02d", offset_minutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return std::string(text) + zone;
}

}  // namespace corvimap
