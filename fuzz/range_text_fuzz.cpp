// Range texts as users type them or a settings file holds them: the "Add network" fields read
// from any text compose a text that reads back to the same fields, the walker starts where the
// fields say, and a walk over any stored list yields only addresses its ranges name.
#include <atomic>
#include <string>
#include <vector>

#include "engine/address_range.h"
#include "engine/ipv4.h"
#include "engine/network_groups.h"
#include "engine/range_walk.h"
#include "fuzz_check.h"
#include "options/add_network_fields.h"
#include "settings/group_sections.h"
#include "settings/memory_settings_store.h"

namespace {

using namespace corvimap;

constexpr uint64_t kWalkLimit = 4096;

HostOrderAddress OctetsValue(const Octets& octets) {
    return static_cast<HostOrderAddress>(octets[0]) << 24 | octets[1] << 16 | octets[2] << 8 |
           octets[3];
}

void CheckFields(std::string_view text) {
    const AddNetworkFields fields = FieldsFromRangeText(text);
    const std::string composed = ComposeRangeText(fields);
    const AddNetworkFields again = FieldsFromRangeText(composed);
    FUZZ_CHECK(again.first == fields.first && again.last == fields.last &&
               again.full_form == fields.full_form && again.last_byte == fields.last_byte &&
               again.last_byte_label == fields.last_byte_label);
    FUZZ_CHECK(ComposeRangeText(again) == composed);
    // What the dialog composes, the walker reads the same way.
    const HostOrderAddress first = OctetsValue(fields.first);
    FUZZ_CHECK(ParseRangeStart(composed) == first);
    const HostOrderAddress last =
        fields.full_form ? OctetsValue(fields.last) : (first & 0xFFFFFF00u) | fields.last[3];
    FUZZ_CHECK(RangeContains(first, composed) == (first <= last));
    FUZZ_CHECK(RangeContains(last, composed) == (first <= last));
}

void CheckLastByte(std::string_view text) {
    const std::optional<int> value = ParseLastByteText(text);
    FUZZ_CHECK(!value || (*value >= 0 && *value <= 255));
    if (value) {
        FUZZ_CHECK(ParseLastByteText(std::to_string(*value)) == value);
    }
}

void CheckWalk(const std::vector<std::string>& ranges) {
    MemorySettingsStore store;
    WriteGroupRanges(store, kDefaultGroupName, ranges);
    std::vector<std::string> truncated;
    for (const std::string& range : ranges) {
        const std::string cut = TruncateRangeText(range);
        FUZZ_CHECK(cut.size() <= kMaxRangeLength && range.starts_with(cut));
        truncated.push_back(cut);
    }
    FUZZ_CHECK(ReadFirstRange(store, kDefaultGroupName) == (ranges.empty() ? "" : truncated[0]));
    std::atomic<bool> stop{false};
    uint64_t seen = 0;
    const uint64_t walked = WalkRanges(store, kDefaultGroupName, stop, [&](NetAddress address) {
        const HostOrderAddress host = ToHostOrder(address);
        FUZZ_CHECK(host != 0);
        bool named = false;
        for (const std::string& range : truncated) {
            named = named || host == ParseRangeStart(range) || RangeContains(host, range);
        }
        FUZZ_CHECK(named);
        if (++seen == kWalkLimit) {
            stop = true;
        }
    });
    FUZZ_CHECK(walked == seen && walked <= kWalkLimit);
}

}  // namespace

// The input is one range text per line; the first line also goes through the dialog's fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest = fuzz::AsText(data, size);
    std::vector<std::string> ranges;
    while (!rest.empty() && ranges.size() < 16) {
        const size_t line_feed = rest.find('\n');
        ranges.emplace_back(rest.substr(0, line_feed));
        rest =
            line_feed == std::string_view::npos ? std::string_view() : rest.substr(line_feed + 1);
    }
    for (const std::string& range : ranges) {
        CheckFields(range);
        CheckLastByte(range);
    }
    CheckWalk(ranges);
    return 0;
}
