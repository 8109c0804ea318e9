#include "engine/host_columns.h"

#include <charconv>
#include <cstdio>

namespace corvimap {

std::string FormatHostTime(uint32_t time_us) {
    if (time_us == 0) {
        return "<10";
    }
    // to_chars rounds like printf in the "C" locale; printf itself would follow the user's
    // locale and write a decimal comma that the host list reader could not read back.
    const double ms = time_us * 0.001;
    const int decimals = time_us > 9999 ? 0 : (time_us >= 1000 ? 1 : 2);
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::string FormatMacText(const MacBlock& mac) {
    if (mac[0] == 0) {
        return {};
    }
    char text[18];
    std::snprintf(text, sizeof text, "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X", mac[1], mac[2], mac[3],
                  mac[4], mac[5], mac[6]);
    return text;
}

std::string BuildFoundText(const std::vector<HostMarker>& markers) {
    if (markers.empty()) {
        return {};
    }
    std::string text = "$IMG|";
    for (const HostMarker& marker : markers) {
        text += std::to_string(marker.kind);
        text += '|';
    }
    return text;
}

std::string HostColumnText(const HostRecord& record, HostColumn column, const MacVendors* vendors) {
    switch (column) {
        case HostColumn::Address:
            return FormatAddress(record.address);
        case HostColumn::Mac:
            return FormatMacText(record.mac);
        case HostColumn::Name:
            return record.name;
        case HostColumn::Time:
            return FormatHostTime(record.time);
        case HostColumn::Found:
            return record.found_text;
        case HostColumn::Workgroup:
            return record.workgroup;
        case HostColumn::Description:
            return record.description;
        case HostColumn::Vendor:
            return MacVendorText(vendors, record.mac);
    }
    return {};
}

}  // namespace corvimap
