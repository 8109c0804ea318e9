#include "engine/host_name_resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

namespace corvimap {

std::string ResolveHostName(NetAddress address) {
    sockaddr_in reverse{};
    reverse.sin_family = AF_INET;
    reverse.sin_addr.s_addr = address;
    char host[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&reverse), sizeof reverse, host, sizeof host,
                    nullptr, 0, NI_NAMEREQD) != 0) {
        return "";
    }

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) {
        return "";
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    if (found->ai_family != AF_INET || first == nullptr || first->sin_addr.s_addr != address) {
        return "";
    }
    return found->ai_canonname != nullptr ? found->ai_canonname : host;
}

}  // namespace corvimap
