#include "games/server_report_details.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

using Rules = std::vector<std::pair<std::string, std::string>>;

TEST(ServerReportDetailsTest, PlayersUntilEndThenRulePairs) {
    const auto details = ReadServerReportDetails(
        "198.18.0.20:27500|Lab DM|dm4|2/16|^1Red Baron|12|35|Player Two|-1|120|||end|maxclients|16|"
        "map|dm4");
    ASSERT_EQ(details.players.size(), 2u);
    EXPECT_EQ(details.players[0].name, "^1Red Baron");
    EXPECT_EQ(details.players[1].frags, "-1");
    EXPECT_EQ(details.players[1].ping, "120");
    EXPECT_TRUE(details.rules_read);
    EXPECT_EQ(details.rules, (Rules{{"maxclients", "16"}, {"map", "dm4"}}));
}

TEST(ServerReportDetailsTest, APipeInANameShiftsTheFieldsAfterIt) {
    // The player "a|b" with 3 frags and ping 50: every triple after the name is one field late,
    // so "end" is never found in its place, and the reading runs out before the rules.
    const auto details = ReadServerReportDetails("1.2.3.4:1|s|m|1/8|a|b|3|50|||end|k|v|k2|v2");
    ASSERT_EQ(details.players.size(), 3u);
    EXPECT_EQ(details.players[0].name, "a");
    EXPECT_EQ(details.players[0].ping, "3");
    EXPECT_EQ(details.players[2].name, "end");
    EXPECT_FALSE(details.rules_read);
}

TEST(ServerReportDetailsTest, ShortReportsAndOddRuleCounts) {
    const auto bare = ReadServerReportDetails("1.2.3.4:1|s|m|0/8");
    EXPECT_TRUE(bare.rules_read && bare.players.empty());

    const auto cut = ReadServerReportDetails("1.2.3.4:1|s|m|0/8|name|5");
    EXPECT_FALSE(cut.rules_read) << "player fields ran out: the rules list stays as it was";

    const auto odd = ReadServerReportDetails("1.2.3.4:1|s|m|0/8|||end|k|v|lonely");
    EXPECT_TRUE(odd.players.empty());
    EXPECT_EQ(odd.rules, (Rules{{"k", "v"}}));

    const auto trailing = ReadServerReportDetails("1.2.3.4:1|s|m|0/8|||end|k|");
    EXPECT_TRUE(trailing.rules.empty()) << "a separator as the last character is no field";

    const std::string long_value(300, 'x');
    const auto capped = ReadServerReportDetails("1.2.3.4:1|s|m|0/8|||end|k|" + long_value);
    ASSERT_EQ(capped.rules.size(), 1u);
    EXPECT_EQ(capped.rules[0].second.size(), 255u);
}

}  // namespace
}  // namespace corvimap
