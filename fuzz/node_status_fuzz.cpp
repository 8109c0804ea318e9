// A node status reply from any host on the network: the parser keeps within the datagram, never
// reports more names than the datagram carries whole, and gives well-formed UTF-8.
#include <algorithm>
#include <span>

#include "engine/node_status.h"
#include "fuzz_check.h"

namespace {

constexpr size_t kNameEntrySize = 18;
constexpr size_t kUnitIdSize = 6;

// How many whole name entries the reply carries, read the way the datagram lays them out.
size_t CarriedNames(std::span<const uint8_t> reply, size_t& after_names) {
    const ptrdiff_t count_at = 14 + static_cast<int8_t>(reply[12]) + 10;
    after_names = reply.size();
    if (count_at < 0 || static_cast<size_t>(count_at) >= reply.size()) {
        return 0;
    }
    const size_t claimed =
        static_cast<size_t>(std::max<int>(static_cast<int8_t>(reply[count_at]), 0));
    const size_t room = (reply.size() - static_cast<size_t>(count_at) - 1) / kNameEntrySize;
    if (claimed <= room) {
        after_names = static_cast<size_t>(count_at) + 1 + claimed * kNameEntrySize;
    }
    return std::min(claimed, room);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace corvimap;
    const std::span<const uint8_t> reply(data, size);
    const uint16_t matching_id = size >= 2 ? static_cast<uint16_t>(data[0] | data[1] << 8) : 0;
    const std::optional<NodeStatus> status = ParseNodeStatusReply(reply, matching_id);
    // A reply to another query is never taken.
    FUZZ_CHECK(!ParseNodeStatusReply(reply, static_cast<uint16_t>(matching_id ^ 0x0101)));
    if (!status) {
        return 0;
    }
    FUZZ_CHECK(size >= 13);
    size_t after_names = 0;
    const size_t carried = CarriedNames(reply, after_names);
    const size_t names = (status->name.empty() ? 0 : 1) + (status->workgroup.empty() ? 0 : 1);
    FUZZ_CHECK(names <= carried);
    // 16 CP850 bytes become at most 3 UTF-8 bytes each.
    FUZZ_CHECK(status->name.size() <= 48 && status->workgroup.size() <= 48);
    FUZZ_CHECK(fuzz::IsUtf8(status->name) && fuzz::IsUtf8(status->workgroup));
    const bool has_mac =
        std::any_of(status->mac.begin(), status->mac.end(), [](uint8_t b) { return b != 0; });
    FUZZ_CHECK(!has_mac || after_names + kUnitIdSize <= size);
    return 0;
}
