#include "text/pipe_list.h"

namespace corvimap {

void AppendField(std::string& list, std::string_view field) {
    if (!list.empty()) {
        list += '|';
    }
    list += field;
}

std::optional<std::string_view> PipeField(std::string_view text, size_t index) {
    if (text.empty()) {
        return std::nullopt;
    }
    size_t start = 0;
    for (size_t separators = 0; separators < index; ++separators) {
        const size_t bar = text.find('|', start);
        if (bar == std::string_view::npos || bar + 1 == text.size()) {
            return std::nullopt;
        }
        start = bar + 1;
    }
    const size_t end = text.find('|', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

}  // namespace corvimap
