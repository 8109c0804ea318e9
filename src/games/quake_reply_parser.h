#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// Reading the text replies of Quake family servers: an info string ("\key\value" pairs), a line
// feed, then one line of space-separated tokens per player. The rules below are deliberately
// literal (plain substring searches, no escaping), because the report format and the views
// depend on exactly these results. Every function works on any bytes; callers that hold a raw
// datagram pass it through ReplyText first.

// Caps on what one piece of a reply may yield: a player token 99 bytes, an info value, a rule
// key and a rule value 255 bytes each. Longer pieces are cut.
inline constexpr size_t kMaxTokenBytes = 99;
inline constexpr size_t kMaxValueBytes = 255;

// The parsed part of a reply datagram: everything up to its first zero byte.
std::string_view ReplyText(std::string_view datagram);

// The value of the first occurrence of key anywhere in the reply: it starts after the first
// backslash that follows the key and ends before the next backslash or, when there is none, the
// next line feed. Empty when the key is absent, no backslash follows it or the value has no end.
// Keys are passed with or without their leading backslash, which changes what they match
// ("\map" also matches "\mapname").
std::string FindInfoValue(std::string_view reply, std::string_view key);

// Up to five tokens read from a position: spaces are skipped, a token in double quotes runs to
// the closing quote (none: no token), any other token to the next space or, without one, to the
// end of the text, after which no token follows. A line feed does not end a token.
struct TokenLine {
    size_t count = 0;  // tokens read before the first missing one
    std::array<std::string, 5> tokens;
};
TokenLine ReadTokens(std::string_view text, size_t position, size_t wanted);

// Which tokens of a player line make the name, frags and ping (counted from 1).
struct PlayerLineLayout {
    size_t tokens_needed;
    size_t name_token;
    size_t frags_token;
    size_t ping_token;
};
// "userid frags time ping "name" "skin" top bottom"
inline constexpr PlayerLineLayout kQuakeWorldPlayerLine{5, 5, 2, 4};
// "frags ping "name"" (Quake II) and "score ping "name"" (Quake III Arena)
inline constexpr PlayerLineLayout kQuake2PlayerLine{3, 3, 1, 2};

struct PlayerRow {
    std::string name;
    std::string frags;
    std::string ping;
};

struct RulePair {
    std::string key;
    std::string value;
};

// Player lines after the line feed at landmark (npos: no players). Each line is read from the
// character after a line feed; the list ends at the first line with too few tokens or when no
// further line feed follows.
std::vector<PlayerRow> ParsePlayerLines(std::string_view reply, size_t landmark,
                                        const PlayerLineLayout& layout);

// Key/value pairs from start while the text there is a backslash; a line feed ends them, as does
// a key without a closing backslash or a value that ends neither at a backslash nor a line feed
// (that pair is dropped).
std::vector<RulePair> ParseRulePairs(std::string_view reply, size_t start);

// Players and rules of one status reply, with each protocol's landmarks.
struct StatusLists {
    std::vector<PlayerRow> players;
    std::vector<RulePair> rules;
};
// QuakeWorld: players after the first line feed past the first byte, rules from the backslash
// of the first "n\".
StatusLists ParseQuakeWorldStatus(std::string_view reply);
// Quake II: only with "print\n"; players after the info line, rules after the first line feed.
StatusLists ParseQuake2Status(std::string_view reply);
// Quake III Arena getstatus: only with "statusResponse"; players after the second line feed,
// rules after the first.
StatusLists ParseQuake3Status(std::string_view reply);

}  // namespace corvimap
