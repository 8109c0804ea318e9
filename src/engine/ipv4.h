#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvimap {

// The "first octet in the lowest byte" rule equals the in-memory network order only here.
static_assert(std::endian::native == std::endian::little, "little-endian hosts only");

// Addresses are held in network byte order: the first octet is the lowest byte of the word.
using NetAddress = uint32_t;
// The same address as a host-order number (w.x.y.z is w*2^24 + x*2^16 + y*2^8 + z), for
// comparing and counting.
using HostOrderAddress = uint32_t;

inline constexpr NetAddress kInvalidAddress = 0xFFFFFFFFu;

// "%d.%d.%d.%d" of the four octets in network order.
std::string FormatAddress(NetAddress address);

// Converts like inet_addr: dotted numbers (also the short and hex/octal forms inet_addr takes);
// anything that is not an address gives 255.255.255.255.
NetAddress InetAddr(std::string_view text);

HostOrderAddress ToHostOrder(NetAddress address);
NetAddress ToNetOrder(HostOrderAddress address);

// Builds a network-order address from its four octets, first octet first.
constexpr NetAddress MakeAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return static_cast<NetAddress>(a) | (static_cast<NetAddress>(b) << 8) |
           (static_cast<NetAddress>(c) << 16) | (static_cast<NetAddress>(d) << 24);
}

}  // namespace corvimap
