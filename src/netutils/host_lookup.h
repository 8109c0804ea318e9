#pragma once

#include <optional>
#include <string>

#include "engine/ipv4.h"

namespace corvimap {

// Name look-ups of the ping and traceroute workers. They run on the worker thread, never on the
// UI thread, since a resolver may take seconds to answer.
class HostLookup {
public:
    struct NameAnswer {
        std::string official_name;
        NetAddress address = 0;  // the first IPv4 address of the answer
    };

    virtual ~HostLookup() = default;
    // None when the name cannot be resolved to an IPv4 address.
    virtual std::optional<NameAnswer> ByName(const std::string& name) = 0;
    // The name of the address; "" when it has none.
    virtual std::string ByAddress(NetAddress address) = 0;
};

// The system resolver through the thread-safe getaddrinfo and getnameinfo.
class SystemHostLookup final : public HostLookup {
public:
    std::optional<NameAnswer> ByName(const std::string& name) override;
    std::string ByAddress(NetAddress address) override;
};

// The target of a ping or trace as the user typed it.
struct ResolvedHost {
    std::string display_name;  // the official name, or the dotted address when it has none
    NetAddress address = 0;
};

// A text (surrounding blanks aside) that starts with a digit is an address in the forms inet_aton
// takes, shown by its reverse name when it has one; any other text is a host name. None when the
// text is no address or the name does not resolve: then nothing may be sent.
std::optional<ResolvedHost> ResolveHostText(const std::string& text, HostLookup& lookup);

}  // namespace corvimap
