#include "text/text_fill.h"

namespace corvimap {

std::string FillText(std::string_view format, std::initializer_list<std::string_view> values) {
    std::string text;
    const std::string_view* next = values.begin();
    for (size_t at = 0; at < format.size(); ++at) {
        if (format[at] == '%' && at + 1 < format.size() && format[at + 1] == 's') {
            if (next != values.end()) {
                text += *next++;
            }
            ++at;
        } else {
            text += format[at];
        }
    }
    return text;
}

}  // namespace corvimap
