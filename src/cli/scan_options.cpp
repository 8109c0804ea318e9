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

bool ParseDottedQuad(std::string_view text) {
    int octets = 0;
    while (true) {
        const size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 3 || !ParseNumber(part, 0, 255)) {
            return false;
        }
        ++octets;
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    return octets == 4;
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

}  // namespace

std::optional<std::string> NormalizeRangeArgument(std::string_view text) {
    if (const size_t dash = text.find('-'); dash != std::string_view::npos) {
        if (ParseDottedQuad(text.substr(0, dash)) && ParseNumber(text.substr(dash + 1), 0, 255)) {
            return std::string(text);
        }
        return std::nullopt;
    }
    if (const size_t arrow = text.find('>'); arrow != std::string_view::npos) {
        if (ParseDottedQuad(text.substr(0, arrow)) && ParseDottedQuad(text.substr(arrow + 1))) {
            return std::string(text);
        }
        return std::nullopt;
    }
    if (!ParseDottedQuad(text)) {
        return std::nullopt;
    }
    return std::string(text) + "-" + std::string(text.substr(text.rfind('.') + 1));
}

ScanOptionsResult ParseScanOptions(const std::vector<std::string_view>& args) {
    ScanOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> attached;
        if (arg.starts_with("--")) {
            if (const size_t equals = arg.find('='); equals != std::string_view::npos) {
                attached = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
            }
        }
        auto value = [&]() -> std::optional<std::string_view> {
            if (attached) {
                return attached;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        auto fail = [](std::string message) { return ScanOptionsResult{std::nullopt, message}; };
        const bool takes_value = arg == "--games" || arg == "--timeout" || arg == "--threads" ||
                                 arg == "--log" || arg == "--search";
        if (attached && !takes_value) {
            return fail("option " + std::string(arg) + " takes no value");
        }

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
        } else if (arg == "--games") {
            auto list = value();
            auto games = list ? ParseGameList(*list) : std::nullopt;
            if (!games) {
                return fail("bad --games list '" + std::string(list.value_or("")) +
                            "': use a comma list of qw, q2, q3");
            }
            options.game_types = *games;
        } else if (arg == "--timeout") {
            auto text = value();
            auto number = text ? ParseNumber(*text, 1, 600000) : std::nullopt;
            if (!number) {
                return fail("bad --timeout '" + std::string(text.value_or("")) +
                            "': milliseconds from 1 to 600000");
            }
            options.timeout_ms = *number;
        } else if (arg == "--threads") {
            auto text = value();
            auto number = text ? ParseNumber(*text, 1, 4096) : std::nullopt;
            if (!number) {
                return fail("bad --threads '" + std::string(text.value_or("")) +
                            "': a number from 1 to 4096");
            }
            options.threads = *number;
        } else if (arg == "--log") {
            auto path = value();
            if (!path || path->empty()) {
                return fail("option --log needs a file name");
            }
            options.log_file = std::string(*path);
        } else if (arg == "--search") {
            auto masks = value();
            if (!masks || masks->empty()) {
                return fail("option --search needs masks, e.g. '*.mp3|*.avi'");
            }
            // The search walks the shares the scan lists.
            options.search_masks = std::string(*masks);
            options.list_shares = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return fail("unknown option " + std::string(arg));
        } else {
            auto range = NormalizeRangeArgument(arg);
            if (!range) {
                return fail("bad range '" + std::string(arg) +
                            "': use w.x.y.z-v, w.x.y.z>p.q.r.s or w.x.y.z");
            }
            options.ranges.push_back(*range);
        }
    }
    if (options.ranges.empty()) {
        return {std::nullopt, "no range given"};
    }
    return {options, ""};
}

}  // namespace corvimap
