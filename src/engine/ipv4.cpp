#include "engine/ipv4.h"

#include <arpa/inet.h>

#include <cstdio>

namespace corvimap {

std::string FormatAddress(NetAddress address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFFu, (address >> 8) & 0xFFu,
                  (address >> 16) & 0xFFu, (address >> 24) & 0xFFu);
    return text;
}

NetAddress InetAddr(std::string_view text) {
    // inet_addr needs a terminated string; an embedded zero ends the text as it would in C.
    const std::string terminated(text.substr(0, text.find('\0')));
    return ::inet_addr(terminated.c_str());
}

HostOrderAddress ToHostOrder(NetAddress address) {
    return ntohl(address);
}

NetAddress ToNetOrder(HostOrderAddress address) {
    return htonl(address);
}

}  // namespace corvimap
