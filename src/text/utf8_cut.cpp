#include "text/utf8_cut.h"

namespace corvimap {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0u) == 0x80u;
}

// Length of the sequence that a lead byte starts, 0 when it is no lead byte.
size_t SequenceLength(unsigned char byte) {
    if ((byte & 0xE0u) == 0xC0u) {
        return 2;
    }
    if ((byte & 0xF0u) == 0xE0u) {
        return 3;
    }
    if ((byte & 0xF8u) == 0xF0u) {
        return 4;
    }
    return 0;
}

}  // namespace

size_t Utf8PrefixLength(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text.size();
    }
    if (!IsContinuation(static_cast<unsigned char>(text[max_bytes]))) {
        return max_bytes;
    }
    // The byte after the cut continues a sequence: look back (at most three bytes) for its lead.
    size_t lead = max_bytes;
    while (lead > 0 && max_bytes - lead < 3 &&
           IsContinuation(static_cast<unsigned char>(text[lead - 1]))) {
        --lead;
    }
    if (lead == 0) {
        return max_bytes;
    }
    --lead;
    const size_t length = SequenceLength(static_cast<unsigned char>(text[lead]));
    if (length == 0 || lead + length <= max_bytes) {
        return max_bytes;  // not a sequence that the cut would split
    }
    for (size_t i = lead + 1; i < lead + length && i < text.size(); ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
            return max_bytes;  // broken sequence: plain bytes
        }
    }
    return lead;
}

}  // namespace corvimap
