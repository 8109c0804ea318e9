#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/range_argument.h"

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
    bool parallel_ping = false;
    bool help = false;                // --help: print the usage and do nothing else
    std::vector<std::string> ranges;  // range texts, a single address already widened to a range
};

struct ScanOptionsResult {
    std::optional<ScanOptions> options;
    std::string error;  // one line naming the bad option or range
};

// Host names among the ranges are resolved with lookup, once each, while parsing.
ScanOptionsResult ParseScanOptions(const std::vector<std::string_view>& args,
                                   const HostNameLookup& lookup = LookUpHostName);

inline constexpr std::string_view kScanUsage =
    "usage: corvimap-scan [--no-fast] [--ping] [--parallel-ping] [--no-resolve] [--shares] "
    "[--games LIST] [--timeout MS] [--threads N] [--log FILE] [--json] [--search MASKS] RANGE...";

// What --help prints: the usage, each option and range form, and the exit statuses.
std::string ScanHelpText();

// Exit statuses of corvimap-scan, for scripts.
inline constexpr int kExitDone = 0;
inline constexpr int kExitPassFailed = 1;  // a requested pass could not run, or no output
inline constexpr int kExitBadUsage = 2;

}  // namespace corvimap
