#include "games/quake_reply_parser.h"

#include "text/utf8_cut.h"

namespace corvimap {
namespace {

constexpr size_t npos = std::string_view::npos;

std::string Capped(std::string_view text, size_t max_bytes) {
    return std::string(CutUtf8(text, max_bytes));
}

// Where the player lines start: each protocol names one line feed of its reply.
size_t QuakeWorldPlayersLandmark(std::string_view reply) {
    return reply.empty() ? npos : reply.find('\n', 1);
}

size_t Quake2PlayersLandmark(std::string_view reply) {
    const size_t print = reply.find("print\n");
    if (print == npos) {
        return npos;
    }
    // The info line starts right after "print\n"; its line feed is searched from the 8th
    // character on, so a line feed in the first two places of the info line is passed over.
    return reply.find('\n', print + 7);
}

size_t Quake3PlayersLandmark(std::string_view reply) {
    if (reply.find("statusResponse") == npos) {
        return npos;
    }
    const size_t first = reply.find('\n');
    return first == npos ? npos : reply.find('\n', first + 1);
}

size_t AfterFirstLineFeed(std::string_view reply) {
    const size_t first = reply.find('\n');
    return first == npos ? npos : first + 1;
}

}  // namespace

std::string_view ReplyText(std::string_view datagram) {
    return datagram.substr(0, datagram.find('\0'));
}

std::string FindInfoValue(std::string_view reply, std::string_view key) {
    const size_t found = reply.find(key);
    if (found == npos) {
        return {};
    }
    const size_t backslash = reply.find('\\', found + key.size());
    if (backslash == npos) {
        return {};
    }
    const size_t start = backslash + 1;
    size_t end = reply.find('\\', start);
    if (end == npos) {
        end = reply.find('\n', start);
    }
    if (end == npos) {
        return {};
    }
    return Capped(reply.substr(start, end - start), kMaxValueBytes);
}

TokenLine ReadTokens(std::string_view text, size_t position, size_t wanted) {
    TokenLine line;
    if (wanted > line.tokens.size()) {
        wanted = line.tokens.size();
    }
    size_t at = position;
    while (line.count < wanted) {
        while (at < text.size() && text[at] == ' ') {
            ++at;
        }
        if (at >= text.size()) {
            break;
        }
        if (text[at] == '"') {
            const size_t close = text.find('"', at + 1);
            if (close == npos) {
                break;
            }
            line.tokens[line.count++] = Capped(text.substr(at + 1, close - at - 1), kMaxTokenBytes);
            at = close + 1;
            continue;
        }
        const size_t space = text.find(' ', at);
        if (space == npos) {
            line.tokens[line.count++] = Capped(text.substr(at), kMaxTokenBytes);
            break;
        }
        line.tokens[line.count++] = Capped(text.substr(at, space - at), kMaxTokenBytes);
        at = space;
    }
    return line;
}

std::vector<PlayerRow> ParsePlayerLines(std::string_view reply, size_t landmark,
                                        const PlayerLineLayout& layout) {
    std::vector<PlayerRow> players;
    size_t line_feed = landmark;
    while (line_feed != npos && line_feed < reply.size()) {
        TokenLine line = ReadTokens(reply, line_feed + 1, layout.tokens_needed);
        if (line.count < layout.tokens_needed) {
            break;
        }
        players.push_back({std::move(line.tokens[layout.name_token - 1]),
                           std::move(line.tokens[layout.frags_token - 1]),
                           std::move(line.tokens[layout.ping_token - 1])});
        line_feed = reply.find('\n', line_feed + 1);
    }
    return players;
}

std::vector<RulePair> ParseRulePairs(std::string_view reply, size_t start) {
    std::vector<RulePair> rules;
    size_t at = start;
    while (at < reply.size() && reply[at] == '\\') {
        const size_t key_end = reply.find('\\', at + 1);
        if (key_end == npos) {
            break;
        }
        const size_t value_start = key_end + 1;
        size_t value_end = reply.find('\\', value_start);
        if (value_end == npos) {
            value_end = reply.find('\n', value_start);
        }
        if (value_end == npos) {
            break;
        }
        rules.push_back(
            {Capped(reply.substr(at + 1, key_end - at - 1), kMaxValueBytes),
             Capped(reply.substr(value_start, value_end - value_start), kMaxValueBytes)});
        at = value_end;
    }
    return rules;
}

StatusLists ParseQuakeWorldStatus(std::string_view reply) {
    reply = ReplyText(reply);
    StatusLists lists;
    lists.players =
        ParsePlayerLines(reply, QuakeWorldPlayersLandmark(reply), kQuakeWorldPlayerLine);
    const size_t info = reply.find("n\\");
    if (info != npos) {
        lists.rules = ParseRulePairs(reply, info + 1);
    }
    return lists;
}

StatusLists ParseQuake2Status(std::string_view reply) {
    reply = ReplyText(reply);
    StatusLists lists;
    if (reply.find("print\n") == npos) {
        return lists;
    }
    lists.players = ParsePlayerLines(reply, Quake2PlayersLandmark(reply), kQuake2PlayerLine);
    lists.rules = ParseRulePairs(reply, AfterFirstLineFeed(reply));
    return lists;
}

StatusLists ParseQuake3Status(std::string_view reply) {
    reply = ReplyText(reply);
    StatusLists lists;
    if (reply.find("statusResponse") == npos) {
        return lists;
    }
    lists.players = ParsePlayerLines(reply, Quake3PlayersLandmark(reply), kQuake2PlayerLine);
    lists.rules = ParseRulePairs(reply, AfterFirstLineFeed(reply));
    return lists;
}

}  // namespace corvimap
