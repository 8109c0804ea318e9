#include "netutils/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cctype>
#include <cstring>

namespace corvimap {
namespace {

std::string Trimmed(const std::string& text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && blank(text[first])) {
        ++first;
    }
    while (last > first && blank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

}  // namespace

std::optional<HostLookup::NameAnswer> SystemHostLookup::ByName(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* result = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
        return std::nullopt;
    }
    NameAnswer answer;
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    answer.address = address->sin_addr.s_addr;
    answer.official_name = result->ai_canonname != nullptr && result->ai_canonname[0] != '\0'
                               ? result->ai_canonname
                               : name;
    freeaddrinfo(result);
    return answer;
}

std::string SystemHostLookup::ByAddress(NetAddress address) {
    sockaddr_in socket_address{};
    socket_address.sin_family = AF_INET;
    socket_address.sin_addr.s_addr = address;
    char name[NI_MAXHOST] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socket_address), sizeof(socket_address),
                    name, sizeof(name), nullptr, 0, NI_NAMEREQD) != 0) {
        return "";
    }
    return name;
}

std::optional<ResolvedHost> ResolveHostText(const std::string& text, HostLookup& lookup) {
    const std::string host = Trimmed(text);
    if (host.empty()) {
        return std::nullopt;
    }
    if (std::isdigit(static_cast<unsigned char>(host.front())) != 0) {
        in_addr parsed{};
        if (inet_aton(host.c_str(), &parsed) == 0) {
            return std::nullopt;
        }
        const std::string name = lookup.ByAddress(parsed.s_addr);
        return ResolvedHost{name.empty() ? FormatAddress(parsed.s_addr) : name, parsed.s_addr};
    }
    const std::optional<HostLookup::NameAnswer> answer = lookup.ByName(host);
    if (!answer) {
        return std::nullopt;
    }
    return ResolvedHost{answer->official_name, answer->address};
}

}  // namespace corvimap
