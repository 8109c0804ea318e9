// A MAC vendor registry file of any bytes: reading it never takes more records than it has
// lines, and a look-up names a vendor only when the registry holds one.
#include <algorithm>
#include <string>

#include "engine/mac_vendors.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace corvimap;
    // The first six bytes are the hardware address looked up, the rest the file.
    if (size < 6) {
        return 0;
    }
    MacBlock mac{1};
    std::copy_n(data, 6, mac.begin() + 1);
    const std::string_view text = fuzz::AsText(data + 6, size - 6);
    MacVendors vendors;
    const size_t taken = vendors.AddCsv(text);
    FUZZ_CHECK(taken <= static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    FUZZ_CHECK(vendors.Size() <= taken);
    const std::string_view vendor = vendors.Lookup(mac);
    FUZZ_CHECK(vendor.empty() || vendors.Size() > 0);
    const std::string cell = MacVendorText(&vendors, mac);
    FUZZ_CHECK((mac[1] & 0x02) != 0 ? cell == kPrivateMacVendor : cell == vendor);
    FUZZ_CHECK(MacVendorText(&vendors, MacBlock{}).empty());
    return 0;
}
