#include "options/add_network_fields.h"

#include "engine/address_range.h"

namespace corvimap {
namespace {

uint8_t LowByte(int32_t value) {
    return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

// Reads four dot-separated octets like atoi; missing ones are 0.
Octets ReadOctets(std::string_view text) {
    Octets octets{};
    for (size_t k = 0; k < octets.size(); ++k) {
        octets[k] = LowByte(AtoiValue(text));
        const size_t dot = text.find('.');
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    return octets;
}

std::string FormatOctets(const Octets& octets) {
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
           std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

}  // namespace

std::string NetworkPrefixLabel(const Octets& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + ".";
}

AddNetworkFields NewNetworkFields() {
    return AddNetworkFields{};
}

AddNetworkFields FieldsFromRangeText(std::string_view text) {
    AddNetworkFields fields;
    fields.editing = true;
    const size_t separator = text.find_first_of("->");
    fields.first = ReadOctets(text.substr(0, separator));
    if (separator != std::string_view::npos && text[separator] == '>') {
        fields.full_form = true;
        fields.last = ReadOctets(text.substr(separator + 1));
    } else {
        fields.last = fields.first;
        if (separator != std::string_view::npos) {
            fields.last[3] = LowByte(AtoiValue(text.substr(separator + 1)));
        }
    }
    fields.last_byte = fields.last[3];
    fields.last_byte_label = NetworkPrefixLabel(fields.last);
    return fields;
}

void SetFirstAddress(AddNetworkFields& fields, const Octets& first) {
    fields.first = first;
    fields.last = first;
    fields.last_byte = first[3];
    fields.last_byte_label = NetworkPrefixLabel(first);
}

void SetLastByte(AddNetworkFields& fields, int value) {
    fields.last_byte = value;
    fields.last[3] = LowByte(value);
}

std::string ComposeRangeText(const AddNetworkFields& fields) {
    if (fields.full_form) {
        return FormatOctets(fields.first) + ">" + FormatOctets(fields.last);
    }
    return FormatOctets(fields.first) + "-" + std::to_string(fields.last_byte);
}

std::string_view ConfirmButtonText(const AddNetworkFields& fields) {
    return fields.editing ? kEditButtonText : kAddButtonText;
}

std::optional<int> ParseLastByteText(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[pos] - '0');
        if (value > 255) {
            return std::nullopt;  // also keeps long digit strings from overflowing
        }
    }
    if (negative && value != 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace corvimap
