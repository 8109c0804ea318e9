#include "engine/mac_lookup.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace corvimap {

MacBlock KnownMac(const HardwareAddress& address) {
    MacBlock mac{};
    mac[0] = 1;
    std::copy(address.begin(), address.end(), mac.begin() + 1);
    return mac;
}
namespace {

bool IsAllZero(const HardwareAddress& address) {
    return std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; });
}

LocalAdapter& AdapterNamed(std::vector<LocalAdapter>& adapters, std::string_view name) {
    for (LocalAdapter& adapter : adapters) {
        if (adapter.name == name) {
            return adapter;
        }
    }
    adapters.push_back(LocalAdapter{std::string(name), std::nullopt, {}});
    return adapters.back();
}

// Splits a line at runs of blanks.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        pos = line.find_first_not_of(" \t\r", pos);
        if (pos == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(line.find_first_of(" \t\r", pos), line.size());
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

// "aa:bb:cc:dd:ee:ff" (at least six groups of hex digits); the first six bytes count.
std::optional<HardwareAddress> ParseHardwareAddress(std::string_view text) {
    HardwareAddress address{};
    size_t pos = 0;
    for (size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ':') {
                return std::nullopt;
            }
            ++pos;
        }
        const size_t end = std::min(text.find(':', pos), text.size());
        if (end - pos < 1 || end - pos > 2) {
            return std::nullopt;
        }
        unsigned value = 0;
        const auto [ptr, ec] = std::from_chars(text.data() + pos, text.data() + end, value, 16);
        if (ec != std::errc() || ptr != text.data() + end) {
            return std::nullopt;
        }
        address[i] = static_cast<uint8_t>(value);
        pos = end;
    }
    return address;
}

std::optional<NetAddress> ParseDottedAddress(std::string_view text) {
    const std::string copy(text);
    in_addr parsed{};
    if (inet_pton(AF_INET, copy.c_str(), &parsed) != 1) {
        return std::nullopt;
    }
    return parsed.s_addr;
}

}  // namespace

std::vector<LocalAdapter> ReadLocalAdapters() {
    std::vector<LocalAdapter> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return adapters;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_name == nullptr) {
            continue;
        }
        std::string_view name = entry->ifa_name;
        if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            LocalAdapter& adapter = AdapterNamed(adapters, name);
            if (link->sll_halen == 6) {
                HardwareAddress hardware{};
                std::copy_n(link->sll_addr, hardware.size(), hardware.begin());
                adapter.hardware = hardware;
            }
        } else if (entry->ifa_addr->sa_family == AF_INET) {
            // Addresses with a label ("eth0:1") belong to the interface before the colon.
            name = name.substr(0, name.find(':'));
            const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            AdapterNamed(adapters, name).addresses.push_back(inet->sin_addr.s_addr);
        }
    }
    freeifaddrs(list);
    return adapters;
}

std::optional<HardwareAddress> FindAdapterMac(const std::vector<LocalAdapter>& adapters,
                                              NetAddress address) {
    for (const LocalAdapter& adapter : adapters) {
        if (!adapter.hardware || IsAllZero(*adapter.hardware)) {
            continue;
        }
        if (std::find(adapter.addresses.begin(), adapter.addresses.end(), address) !=
            adapter.addresses.end()) {
            return adapter.hardware;
        }
    }
    return std::nullopt;
}

std::optional<HardwareAddress> FindArpTableMac(std::string_view arp_table_text,
                                               NetAddress address) {
    // Columns: IP address, HW type, Flags, HW address, Mask, Device; the first line is a header.
    size_t line_start = arp_table_text.find('\n');
    while (line_start != std::string_view::npos && line_start < arp_table_text.size()) {
        ++line_start;
        const size_t line_end = arp_table_text.find('\n', line_start);
        const std::string_view line = arp_table_text.substr(
            line_start,
            line_end == std::string_view::npos ? std::string_view::npos : line_end - line_start);
        line_start = line_end;
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 4 || ParseDottedAddress(fields[0]) != address) {
            continue;
        }
        const std::optional<HardwareAddress> hardware = ParseHardwareAddress(fields[3]);
        if (hardware && !IsAllZero(*hardware)) {
            return hardware;
        }
    }
    return std::nullopt;
}

MacBlock LookupMacIn(const std::vector<LocalAdapter>& adapters, NetAddress address,
                     const char* arp_table_path) {
    std::optional<HardwareAddress> found = FindAdapterMac(adapters, address);
    if (!found) {
        std::ifstream file(arp_table_path, std::ios::binary);
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            found = FindArpTableMac(text.str(), address);
        }
    }
    if (!found) {
        return MacBlock{};
    }
    return KnownMac(*found);
}

}  // namespace corvimap
