#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/host_record.h"
#include "engine/ipv4.h"

namespace corvimap {

using HardwareAddress = std::array<uint8_t, 6>;

// The MAC block of a known hardware address: byte 0 set, then the six bytes.
MacBlock KnownMac(const HardwareAddress& address);

// One local network interface with its hardware address and IPv4 addresses.
struct LocalAdapter {
    std::string name;
    std::optional<HardwareAddress> hardware;  // none when the interface has no 6-byte address
    std::vector<NetAddress> addresses;
};

// The local interfaces as getifaddrs() lists them, in its order.
std::vector<LocalAdapter> ReadLocalAdapters();

// The hardware address of the first adapter that owns the address. Adapters without a real
// hardware address (loopback, tunnels: none or all zero) are passed over, so 127.0.0.1 is not
// found here, just as loopback is no adapter of its own on other systems.
std::optional<HardwareAddress> FindAdapterMac(const std::vector<LocalAdapter>& adapters,
                                              NetAddress address);

// Reads the text of /proc/net/arp and gives the hardware address of the first row for the
// address. Rows with an all-zero hardware address (incomplete entries, flags 0x0) carry nothing
// and are skipped; any other row counts whatever its flags, so an entry that went stale or
// failed still supplies the address it last had.
std::optional<HardwareAddress> FindArpTableMac(std::string_view arp_table_text, NetAddress address);

// The ARP table of the calling thread's network namespace. /proc/net follows the process's main
// thread, which may sit in another namespace than a scan thread.
inline constexpr const char* kArpTablePath = "/proc/thread-self/net/arp";

// The adapter list first, then the ARP table read from the given file.
MacBlock LookupMacIn(const std::vector<LocalAdapter>& adapters, NetAddress address,
                     const char* arp_table_path = kArpTablePath);

}  // namespace corvimap
