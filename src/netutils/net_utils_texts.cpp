#include "netutils/net_utils_texts.h"

#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {

std::string UnknownHostText(const std::string& host) {
    // The host text goes in place of "%s" as it stands, never through printf: a language file's
    // text must not be able to read beyond the one argument.
    std::string text = StringTable::Lookup(text_id::kUnknownHost);
    const size_t place = text.find("%s");
    if (place != std::string::npos) {
        text.replace(place, 2, host);
    }
    return text;
}

std::string IcmpUnavailableText() {
    return StringTable::Lookup(text_id::kIcmpUnavailableForUtilities);
}

}  // namespace corvimap
