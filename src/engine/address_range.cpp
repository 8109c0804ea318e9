#include "engine/address_range.h"

#include "text/utf8_cut.h"

#include <limits>

namespace corvimap {
namespace {

// Where the first address ends: the first "-", else the first ">".
size_t SeparatorPosition(std::string_view text) {
    const size_t dash = text.find('-');
    return dash != std::string_view::npos ? dash : text.find('>');
}

}  // namespace

std::string TruncateRangeText(std::string_view text) {
    return std::string(CutUtf8(text, kMaxRangeLength));
}

HostOrderAddress ParseRangeStart(std::string_view text) {
    const size_t separator = SeparatorPosition(text);
    if (separator == std::string_view::npos) {
        return 0;
    }
    return ToHostOrder(InetAddr(text.substr(0, separator)));
}

bool RangeContains(HostOrderAddress address, std::string_view text) {
    const size_t separator = SeparatorPosition(text);
    if (separator == std::string_view::npos) {
        return false;
    }
    const HostOrderAddress first = ToHostOrder(InetAddr(text.substr(0, separator)));
    const std::string_view after = text.substr(separator + 1);
    HostOrderAddress last;
    if (text[separator] == '-') {
        const uint32_t last_byte = static_cast<uint32_t>(AtoiValue(after)) & 0xFFu;
        last = (first & 0xFFFFFF00u) | last_byte;
    } else {
        last = ToHostOrder(InetAddr(after));
    }
    return first <= address && address <= last;
}

}  // namespace corvimap
