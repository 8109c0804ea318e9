#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/ipv4.h"

namespace corvimap {

// Share names are cut to this many bytes, never inside a UTF-8 sequence.
inline constexpr size_t kShareNameLimit = 100;

struct ShareListTimeouts {
    // How long the TCP connection to the host's SMB port (445, else 139) may take. Without a
    // bound of our own a host that drops SMB packets would hold its probe for 20 s per port.
    int connect_ms = 1500;
    // How long each SMB request may wait for its answer. A host that refuses the newer dialects
    // is asked again over SMB1 in what is left of this time after the first try.
    int reply_ms = 5000;
};

// Lists the disk shares of the host at the address (hidden "$" shares too; printers, IPC and
// devices left out) in the server's order, joined by "|". Logs on anonymously, with the
// system's SMB dialects first and over SMB1 (NT1) when the host refuses those. Empty when the
// host has no disk share or cannot be listed for any reason.
std::string ListShares(NetAddress address, const ShareListTimeouts& timeouts = {});

}  // namespace corvimap
