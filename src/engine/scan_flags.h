#pragma once

#include <cstdint>

namespace corvimap {

// The scan option bits of a group's flags word ("FlagsGroup0"). Bits 7 to 22 of the same word
// switch the event log and its events; they are named with the log. Bits 23 to 31 stay 0.
struct ScanFlags {
    static constexpr uint32_t kFastSearch = 0x1;        // NetBIOS node status to every address
    static constexpr uint32_t kPingPass = 0x2;          // ICMP echo to those the fast pass missed
    static constexpr uint32_t kMinimizeToTray = 0x4;    // a minimised window hides in the tray
    static constexpr uint32_t kAutoloadHostList = 0x8;  // read the host list file at start
    static constexpr uint32_t kResolveHostName = 0x10;  // ask DNS for the name of a pinged host
    static constexpr uint32_t kScanShares = 0x20;       // list the shares of every live host
    static constexpr uint32_t kShowHostInfo = 0x40;     // host info window over the host list

    // All bits the general options page edits; the page leaves every other bit as it is.
    static constexpr uint32_t kScanOptionMask = 0x7F;
};

}  // namespace corvimap
