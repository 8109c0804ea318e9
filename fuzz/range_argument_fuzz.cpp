// Command-line ranges of any text: an accepted one is a range text the walker and the
// "Add network" fields read alike, a refused one says why on one line, and a host name is
// looked up at most once (here by a stand-in; nothing goes to a resolver).
#include <string>

#include "cli/range_argument.h"
#include "engine/address_range.h"
#include "fuzz_check.h"
#include "options/add_network_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace corvimap;
    const std::string_view text = fuzz::AsText(data, size);
    int lookups = 0;
    const HostNameLookup stand_in = [&](std::string_view name) -> std::optional<NetAddress> {
        ++lookups;
        if (name.size() % 3 == 0) {
            return std::nullopt;
        }
        return static_cast<NetAddress>(name.size() * 2654435761u);
    };
    const RangeArgument argument = ParseRangeArgument(text, stand_in);
    FUZZ_CHECK(lookups <= 1);
    if (!argument.range) {
        FUZZ_CHECK(!argument.error.empty() && argument.error.find('\n') == std::string::npos);
        return 0;
    }
    const std::string& range = *argument.range;
    const AddNetworkFields fields = FieldsFromRangeText(range);
    const HostOrderAddress first = static_cast<HostOrderAddress>(fields.first[0]) << 24 |
                                   fields.first[1] << 16 | fields.first[2] << 8 | fields.first[3];
    FUZZ_CHECK(ParseRangeStart(range) == first);
    FUZZ_CHECK(range.size() <= kMaxRangeLength);
    return 0;
}
