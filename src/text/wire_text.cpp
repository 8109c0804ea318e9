#include "text/wire_text.h"

namespace corvimap {

std::string ReplaceControlChars(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return out;
}

}  // namespace corvimap
