#include "games/quake_reply_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "games/quake_report.h"

namespace corvimap {
namespace {

using namespace std::string_literals;

const std::string kFF = "\xff\xff\xff\xff";

TEST(QuakeReportTest, RepliesOfEachGameGiveAddressServerPlayersEndMarkAndRules) {
    const std::string q3_status =
        kFF + "statusResponse\n\\sv_hostname\\^1Box\\g_gametype\\0\n" + "10 50 \"^1Red ^7Baron\"\n";
    const struct {
        const char* what;
        ServerReport report;
        std::string text;
    } cases[] = {
        {"QuakeWorld",
         BuildQuakeWorldReport(ServerAddressField(MakeAddress(10, 0, 0, 5), 27500),
                               kFF + "n\\hostname\\Arena\\map\\e1m1\\maxclients\\8\n" +
                                   "5 12 300 45 \"Bob\" \"base\" 4 4\n"),
         "10.0.0.5:27500|Arena|e1m1|1/8|Bob|12|45|||end|hostname|Arena|map|e1m1|maxclients|8"},
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
        {"Quake II",
         BuildQuake2Report("10.0.0.7:27910",
                           kFF + "print\n\\mapname\\q2dm1\\hostname\\Q2 Arena\\maxclients\\12" +
                               "\n18 61 \"Big Bad Wolf\"\n7 33 \"Phantom\"\n"),
         "10.0.0.7:27910|Q2 Arena|q2dm1|2/12|Big Bad Wolf|18|61|Phantom|7|33|||end|"
         "mapname|q2dm1|hostname|Q2 Arena|maxclients|12"},
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
        {"QuakeWorld, nobody on",
         BuildQuakeWorldReport("a:1", kFF + "n\\hostname\\Empty\\maxclients\\8\n"),
         "a:1|Empty||0/8|||end|hostname|Empty|maxclients|8"},
        {"Quake III Arena, nobody on",
         BuildQuake3Report("a:1", kFF + "statusResponse\n\\sv_maxclients\\8\n",
                           kFF + "infoResponse\n\\clients\\0\\sv_maxclients\\8\\pure\\1"),
         "a:1|||0/8|||end|sv_maxclients|8"},
        // A zero byte ends the reply: Bob's line lost its remaining tokens.
        {"zero byte",
         BuildQuakeWorldReport("a:1", kFF + "n\\hostname\\Arena\\map\\e1m1\n1 2 3 4\0 \"Bob\"\n"s),
         "a:1|Arena|e1m1|0/|||end|hostname|Arena|map|e1m1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.report.Text(), c.text);
        EXPECT_EQ(c.report.Length(), c.text.size() + 1) << "the length counts the ending zero";
    }
    EXPECT_EQ(ReplyText("ab\0cd"s), "ab");
}

TEST(QuakeReplyParserTest, ValueLookupIsAPlainSubstringSearch) {
    const std::string reply = "\\mapname\\dm4\\hostname\\Box\\maxclients\\8\n1 2 \"x\"\n";
    EXPECT_EQ(FindInfoValue(reply, "\\map"), "dm4") << "\\map matches inside \\mapname";
    EXPECT_EQ(FindInfoValue(reply, "\\hostname"), "Box");
    EXPECT_EQ(FindInfoValue(reply, "\\maxclients"), "8") << "no later backslash: ends at the LF";
    EXPECT_EQ(FindInfoValue(reply, "clients"), "8") << "without a leading backslash";
    EXPECT_EQ(FindInfoValue(reply, "\\fraglimit"), "");
    EXPECT_EQ(FindInfoValue("\\hostname", "\\hostname"), "") << "no backslash follows";
    EXPECT_EQ(FindInfoValue("\\hostname\\Box", "\\hostname"), "") << "the value has no end";
    EXPECT_EQ(FindInfoValue("\\hostname\\\\map", "\\hostname"), "");
    // A later backslash wins over an earlier line feed.
    EXPECT_EQ(FindInfoValue("\\maxclients\\8\n3 4 \"a\\b\"\n", "\\maxclients"), "8\n3 4 \"a");
}

TEST(QuakeReplyParserTest, TokenReaderRules) {
    TokenLine line = ReadTokens("  5 12  \"Mr. Fragalot\" x", 0, 5);
    ASSERT_EQ(line.count, 4u);
    EXPECT_EQ(line.tokens[0], "5");
    EXPECT_EQ(line.tokens[1], "12");
    EXPECT_EQ(line.tokens[2], "Mr. Fragalot");
    EXPECT_EQ(line.tokens[3], "x") << "no space follows: the rest of the text";

    line = ReadTokens("1 2 \"never closed\n3 4", 0, 3);
    EXPECT_EQ(line.count, 2u) << "an unclosed quote is no token";

    line = ReadTokens("1 2\n3 4 5", 0, 3);
    ASSERT_EQ(line.count, 3u);
    EXPECT_EQ(line.tokens[1], "2\n3") << "a line feed does not end a token";

    line = ReadTokens("1 2 3 4 5 6 7", 0, 9);
    EXPECT_EQ(line.count, 5u) << "at most five tokens";
    EXPECT_EQ(ReadTokens("   ", 0, 3).count, 0u);
    EXPECT_EQ(ReadTokens("abc", 7, 3).count, 0u) << "a start past the end reads nothing";

    line = ReadTokens("1 \"\" 3", 0, 3);
    ASSERT_EQ(line.count, 3u);
    EXPECT_EQ(line.tokens[1], "") << "an empty quoted name is a token";
}

TEST(QuakeReplyParserTest, LongTokensValuesAndKeysAreCutNotOverrun) {
    const std::string long_name(150, 'N');
    const std::string long_value(300, 'V');
    const std::string long_key(300, 'K');
    const std::string reply = kFF + "n\\hostname\\" + long_value + "\\map\\dm6\\maxclients\\8\\" +
                              long_key + "\\" + long_value + "\n" + "1 " + std::string(120, '7') +
                              " 3 4 \"" + long_name + "\" \"base\" 1 1\n";
    const ServerReport report = BuildQuakeWorldReport("a:1", reply);
    EXPECT_EQ(report.Field(1), std::string(255, 'V'));
    EXPECT_EQ(report.Field(4), std::string(99, 'N'));
    EXPECT_EQ(report.Field(5), std::string(99, '7'));
    EXPECT_EQ(report.Field(7), "");
    EXPECT_EQ(report.Field(9), "end");
    EXPECT_EQ(report.Field(10), "hostname");
    EXPECT_EQ(report.Field(11), std::string(255, 'V'));
    EXPECT_EQ(report.Field(16), std::string(255, 'K'));
    EXPECT_EQ(report.Field(17), std::string(255, 'V'));

    // A cut never splits a UTF-8 character: 98 letters and a two-byte one keep 98 bytes.
    const TokenLine line = ReadTokens("\"" + std::string(98, 'a') + "\xC3\xA9" + "b\"", 0, 1);
    EXPECT_EQ(line.tokens[0], std::string(98, 'a'));
}

TEST(QuakeReplyParserTest, PlayerLinesEndAtShortLinesUnclosedQuotesOrTheLastLineFeed) {
    // The last QuakeWorld line holds only four tokens.
    StatusLists lists = ParseQuakeWorldStatus(kFF + "n\\maxclients\\8\n" +
                                              "5 12 300 45 \"Bob\" \"base\" 4 4\n6 1 2 3\n");
    ASSERT_EQ(lists.players.size(), 1u);
    EXPECT_EQ(lists.players[0].name, "Bob");

    // A short Quake II line borrows its missing token from the next line.
    lists = ParseQuake2Status(kFF + "print\n\\maxclients\\8\n12 45\n7 33 \"Phantom\"\n");
    ASSERT_EQ(lists.players.size(), 2u);
    EXPECT_EQ(lists.players[0].name, "33");
    EXPECT_EQ(lists.players[0].frags, "12");
    EXPECT_EQ(lists.players[0].ping, "45\n7");
    EXPECT_EQ(lists.players[1].name, "Phantom");

    // A reply cut inside a player's name ends the list there.
    lists = ParseQuake3Status(kFF + "statusResponse\n\\sv_maxclients\\8\n" +
                              "25 48 \"^1Red^7Baron\"\n14 62 \"Lucky ^3St");
    ASSERT_EQ(lists.players.size(), 1u);
    EXPECT_EQ(lists.players[0].name, "^1Red^7Baron");
    ASSERT_EQ(lists.rules.size(), 1u);

    // The last line needs no line feed of its own.
    lists = ParseQuake2Status(kFF + "print\n\\maxclients\\8\n3 20 \"Last\"");
    ASSERT_EQ(lists.players.size(), 1u);

    // Quake II players exist only after "print\n"; Quake III Arena ones after "statusResponse".
    EXPECT_TRUE(ParseQuake2Status(kFF + "prin\n\\a\\b\n1 2 \"x\"\n").players.empty());
    EXPECT_TRUE(ParseQuake3Status(kFF + "status\n\\a\\b\n1 2 \"x\"\n").players.empty());
}

TEST(QuakeReplyParserTest, RulePairsStopAtALineFeedOrAnIncompletePair) {
    std::vector<RulePair> rules = ParseRulePairs("\\a\\1\\b\\2\n3 4 \"c\"\n", 0);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].key, "b");
    EXPECT_EQ(rules[1].value, "2");

