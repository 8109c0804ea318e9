#pragma once

#include <string>

#include "engine/ipv4.h"

namespace corvimap {

// The DNS name of an address, trusted only when it leads back: the reverse look-up's name is
// looked up forward, and its first IPv4 address must be the one asked for. The forward result's
// official (canonical) name is returned; "" when either look-up fails or the check disagrees.
// Uses the thread-safe resolver calls, so probes may ask at once.
std::string ResolveHostName(NetAddress address);

}  // namespace corvimap
