#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// What `corvimap-scan` was asked to do. The defaults are those of an empty store's "Default"
// group: fast pass on, ping pass off, names resolved, no shares, no game types.
struct ScanOptions {
    bool fast_pass = true;
    bool ping_pass = false;
    bool resolve_names = true;
    bool list_shares = false;
    std::vector<std::string> game_types;  // "qw", "q2", "q3" in the order given, no repeats
    int timeout_ms = 50;
    int threads = 7;
    std::string log_file;
    bool json = false;
    // Masks of a file search over the shares found ("*.mp3|*.avi"); none: no search.
    std::optional<std::string> search_masks;
    std::vector<std::string> ranges;  // range texts, a single address already widened to a range
};

struct ScanOptionsResult {
    std::optional<ScanOptions> options;
    std::string error;  // one line naming the bad option or range
};

ScanOptionsResult ParseScanOptions(const std::vector<std::string_view>& args);

// A range in either text form ("w.x.y.z-v", "w.x.y.z>p.q.r.s") or a single address, checked
// strictly: four decimal octets of 0-255 and a last byte of 0-255. A single address becomes
// "w.x.y.z-z". Nothing for anything else.
std::optional<std::string> NormalizeRangeArgument(std::string_view text);

inline constexpr std::string_view kScanUsage =
    "usage: corvimap-scan [--no-fast] [--ping] [--no-resolve] [--shares] [--games LIST] "
    "[--timeout MS] [--threads N] [--log FILE] [--json] [--search MASKS] RANGE...";

}  // namespace corvimap
