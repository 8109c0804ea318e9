#include "cli/scan_options.h"

#include <charconv>

namespace corvimap {
namespace {

std::optional<int> ParseNumber(std::string_view text, int min, int max) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<std::string>> ParseGameList(std::string_view list) {
    std::vector<std::string> games;
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name != "qw" && name != "q2" && name != "q3") {
            return std::nullopt;
        }
        bool seen = false;
        for (const auto& game : games) {
            seen = seen || game == name;
        }
        if (!seen) {
            games.emplace_back(name);
        }
        if (comma == std::string_view::npos) {
            return games;
        }
        list.remove_prefix(comma + 1);
    }
}

bool TakesValue(std::string_view arg) {
    return arg == "--games" || arg == "--timeout" || arg == "--threads" || arg == "--log" ||
           arg == "--search";
}

// Sets the switch arg names; false when arg is no switch.
bool ApplySwitch(std::string_view arg, ScanOptions& options) {
    if (arg == "--no-fast") {
        options.fast_pass = false;
    } else if (arg == "--ping") {
        options.ping_pass = true;
    } else if (arg == "--no-resolve") {
        options.resolve_names = false;
    } else if (arg == "--shares") {
        options.list_shares = true;
    } else if (arg == "--json") {
        options.json = true;
    } else if (arg == "--parallel-ping") {
        options.parallel_ping = true;
    } else {
        return false;
    }
    return true;
}

// Sets the option arg names (one that TakesValue) from value, which is missing when the
// arguments ended; the message for a missing or bad value.
std::optional<std::string> ApplyValue(std::string_view arg, std::optional<std::string_view> value,
                                      ScanOptions& options) {
    const std::string text(value.value_or(""));
    if (arg == "--games") {
        auto games = value ? ParseGameList(*value) : std::nullopt;
        if (!games) {
            return "bad --games list '" + text + "': use a comma list of qw, q2, q3";
        }
        options.game_types = *games;
    } else if (arg == "--timeout") {
        auto number = value ? ParseNumber(*value, 1, 600000) : std::nullopt;
        if (!number) {
            return "bad --timeout '" + text + "': milliseconds from 1 to 600000";
        }
        options.timeout_ms = *number;
    } else if (arg == "--threads") {
        auto number = value ? ParseNumber(*value, 1, 4096) : std::nullopt;
        if (!number) {
            return "bad --threads '" + text + "': a number from 1 to 4096";
        }
        options.threads = *number;
    } else if (arg == "--log") {
        if (text.empty()) {
            return "option --log needs a file name";
        }
        options.log_file = text;
    } else if (arg == "--search") {
        if (text.empty()) {
            return "option --search needs masks, e.g. '*.mp3|*.avi'";
        }
        // The search walks the shares the scan lists.
        options.search_masks = text;
        options.list_shares = true;
    }
    return std::nullopt;
}

}  // namespace

std::string ScanHelpText() {
    return std::string(kScanUsage) + R"(

Scans the ranges once and writes the hosts found to standard output, as a host list file
(or JSON with --json).

  --no-fast        skip the fast pass (NetBIOS node status to every address)
  --ping           run the ping pass (ICMP echo to every address the fast pass did not find)
  --parallel-ping  the ping pass sends all its echoes at once, at most 2000 per second
  --no-resolve     do not look up DNS names of hosts found by the ping pass
  --shares         list the shared folders of every live host
  --games LIST     ask live hosts for game servers: a comma list of qw, q2, q3
  --timeout MS     per-address reply time-out in milliseconds (default 50)
  --threads N      fast-pass probes at once (default 7)
  --log FILE       append the scan's events to FILE
  --json           write JSON ("schema": 1) instead of the host list file
  --search MASKS   then walk the shares found for files matching MASKS ("*.mp3|*.avi"),
                   one line per file (UNC path, size, time), or "files" in the JSON
  --help           show this text

RANGE: w.x.y.z-v (last byte only), w.x.y.z>p.q.r.s, w.x.y.z/n (CIDR, without the block's
network and broadcast addresses), w.x.y.z, or a host name (resolved once).

Exit status: 0 done, 1 a requested pass could not run, 2 bad usage.
)";
}

ScanOptionsResult ParseScanOptions(const std::vector<std::string_view>& args,
                                   const HostNameLookup& lookup) {
    ScanOptions options;
    // Help wins over everything else, so no name is looked up and no error shown for it.
    for (const std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {options, ""};
        }
    }
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> attached;
        if (arg.starts_with("--")) {
            if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
                attached = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
            }
        }
        const bool takes_value = TakesValue(arg);
        if (attached && !takes_value) {
            return {std::nullopt, "option " + std::string(arg) + " takes no value"};
        }
        if (ApplySwitch(arg, options)) {
            continue;
        }
        if (takes_value) {
            // "--timeout=50" carries its value; "--timeout 50" takes the next argument.
            std::optional<std::string_view> value = attached;
            if (!value && i + 1 < args.size()) {
                value = args[++i];
            }
            if (auto error = ApplyValue(arg, value, options)) {
                return {std::nullopt, *error};
            }
        } else if (arg.starts_with("-") && arg != "-") {
            return {std::nullopt, "unknown option " + std::string(arg)};
        } else {
            RangeArgument range = ParseRangeArgument(arg, lookup);
            if (!range.range) {
                return {std::nullopt, range.error};
            }
            options.ranges.push_back(std::move(*range.range));
        }
    }
    if (options.ranges.empty()) {
        return {std::nullopt, "no range given"};
    }
    return {options, ""};
}

}  // namespace corvimap
