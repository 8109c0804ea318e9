#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/host_record.h"

namespace corvimap {

// Where Debian's ieee-data package puts the IEEE registry files.
inline constexpr const char* kIeeeDataDir = "/usr/share/ieee-data";

// What the vendor cell shows for a locally administered (randomised or self-assigned) address,
// which no registry entry can name.
inline constexpr const char* kPrivateMacVendor = "Private / random";

// Organisation names of hardware address prefixes from the IEEE registry's CSV files (columns
// Registry, Assignment, Organization Name, Organization Address). An assignment of 6, 7 or 9 hex
// digits registers a 24, 28 or 36 bit prefix; a look-up takes the longest registered prefix.
// Filled once, then only read: concurrent look-ups need no lock.
class MacVendors {
public:
    // Adds the records of one file's text: quoted fields may hold commas, doubled quotes and
    // line breaks. Records without a hex assignment of a known length or without a name (the
    // header among them) are skipped. Returns the number of records taken.
    std::size_t AddCsv(std::string_view text);

    // The registry files of the folder that exist (oui.csv, mam.csv, oui36.csv, iab.csv);
    // nothing when none could be read.
    static std::shared_ptr<const MacVendors> LoadDirectory(const std::filesystem::path& dir);

    std::size_t Size() const { return by24_.size() + by28_.size() + by36_.size(); }

    // The organisation of the longest registered prefix of MAC bytes 1-6; "" when none.
    std::string_view Lookup(const MacBlock& mac) const;

private:
    void Add(std::string_view assignment, std::string_view name);

    std::unordered_map<uint32_t, uint32_t> by24_;  // prefix -> index into names_
    std::unordered_map<uint32_t, uint32_t> by28_;
    std::unordered_map<uint64_t, uint32_t> by36_;
    std::vector<std::string> names_;  // each organisation once; thousands share a name
    std::unordered_map<std::string, uint32_t> name_index_;
};

// The vendor cell of a host: "" when the MAC is unknown or no registry was loaded,
// kPrivateMacVendor when the locally administered bit (0x02 of the first byte) is set, else the
// registry's organisation ("" for an unregistered prefix).
std::string MacVendorText(const MacVendors* vendors, const MacBlock& mac);

}  // namespace corvimap
