#include "games/quake_reply_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "games/quake_report.h"

namespace corvimap {
namespace {

using namespace std::string_literals;

using Strings = std::vector<std::string>;

const std::string kFF = "\xff\xff\xff\xff";

TEST(QuakeReportTest, RepliesOfEachGameGiveAddressServerPlayersEndMarkAndRules) {
    const std::string q3_status =
        kFF + "statusResponse\n\\sv_hostname\\^1Box\\g_gametype\\0\n" + "10 50 \"^1Red ^7Baron\"\n";
    const struct {
        const char* what;
        ServerReport report;
        std::string text;
    } cases[] = {
        // Name, map and counts come from the info reply, the rest from the status reply.
        {"Quake III Arena",
         BuildQuake3Report("127.0.0.1:27960", q3_status,
                           kFF + "infoResponse\n\\protocol\\68\\hostname\\Box\\mapname\\q3dm17" +
                               "\\clients\\2\\g_humanplayers\\1\\sv_maxclients\\16\\gametype\\0"),
         "127.0.0.1:27960|Box|q3dm17|2/16|^1Red ^7Baron|10|50|||end|sv_hostname|^1Box|"
         "g_gametype|0"},
        // Without its closing backslash the last info value has no end and stays empty.
        {"Quake III Arena, info value without end",
         BuildQuake3Report("a:1", q3_status,
                           kFF + "infoResponse\n\\hostname\\Box\\clients\\2\\sv_maxclients\\16"),
         "a:1|Box||2/|^1Red ^7Baron|10|50|||end|sv_hostname|^1Box|g_gametype|0"},
        // A pipe inside a name shifts every field after it.
        {"pipes in names",
         BuildQuakeWorldReport("10.0.0.9:27500",
                               kFF + "n\\hostname\\Frag|Net\\map\\dm6\\maxclients\\16\n" +
                                   "7 3 12 40 \"|ESP|Hunter\" \"base\" 1 1\n"),
         "10.0.0.9:27500|Frag|Net|dm6|1/16||ESP|Hunter|3|40|||end|hostname|Frag|Net|map|dm6|"
         "maxclients|16"},
        // Replies without landmarks or players still give the fixed fields.
        {"QuakeWorld junk", BuildQuakeWorldReport("a:1", kFF + "junk"), "a:1|||0/|||end"},
        {"Quake II junk", BuildQuake2Report("a:1", "garbage\n1 2 \"x\"\n"), "a:1|||0/|||end"},
        {"Quake III Arena junk", BuildQuake3Report("a:1", "no landmark\n\\a\\b\n1 2 \"x\"\n", ""),
         "a:1|||/|||end"},
        // A zero byte ends the reply: Bob's line lost its remaining tokens.
        {"zero byte",
         BuildQuakeWorldReport("a:1", kFF + "n\\hostname\\Arena\\map\\e1m1\n1 2 3 4\0 \"Bob\"\n"s),
         "a:1|Arena|e1m1|0/|||end|hostname|Arena|map|e1m1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.report.Text(), c.text) << c.what;
    }
    EXPECT_EQ(ReplyText("ab\0cd"s), "ab");
}

TEST(QuakeReplyParserTest, ValueLookupIsAPlainSubstringSearch) {
    const std::string reply = "\\mapname\\dm4\\hostname\\Box\\maxclients\\8\n1 2 \"x\"\n";
    EXPECT_EQ(FindInfoValue(reply, "\\map"), "dm4") << "\\map matches inside \\mapname";
    EXPECT_EQ(FindInfoValue(reply, "\\maxclients"), "8") << "no later backslash: ends at the LF";
    EXPECT_EQ(FindInfoValue(reply, "clients"), "8") << "without a leading backslash";
    EXPECT_EQ(FindInfoValue("\\hostname", "\\hostname"), "") << "no backslash follows";
    EXPECT_EQ(FindInfoValue("\\hostname\\Box", "\\hostname"), "") << "the value has no end";
    EXPECT_EQ(FindInfoValue("\\hostname\\\\map", "\\hostname"), "");
    // A later backslash wins over an earlier line feed.
    EXPECT_EQ(FindInfoValue("\\maxclients\\8\n3 4 \"a\\b\"\n", "\\maxclients"), "8\n3 4 \"a");
}

// The tokens read, the players as "name,frags,ping" and the rules as "key=value".
Strings Tokens(const std::string& text, size_t start, size_t max) {
    const TokenLine line = ReadTokens(text, start, max);
    return Strings(line.tokens.begin(), line.tokens.begin() + static_cast<long>(line.count));
}
Strings Players(const StatusLists& lists) {
    Strings players;
    for (const PlayerRow& player : lists.players) {
        players.push_back(player.name + "," + player.frags + "," + player.ping);
    }
    return players;
}
Strings Rules(const std::vector<RulePair>& rules) {
    Strings texts;
    for (const RulePair& rule : rules) {
        texts.push_back(rule.key + "=" + rule.value);
    }
    return texts;
}

TEST(QuakeReplyParserTest, TokenReaderRules) {
    const std::tuple<std::string, size_t, size_t, Strings> cases[] = {
        // No space follows the last token: the rest of the text.
        {"  5 12  \"Mr. Fragalot\" x", 0, 5, {"5", "12", "Mr. Fragalot", "x"}},
        {"1 2 \"never closed\n3 4", 0, 3, {"1", "2"}},       // an unclosed quote is no token
        {"1 2\n3 4 5", 0, 3, {"1", "2\n3", "4"}},            // a line feed does not end a token
        {"1 2 3 4 5 6 7", 0, 9, {"1", "2", "3", "4", "5"}},  // at most five tokens
        {"   ", 0, 3, {}},
        {"abc", 7, 3, {}},                   // a start past the end reads nothing
        {"1 \"\" 3", 0, 3, {"1", "", "3"}},  // an empty quoted name is a token
        // A cut never splits a UTF-8 character: 98 letters and a two-byte one keep 98 bytes.
        {"\"" + std::string(98, 'a') + "\xC3\xA9" + "b\"", 0, 1, {std::string(98, 'a')}},
    };
    for (const auto& [text, start, max, tokens] : cases) {
        EXPECT_EQ(Tokens(text, start, max), tokens) << text;
    }
}

TEST(QuakeReplyParserTest, LongTokensValuesAndKeysAreCutNotOverrun) {
    const std::string long_value(300, 'V');
    const std::string reply = kFF + "n\\hostname\\" + long_value + "\\map\\dm6\\maxclients\\8\\" +
                              std::string(300, 'K') + "\\" + long_value + "\n" + "1 " +
                              std::string(120, '7') + " 3 4 \"" + std::string(150, 'N') +
                              "\" \"base\" 1 1\n";
    const std::string value(255, 'V');
    EXPECT_EQ(BuildQuakeWorldReport("a:1", reply).Text(),
              "a:1|" + value + "|dm6|1/8|" + std::string(99, 'N') + "|" + std::string(99, '7') +
                  "|4|||end|hostname|" + value + "|map|dm6|maxclients|8|" + std::string(255, 'K') +
                  "|" + value);
}

TEST(QuakeReplyParserTest, PlayerLinesEndAtShortLinesUnclosedQuotesOrTheLastLineFeed) {
    // The last QuakeWorld line holds only four tokens.
    EXPECT_EQ(Players(ParseQuakeWorldStatus(kFF + "n\\maxclients\\8\n" +
                                            "5 12 300 45 \"Bob\" \"base\" 4 4\n6 1 2 3\n")),
              Strings({"Bob,12,45"}));
    // A short Quake II line borrows its missing token from the next line.
    EXPECT_EQ(Players(ParseQuake2Status(kFF + "print\n\\maxclients\\8\n12 45\n7 33 \"Phantom\"\n")),
              Strings({"33,12,45\n7", "Phantom,7,33"}));
    // A reply cut inside a player's name ends the list there.
    const StatusLists cut = ParseQuake3Status(kFF + "statusResponse\n\\sv_maxclients\\8\n" +
                                              "25 48 \"^1Red^7Baron\"\n14 62 \"Lucky ^3St");
    EXPECT_EQ(Players(cut), Strings({"^1Red^7Baron,25,48"}));
    EXPECT_EQ(Rules(cut.rules), Strings({"sv_maxclients=8"}));
    // The last line needs no line feed of its own.
    EXPECT_EQ(Players(ParseQuake2Status(kFF + "print\n\\maxclients\\8\n3 20 \"Last\"")),
              Strings({"Last,3,20"}));
    // Quake II players exist only after "print\n"; Quake III Arena ones after "statusResponse".
    EXPECT_TRUE(ParseQuake2Status(kFF + "prin\n\\a\\b\n1 2 \"x\"\n").players.empty());
    EXPECT_TRUE(ParseQuake3Status(kFF + "status\n\\a\\b\n1 2 \"x\"\n").players.empty());
}

TEST(QuakeReplyParserTest, RulePairsStopAtALineFeedOrAnIncompletePair) {
    const std::tuple<std::string, size_t, Strings> cases[] = {
        {"\\a\\1\\b\\2\n3 4 \"c\"\n", 0, {"a=1", "b=2"}},
        // A value ends at the next backslash even past a line feed, so a backslash in a later
        // line stretches the last value and the pairs go on from there.
        {"\\a\\1\n3 4 \"c\\d\\e\"\n", 0, {"a=1\n3 4 \"c", "d=e\""}},
        {"\\a\\1\\b", 0, {"a=1"}},     // a key without its backslash stops
        {"\\a\\1\\b\\2", 0, {"a=1"}},  // a value without an end is dropped
        {"a\\1\\", 0, {}},             // the start must be a backslash
        {"\\a\\1\n", 99, {}},
    };
    for (const auto& [reply, start, rules] : cases) {
        EXPECT_EQ(Rules(ParseRulePairs(reply, start)), rules) << reply;
    }
    // A reply truncated inside its info string keeps the complete pairs only.
    const StatusLists lists = ParseQuakeWorldStatus(kFF + "n\\hostname\\Arena\\map\\e1");
    EXPECT_EQ(Rules(lists.rules), Strings({"hostname=Arena"}));
    EXPECT_TRUE(lists.players.empty());
}

}  // namespace
}  // namespace corvimap
