#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvimap {

// Fixed captions of the "Add network" dialog.
inline constexpr std::string_view kAddNetworkTitle = "Add network";
inline constexpr std::string_view kFirstIpLabel = "First IP";
inline constexpr std::string_view kFullFormCheckLabel = "Last IP (full/only last byte)";
inline constexpr std::string_view kAddButtonText = "Add";
inline constexpr std::string_view kEditButtonText = "Edit";
inline constexpr std::string_view kCancelButtonText = "Cancel";
inline constexpr std::string_view kLastByteRangeMessage =
    "Please enter an integer between 0 and 255.";

// The four octets of an address field, first octet first.
using Octets = std::array<uint8_t, 4>;

// What the "Add network" dialog shows and edits, without the widgets. The dialog keeps these in
// step through SetFirstAddress and SetLastByte; the full last address field is edited directly.
struct AddNetworkFields {
    Octets first{};                          // first address field
    Octets last{};                           // full last address field (full form)
    int last_byte = 0;                       // number field (last-byte form)
    bool full_form = false;                  // the check box
    std::string last_byte_label = "0.0.0.";  // "%d.%d.%d." shown in front of the number field
    bool editing = false;                    // opened on an existing range
};

// "%d.%d.%d." of the first three octets.
std::string NetworkPrefixLabel(const Octets& address);

// Opening for an add: blank addresses, last-byte form, 0 in the number field.
AddNetworkFields NewNetworkFields();

// Opening for an edit. The text is read octet by octet like atoi, the octets separated by "."
// and the first address ended by the first "-" or ">". After ">" four more octets give the last
// address; after "-" the number is the last byte and the last address is the first one with
// that last byte. Octets and the last byte keep their low 8 bits, which is how the scanner reads
// a last byte too. A text with neither separator reads as the last-byte form of a one-address
// range. Any text is accepted.
AddNetworkFields FieldsFromRangeText(std::string_view text);

// A change of the first address: the full last address follows it, the number field takes its
// last octet and the label its first three. The widget skips this for the change notification
// that filling an edit causes, so that the range read from the text survives.
void SetFirstAddress(AddNetworkFields& fields, const Octets& first);

// A change of the number field: the full last address takes it as its last octet (low 8 bits).
void SetLastByte(AddNetworkFields& fields, int value);

// The range text to store: "%d.%d.%d.%d>%d.%d.%d.%d" in the full form, else "%d.%d.%d.%d-%d".
// A last address below the first is accepted as it stands.
std::string ComposeRangeText(const AddNetworkFields& fields);

std::string_view ConfirmButtonText(const AddNetworkFields& fields);

// The number field's text as the dialog accepts it on confirmation: a decimal integer from 0 to
// 255 with optional leading white space and sign, nothing else. Nothing for any other text, in
// which case the dialog shows kLastByteRangeMessage and stays open.
std::optional<int> ParseLastByteText(std::string_view text);

}  // namespace corvimap
