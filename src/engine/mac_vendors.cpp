#include "engine/mac_vendors.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace corvimap {
namespace {

// One CSV record: its fields, unquoted. `pos` moves past the record's line end.
std::vector<std::string> NextRecord(std::string_view text, std::size_t& pos) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (pos < text.size() && text[pos] == '"') {
                fields.back() += '"';
                ++pos;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n') {
            break;
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool ParseHex(std::string_view digits, uint64_t& value) {
    value = 0;
    for (const char c : digits) {
        int nibble = 0;
        if (c >= '0' && c <= '9') {
            nibble = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            nibble = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            nibble = c - 'a' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<uint64_t>(nibble);
    }
    return !digits.empty();
}

uint64_t MacValue(const MacBlock& mac) {
    uint64_t value = 0;
    for (std::size_t k = 1; k < mac.size(); ++k) {
        value = (value << 8) | mac[k];
    }
    return value;
}

template <typename Map>
const uint32_t* Find(const Map& map, typename Map::key_type key) {
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

}  // namespace

void MacVendors::Add(std::string_view assignment, std::string_view name) {
    auto [it, added] = name_index_.try_emplace(std::string(name), names_.size());
    if (added) {
        names_.emplace_back(name);
    }
    uint64_t prefix = 0;
    ParseHex(assignment, prefix);
    switch (assignment.size()) {
        case 6:
            by24_[static_cast<uint32_t>(prefix)] = it->second;
            break;
        case 7:
            by28_[static_cast<uint32_t>(prefix)] = it->second;
            break;
        default:
            by36_[prefix] = it->second;
            break;
    }
}

std::size_t MacVendors::AddCsv(std::string_view text) {
    std::size_t taken = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::vector<std::string> fields = NextRecord(text, pos);
        if (fields.size() < 3) {
            continue;
        }
        const std::string_view assignment = Trimmed(fields[1]);
        const std::string_view name = Trimmed(fields[2]);
        uint64_t prefix = 0;
        const std::size_t digits = assignment.size();
        if ((digits != 6 && digits != 7 && digits != 9) || !ParseHex(assignment, prefix) ||
            name.empty()) {
            continue;
        }
        Add(assignment, name);
        ++taken;
    }
    return taken;
}

std::shared_ptr<const MacVendors> MacVendors::LoadDirectory(const std::filesystem::path& dir) {
    auto vendors = std::make_shared<MacVendors>();
    for (const char* file : {"oui.csv", "mam.csv", "oui36.csv", "iab.csv"}) {
        std::ifstream in(dir / file, std::ios::binary);
        if (!in) {
            continue;
        }
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        vendors->AddCsv(text);
    }
    if (vendors->Size() == 0) {
        return nullptr;
    }
    return vendors;
}

std::string_view MacVendors::Lookup(const MacBlock& mac) const {
    const uint64_t value = MacValue(mac);
    const uint32_t* index = Find(by36_, value >> 12);
    if (index == nullptr) {
        index = Find(by28_, static_cast<uint32_t>(value >> 20));
    }
    if (index == nullptr) {
        index = Find(by24_, static_cast<uint32_t>(value >> 24));
    }
    return index == nullptr ? std::string_view() : std::string_view(names_[*index]);
}

std::string MacVendorText(const MacVendors* vendors, const MacBlock& mac) {
    if (vendors == nullptr || mac[0] == 0) {
        return {};
    }
    if ((mac[1] & 0x02) != 0) {
        return kPrivateMacVendor;
    }
    return std::string(vendors->Lookup(mac));
}

}  // namespace corvimap