    // A value ends at the next backslash even past a line feed, so a backslash in a later line
    // stretches the last value and the pairs go on from there.
    rules = ParseRulePairs("\\a\\1\n3 4 \"c\\d\\e\"\n", 0);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].value, "1\n3 4 \"c");
    EXPECT_EQ(rules[1].key, "d");
    EXPECT_EQ(rules[1].value, "e\"");

    EXPECT_EQ(ParseRulePairs("\\a\\1\\b", 0).size(), 1u) << "a key without its backslash stops";
    EXPECT_EQ(ParseRulePairs("\\a\\1\\b\\2", 0).size(), 1u) << "a value without an end is dropped";
    EXPECT_TRUE(ParseRulePairs("a\\1\\", 0).empty()) << "the start must be a backslash";
    EXPECT_TRUE(ParseRulePairs("\\a\\1\n", 99).empty());

    // A reply truncated inside its info string keeps the complete pairs only.
    const StatusLists lists = ParseQuakeWorldStatus(kFF + "n\\hostname\\Arena\\map\\e1");
    ASSERT_EQ(lists.rules.size(), 1u);
    EXPECT_EQ(lists.rules[0].value, "Arena");
    EXPECT_TRUE(lists.players.empty());
}

}  // namespace
}  // namespace corvimap
