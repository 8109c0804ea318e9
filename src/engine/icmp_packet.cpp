#include "engine/icmp_packet.h"

#include <cstring>

namespace corvimap {
namespace {

using namespace icmp_type;

constexpr uint8_t kProtocolIcmp = 1;
constexpr size_t kMinIpHeaderSize = 20;

NetAddress ReadAddress(std::span<const uint8_t> bytes, size_t offset) {
    NetAddress address = 0;
    std::memcpy(&address, bytes.data() + offset, sizeof(address));
    return address;
}

uint16_t InternetChecksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        sum += ReadIcmp16(bytes, i);
    }
    if (bytes.size() % 2 != 0) {
        sum += static_cast<uint32_t>(bytes.back()) << 8;
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

bool IsQuotedRequest(std::span<const uint8_t> quoted, NetAddress destination, uint16_t identifier,
                     uint16_t sequence) {
    if (quoted.size() < kMinIpHeaderSize) {
        return false;
    }
    const size_t header_size = static_cast<size_t>(quoted[0] & 0x0F) * 4;
    if ((quoted[0] >> 4) != 4 || header_size < kMinIpHeaderSize ||
        quoted.size() < header_size + kIcmpHeaderSize) {
        return false;
    }
    const std::span<const uint8_t> request = quoted.subspan(header_size);
    return quoted[9] == kProtocolIcmp && ReadAddress(quoted, 16) == destination &&
           request[0] == kEchoRequest && ReadIcmp16(request, 4) == identifier &&
           ReadIcmp16(request, 6) == sequence;
}

}  // namespace

uint16_t ReadIcmp16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

std::vector<uint8_t> BuildEchoRequest(uint16_t identifier, uint16_t sequence, uint16_t data_size) {
    std::vector<uint8_t> packet(kIcmpHeaderSize + data_size, 0);
    packet[0] = kEchoRequest;
    packet[4] = static_cast<uint8_t>(identifier >> 8);
    packet[5] = static_cast<uint8_t>(identifier);
    packet[6] = static_cast<uint8_t>(sequence >> 8);
    packet[7] = static_cast<uint8_t>(sequence);
    const uint16_t checksum = InternetChecksum(packet);
    packet[2] = static_cast<uint8_t>(checksum >> 8);
    packet[3] = static_cast<uint8_t>(checksum);
    return packet;
}

uint32_t IcmpErrorStatus(uint8_t type, uint8_t code) {
    switch (type) {
        case kDestUnreachable:
            switch (code) {
                case 0:   // network
                case 6:   // network unknown
                case 9:   // network administratively prohibited
                case 11:  // network for this type of service
                    return icmp_status::kDestNetUnreachable;
                case 2:
                    return icmp_status::kDestProtocolUnreachable;
                case 3:
                    return icmp_status::kDestPortUnreachable;
                case 4:
                    return icmp_status::kPacketTooBig;
                case 5:
                    return icmp_status::kBadRoute;
                default:
                    return icmp_status::kDestHostUnreachable;
            }
        case kTimeExceeded:
            return code == 0 ? icmp_status::kTtlExpiredTransit : icmp_status::kTtlExpiredReassembly;
        case kParameterProblem:
            return icmp_status::kParameterProblem;
        case kSourceQuench:
            return icmp_status::kSourceQuench;
        default:
            return icmp_status::kGeneralFailure;
    }
}

std::optional<EchoReply> MatchRawIcmpPacket(std::span<const uint8_t> packet, NetAddress destination,
                                            uint16_t identifier, uint16_t sequence) {
    if (packet.size() < kMinIpHeaderSize) {
        return std::nullopt;
    }
    const size_t header_size = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if ((packet[0] >> 4) != 4 || header_size < kMinIpHeaderSize ||
        packet.size() < header_size + kIcmpHeaderSize || packet[9] != kProtocolIcmp) {
        return std::nullopt;
    }
    const NetAddress source = ReadAddress(packet, 12);
    const std::span<const uint8_t> icmp = packet.subspan(header_size);
    EchoReply reply;
    reply.address = source;
    reply.ttl = packet[8];
    switch (icmp[0]) {
        case kEchoReply:
            if (source != destination || ReadIcmp16(icmp, 4) != identifier ||
                ReadIcmp16(icmp, 6) != sequence) {
                return std::nullopt;
            }
            reply.status = icmp_status::kSuccess;
            reply.data_size = static_cast<uint16_t>(icmp.size() - kIcmpHeaderSize);
            return reply;
        case kDestUnreachable:
        case kSourceQuench:
        case kTimeExceeded:
        case kParameterProblem:
            if (!IsQuotedRequest(icmp.subspan(kIcmpHeaderSize), destination, identifier,
                                 sequence)) {
                return std::nullopt;
            }
            reply.status = IcmpErrorStatus(icmp[0], icmp[1]);
            return reply;
        default:
            return std::nullopt;
    }
}

}  // namespace corvimap
