#pragma once

#include <string_view>

#include "engine/ipv4.h"

namespace corvimap {

// Told by the probe workers at the moments the log's "Found new host" and "Dead host" events
// are due, whatever the log's switches say. Called on worker threads, with no lock of the host
// table held; an implementation must be thread-safe and must not wait for the window's thread.
class HostEventListener {
public:
    virtual ~HostEventListener() = default;
    // A host entered the host table.
    virtual void HostFound(NetAddress address, std::string_view name) = 0;
    // A host of the host table stopped answering.
    virtual void HostDead(NetAddress address) = 0;
};

}  // namespace corvimap
