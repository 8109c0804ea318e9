#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ipv4.h"

namespace corvimap {

// Looks a host name up; the first IPv4 address (network order), or nothing.
using HostNameLookup = std::function<std::optional<NetAddress>(std::string_view name)>;

// The system resolver (getaddrinfo, IPv4 only): /etc/hosts, then DNS as nsswitch.conf says.
std::optional<NetAddress> LookUpHostName(std::string_view name);

// The range text a command-line RANGE stands for, or an error that names it. Forms:
//   w.x.y.z-v, w.x.y.z>p.q.r.s   kept as they are (four octets of 0-255, a last byte of 0-255)
//   w.x.y.z                      w.x.y.z-z
//   w.x.y.z/n (n from 0 to 32)   the block's addresses but its own network and broadcast
//                                addresses; /31 gives both addresses, /32 the one; host bits of
//                                w.x.y.z are ignored. 0.0.0.0 is never walked, so a block that
//                                starts there starts at 0.0.0.1.
//   a host name                  resolved once, here, to its first IPv4 address: a.b.c.d-d
// Anything made only of digits, dots and the characters - > / is read as an address form.
struct RangeArgument {
    std::optional<std::string> range;
    std::string error;  // one line, when range is empty
};
RangeArgument ParseRangeArgument(std::string_view text,
                                 const HostNameLookup& lookup = LookUpHostName);

}  // namespace corvimap
