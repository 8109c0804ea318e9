#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "settings/settings_store.h"

namespace corvimap {

// The ping and traceroute pages keep their fields in section "NetUtils": read when a page is
// made, written when it goes. The host value is shared by both pages.
inline constexpr const char* kNetUtilsSection = "NetUtils";
inline constexpr const char* kHostValue = "PingHostName";
// Resolves from /etc/hosts, so a first ping needs no network.
inline constexpr const char* kDefaultHost = "localhost";

// A numeric field of a page: its label, allowed range, stored value and default.
struct NumberSetting {
    const char* label;
    int32_t minimum;
    int32_t maximum;
    const char* value_name;
    int32_t default_value;
};

namespace ping_setting {
inline constexpr NumberSetting kPackets{"Number of packets to send", 1, 999, "NumberOfPackets", 4};
inline constexpr NumberSetting kSize{"Packet size", 4, 256, "PacketSize", 32};
inline constexpr NumberSetting kTimeout{"Timeout", 20, 120000, "PingTimeout", 1000};
inline constexpr NumberSetting kTtl{"TTL", 1, 255, "PingTTL", 255};
}  // namespace ping_setting

namespace trace_setting {
inline constexpr NumberSetting kHops{"Maximum number of hops", 1, 255, "NumberOfHops", 30};
inline constexpr NumberSetting kTimeout{"Timeout", 20, 999999, "TracertTimeout", 9000};
}  // namespace trace_setting

// The fields of each page in the order they are checked and shown.
inline constexpr std::array<NumberSetting, 4> kPingSettings = {
    ping_setting::kPackets, ping_setting::kSize, ping_setting::kTimeout, ping_setting::kTtl};
inline constexpr std::array<NumberSetting, 2> kTraceSettings = {trace_setting::kHops,
                                                                trace_setting::kTimeout};

// "Please enter an integer between MIN and MAX.", shown when a field is out of range.
std::string RangeMessage(const NumberSetting& setting);

// The range message of the first value outside its setting's range; none when all fit. values
// holds one number per setting, in the same order.
std::optional<std::string> FirstRangeMessage(std::span<const NumberSetting> settings,
                                             std::span<const int32_t> values);

int32_t LoadNumber(const SettingsStore& store, const NumberSetting& setting);
void SaveNumber(SettingsStore& store, const NumberSetting& setting, int32_t value);
std::string LoadHost(const SettingsStore& store);
void SaveHost(SettingsStore& store, const std::string& host);

}  // namespace corvimap
