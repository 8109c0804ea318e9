#include "engine/node_status.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "engine/cp850.h"
#include "engine/net_api_layer.h"
#include "engine/wait_readable.h"
#include "text/wire_text.h"

namespace corvimap {
namespace {

constexpr size_t kNameEntrySize = 18;  // 16 name bytes and 2 flag bytes
constexpr size_t kNameBytes = 16;
constexpr size_t kUnitIdSize = 6;
constexpr uint8_t kGroupNameFlag = 0x80;
constexpr std::array<uint8_t, 4> kNbstatTypeClassIn = {0x00, 0x21, 0x00, 0x01};
// The group name that a local master browser registers besides its workgroup, suffix 0x01
// included; Samba lists it before the workgroup, so it would be taken as the workgroup.
constexpr std::string_view kMasterBrowserName = "\x01\x02__MSBROWSE__\x02\x01";

bool IsMasterBrowserName(std::span<const uint8_t> entry) {
    return std::equal(
        kMasterBrowserName.begin(), kMasterBrowserName.end(), entry.begin(),
        [](char expected, uint8_t byte) { return static_cast<uint8_t>(expected) == byte; });
}

// The 16 name bytes up to the first space or zero byte; a name without either keeps all 16,
// its suffix byte included. Control characters become "?" so that the name stays one field of
// one line in the host list file and the log.
std::string NameText(std::span<const uint8_t> entry) {
    size_t length = 0;
    while (length < kNameBytes && entry[length] != ' ' && entry[length] != 0) {
        ++length;
    }
    return ReplaceControlChars(
        Cp850ToUtf8(std::string_view(reinterpret_cast<const char*>(entry.data()), length)));
}

}  // namespace

std::array<uint8_t, kNodeStatusRequestSize> BuildNodeStatusRequest(uint16_t transaction_id) {
    std::array<uint8_t, kNodeStatusRequestSize> request{};
    request[0] = static_cast<uint8_t>(transaction_id & 0xFF);
    request[1] = static_cast<uint8_t>(transaction_id >> 8);
    request[2] = 0x00;  // a query with only the broadcast bit set
    request[3] = 0x10;
    request[5] = 0x01;  // one question
    request[12] = 0x20;
    // "*" and 15 zero bytes, every byte as two letters: 'A' plus the high and the low half.
    request[13] = 'C';
    request[14] = 'K';
    std::fill(request.begin() + 15, request.begin() + 45, 'A');
    request[45] = 0x00;
    std::copy(kNbstatTypeClassIn.begin(), kNbstatTypeClassIn.end(), request.begin() + 46);
    return request;
}

std::optional<NodeStatus> ParseNodeStatusReply(std::span<const uint8_t> reply,
                                               uint16_t transaction_id) {
    if (reply.size() < 13 || reply[0] != (transaction_id & 0xFF) ||
        reply[1] != (transaction_id >> 8)) {
        return std::nullopt;
    }
    // The length of the answer's encoded name is a signed byte: a length byte of 0x80 or more
    // moves the type field back. Read unsigned, the type field would be looked for elsewhere and
    // such replies, with their hosts, would be read differently or lost. A length that points
    // before the datagram makes no reply.
    const ptrdiff_t name_length = static_cast<int8_t>(reply[12]);
    const ptrdiff_t type_at = 14 + name_length;
    if (type_at < 0 || static_cast<size_t>(type_at) + kNbstatTypeClassIn.size() > reply.size() ||
        !std::equal(kNbstatTypeClassIn.begin(), kNbstatTypeClassIn.end(),
                    reply.begin() + type_at)) {
        return std::nullopt;
    }
    NodeStatus status;
    const size_t count_at = static_cast<size_t>(type_at) + 10;
    if (count_at >= reply.size()) {
        return status;
    }
    // 128 and more read as negative: no names.
    const int count = std::max<int>(static_cast<int8_t>(reply[count_at]), 0);
    size_t position = count_at + 1;
    bool have_unique = false;
    bool have_group = false;
    for (int k = 0; k < count; ++k) {
        if (position + kNameEntrySize > reply.size()) {
            // The reply claims more names than it carries: keep what it does carry, and its
            // unit id is nowhere to be found.
            return status;
        }
        const std::span<const uint8_t> entry = reply.subspan(position, kNameEntrySize);
        const bool group = (entry[kNameBytes] & kGroupNameFlag) != 0;
        if (group && !have_group && !IsMasterBrowserName(entry)) {
            status.workgroup = NameText(entry);
            have_group = true;
        } else if (!group && !have_unique) {
            status.name = NameText(entry);
            have_unique = true;
        }
        position += kNameEntrySize;
    }
    if (position + kUnitIdSize <= reply.size()) {
        HardwareAddress unit_id{};
        std::copy_n(reply.begin() + position, kUnitIdSize, unit_id.begin());
        // Samba sends an all-zero unit id; that is no hardware address.
        if (std::any_of(unit_id.begin(), unit_id.end(), [](uint8_t b) { return b != 0; })) {
            status.mac = KnownMac(unit_id);
        }
    }
    return status;
}

NodeStatusResult NodeStatusQuery(NetApiLayer& layer, NetAddress address, int32_t timeout_ms,
                                 uint16_t port, const WaitCancel* cancel) {
    NodeStatusResult result;
    if (layer.SocketsUnavailable()) {
        return result;
    }
    const uint16_t transaction_id = layer.NextTransactionId();
    const std::array<uint8_t, kNodeStatusRequestSize> request =
        BuildNodeStatusRequest(transaction_id);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return result;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    if (sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&target),
               sizeof(target)) != static_cast<ssize_t>(request.size())) {
        close(fd);
        return result;
    }
    result.time_us = WaitReadable(fd, timeout_ms, 7, cancel).waited_us;
    // From any sender: a host may answer from another of its addresses.
    std::array<uint8_t, kNodeStatusReplyLimit> buffer;
    const ssize_t received = recvfrom(fd, buffer.data(), buffer.size(), 0, nullptr, nullptr);
    close(fd);
    if (received < 0) {
        return result;
    }
    std::optional<NodeStatus> status = ParseNodeStatusReply(
        std::span<const uint8_t>(buffer.data(), static_cast<size_t>(received)), transaction_id);
    if (!status) {
        return result;
    }
    result.answered = true;
    result.status = std::move(*status);
    return result;
}

}  // namespace corvimap
