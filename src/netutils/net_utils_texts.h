#pragma once

#include <string>

namespace corvimap {

// "Unknown host <name>." in the current language: the host text could not be resolved, so
// nothing was sent.
std::string UnknownHostText(const std::string& host);

// Why no echo could be sent: neither an ICMP datagram socket nor a raw socket may be opened.
std::string IcmpUnavailableText();

}  // namespace corvimap
