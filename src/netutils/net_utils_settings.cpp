#include "netutils/net_utils_settings.h"

namespace corvimap {

std::string RangeMessage(const NumberSetting& setting) {
    return "Please enter an integer between " + std::to_string(setting.minimum) + " and " +
           std::to_string(setting.maximum) + ".";
}

std::optional<std::string> FirstRangeMessage(std::span<const NumberSetting> settings,
                                             std::span<const int32_t> values) {
    for (size_t i = 0; i < settings.size() && i < values.size(); ++i) {
        if (values[i] < settings[i].minimum || values[i] > settings[i].maximum) {
            return RangeMessage(settings[i]);
        }
    }
    return std::nullopt;
}

int32_t LoadNumber(const SettingsStore& store, const NumberSetting& setting) {
    return store.GetProfileInt(kNetUtilsSection, setting.value_name, setting.default_value);
}

void SaveNumber(SettingsStore& store, const NumberSetting& setting, int32_t value) {
    store.WriteProfileInt(kNetUtilsSection, setting.value_name, value);
}

std::string LoadHost(const SettingsStore& store) {
    return store.GetProfileString(kNetUtilsSection, kHostValue, kDefaultHost);
}

void SaveHost(SettingsStore& store, const std::string& host) {
    store.WriteProfileString(kNetUtilsSection, kHostValue, host);
}

}  // namespace corvimap
