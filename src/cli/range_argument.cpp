#include "cli/range_argument.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>
#include <cstdint>

namespace corvimap {
namespace {

constexpr std::string_view kAddressCharacters = "0123456789.->/";

std::optional<uint32_t> ParseDecimal(std::string_view text, uint32_t max) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.size() > 3 || error != std::errc() || ptr != end || value > max) {
        return std::nullopt;
    }
    // No leading zero: the range walker reads an octet such as "010" as octal (8), so the scan
    // would cover other addresses than the ones typed.
    if (text.size() > 1 && text.front() == '0') {
        return std::nullopt;
    }
    return value;
}

// Four decimal octets of 0-255, as a host-order number.
std::optional<uint32_t> ParseDottedQuad(std::string_view text) {
    uint32_t address = 0;
    for (int octet = 0; octet < 4; ++octet) {
        const size_t dot = text.find('.');
        if ((octet < 3) == (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const std::optional<uint32_t> value = ParseDecimal(text.substr(0, dot), 255);
        if (!value) {
            return std::nullopt;
        }
        address = (address << 8) | *value;
        text.remove_prefix(octet < 3 ? dot + 1 : text.size());
    }
    return address;
}

std::string Dotted(uint32_t host_order) {
    return FormatAddress(ToNetOrder(host_order));
}

std::optional<std::string> CidrRange(std::string_view text) {
    const size_t slash = text.find('/');
    const std::optional<uint32_t> address = ParseDottedQuad(text.substr(0, slash));
    const std::optional<uint32_t> prefix = ParseDecimal(text.substr(slash + 1), 32);
    if (!address || !prefix) {
        return std::nullopt;
    }
    const uint32_t mask = *prefix == 0 ? 0 : ~uint32_t{0} << (32 - *prefix);
    uint32_t first = *address & mask;
    uint32_t last = first | ~mask;
    if (*prefix < 31) {
        // The block's own network and broadcast addresses are no hosts.
        ++first;
        --last;
    }
    first = std::max<uint32_t>(first, 1);
    if (first > last) {
        return std::nullopt;
    }
    return Dotted(first) + ">" + Dotted(last);
}

std::optional<std::string> AddressForm(std::string_view text) {
    if (const size_t dash = text.find('-'); dash != std::string_view::npos) {
        if (ParseDottedQuad(text.substr(0, dash)) && ParseDecimal(text.substr(dash + 1), 255)) {
            return std::string(text);
        }
        return std::nullopt;
    }
    if (const size_t arrow = text.find('>'); arrow != std::string_view::npos) {
        if (ParseDottedQuad(text.substr(0, arrow)) && ParseDottedQuad(text.substr(arrow + 1))) {
            return std::string(text);
        }
        return std::nullopt;
    }
    if (text.find('/') != std::string_view::npos) {
        return CidrRange(text);
    }
    if (!ParseDottedQuad(text)) {
        return std::nullopt;
    }
    return std::string(text) + "-" + std::string(text.substr(text.rfind('.') + 1));
}

// The argument as an error message names it: control characters become "?", so the message
// stays one line on the terminal and in a script's log.
std::string Shown(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

}  // namespace

std::optional<NetAddress> LookUpHostName(std::string_view name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(std::string(name).c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::optional<NetAddress> address;
    if (found->ai_family == AF_INET && found->ai_addrlen >= sizeof(sockaddr_in)) {
        address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    }
    freeaddrinfo(found);
    return address;
}

RangeArgument ParseRangeArgument(std::string_view text, const HostNameLookup& lookup) {
    if (!text.empty() && text.find_first_not_of(kAddressCharacters) == std::string_view::npos) {
        if (auto range = AddressForm(text)) {
            return {std::move(range), ""};
        }
        return {std::nullopt,
                "bad range '" + Shown(text) +
                    "': use w.x.y.z-v, w.x.y.z>p.q.r.s, w.x.y.z/n, w.x.y.z or a host name"};
    }
    const std::optional<NetAddress> address = text.empty() ? std::nullopt : lookup(text);
    if (!address) {
        return {std::nullopt, "cannot resolve host name '" + Shown(text) + "'"};
    }
    const std::string dotted = FormatAddress(*address);
    return {dotted + "-" + dotted.substr(dotted.rfind('.') + 1), ""};
}

}  // namespace corvimap
