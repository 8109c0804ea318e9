// Range texts as users type them or a settings file holds them: the "Add network" fields read
// from any text compose a text that reads back to the same fields, the walker starts where the
// fields say, and a walk over any stored list yields only addresses its ranges name.
#include <atomic>
#include <optional>
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

// The range that names an address: by its start, or by holding it between its ends.
std::optional<size_t> NamingRange(HostOrderAddress host, const std::vector<std::string>& ranges,
                                  const std::vector<HostOrderAddress>& starts) {
    for (size_t k = 0; k < ranges.size(); ++k) {
        if (host == starts[k] || RangeContains(host, ranges[k])) {
            return k;
        }
    }
    return std::nullopt;
}

// Checks that every walked address is named by a range. A range holds every address between its
// ends, so of a stretch of consecutive addresses only the ends of what each range holds are looked
// up (found by halving), not every address.
class WalkedStretches {
public:
    explicit WalkedStretches(const std::vector<std::string>& ranges) : ranges_(ranges) {
        for (const std::string& range : ranges) {
            starts_.push_back(ParseRangeStart(range));
        }
    }
    void Add(HostOrderAddress host) {
        FUZZ_CHECK(host != 0);
        if (started_ && host == last_ + 1) {
            last_ = host;
            return;
        }
        Close();
        started_ = true;
        first_ = last_ = host;
    }
    void Close() const {
        for (HostOrderAddress from = first_; started_;) {
            const std::optional<size_t> range = NamingRange(from, ranges_, starts_);
            FUZZ_CHECK(range.has_value());
            const std::string& text = ranges_[*range];
            if (from == last_ || RangeContains(last_, text)) {
                return;
            }
            if (!RangeContains(from, text)) {
                ++from;  // named by its start alone
                continue;
            }
            HostOrderAddress held = from;
            HostOrderAddress outside = last_;
            while (outside - held > 1) {
                const HostOrderAddress middle = held + (outside - held) / 2;
                (RangeContains(middle, text) ? held : outside) = middle;
            }
            from = outside;
        }
    }

private:
    const std::vector<std::string>& ranges_;
    std::vector<HostOrderAddress> starts_;
    bool started_ = false;
    HostOrderAddress first_ = 0;
    HostOrderAddress last_ = 0;
};

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
    WalkedStretches stretches(truncated);
    const uint64_t walked = WalkRanges(store, kDefaultGroupName, stop, [&](NetAddress address) {
        stretches.Add(ToHostOrder(address));
        if (++seen == kWalkLimit) {
            stop = true;
        }
    });
    stretches.Close();
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
