#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ipv4.h"

namespace corvimap {

// The row picture of a host, kept in the low byte of the record's flags. Values 6-8 are the image
// indexes of the game server types, so a game query sets the type's index as the state.
enum class HostState : uint8_t {
    Known = 0,          // known host, no probe under way
    Answered = 1,       // answered in the current pass, probe under way
    New = 2,            // the probe that just finished found the record for the first time
    Dead = 3,           // did not answer the latest probe
    ListingShares = 4,  // share enumeration under way
    Loaded = 5,         // loaded from the host list file, not probed since
    QueryQuakeWorld = 6,
    QueryQuake2 = 7,
    QueryQuake3 = 8,
};

// Bits of HostRecord::flags above the state byte. Every other bit stays 0.
struct HostFlags {
    static constexpr uint32_t StateMask = 0xFF;
    static constexpr uint32_t NewHost = 0x100;           // created and not yet found alive
    static constexpr uint32_t ShareWalkVisited = 0x200;  // passed by the current share walk
    static constexpr uint32_t FastFound = 0x400;         // answered the fast pass
    static constexpr uint32_t FlagBits = NewHost | ShareWalkVisited | FastFound;
};

// Byte 0 is non-zero when the hardware address is known; bytes 1-6 are the address.
using MacBlock = std::array<uint8_t, 7>;

// Marker kinds in use: shares, and a game server of the type with that image index answered.
inline constexpr uint8_t kSharesMarker = 4;

// A finding a probe attached to a host. A marker either carries a text or none.
struct HostMarker {
    uint8_t kind = 0;
    std::optional<std::string> text;

    friend bool operator==(const HostMarker&, const HostMarker&) = default;
};

// One host that has answered a probe or came from the host list file. Only the host table touches
// records, under its lock.
struct HostRecord {
    NetAddress address = 0;
    uint32_t flags = 0;
    MacBlock mac{};
    uint32_t time = 0;  // reply time in microseconds; 0 means below the clock's resolution
    std::string name;
    std::string workgroup;
    std::string description;  // shown, sorted and saved; nothing fills it
    std::string found_text;   // "$IMG|" and "%d|" per marker kind, empty without markers
    std::vector<HostMarker> markers;
};

// The columns of the host list, in the order the view shows them: the view's column index is the
// column kind.
enum class HostColumn : int {
    Address = 0,
    Mac = 1,
    Name = 2,
    Time = 3,
    Found = 4,
    Workgroup = 5,
    Description = 6,
    Vendor = 7,  // from the MAC through the IEEE registry; not stored in the host list file
};

inline constexpr std::size_t kHostColumnCount = 8;

}  // namespace corvimap
