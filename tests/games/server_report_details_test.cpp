#include "games/server_report_details.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

// "name,frags,ping;" per player, then whether the rules were read and each "key=value".
std::string Describe(const ServerReportDetails& details) {
    std::string text;
    for (const auto& player : details.players) {
        text += player.name + "," + player.frags + "," + player.ping + ";";
    }
    text += details.rules_read ? " rules" : " no rules";
    for (const auto& [key, value] : details.rules) {
        text += " " + key + "=" + value;
    }
    return text;
}

TEST(ServerReportDetailsTest, PlayersUntilEndThenRulePairs) {
    const std::string long_value(300, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"198.18.0.20:27500|Lab DM|dm4|2/16|^1Red Baron|12|35|Player Two|-1|120|||end|"
         "maxclients|16|map|dm4",
         "^1Red Baron,12,35;Player Two,-1,120; rules maxclients=16 map=dm4"},
        // The player "a|b" with 3 frags and ping 50: every triple after the name is one field
        // late, so "end" is never found in its place, and the reading runs out before the rules.
        {"1.2.3.4:1|s|m|1/8|a|b|3|50|||end|k|v|k2|v2", "a,b,3;50,,;end,k,v; no rules"},
        {"1.2.3.4:1|s|m|0/8", " rules"},
        // Player fields that run out leave the rules list as it was.
        {"1.2.3.4:1|s|m|0/8|name|5", " no rules"},
        {"1.2.3.4:1|s|m|0/8|||end|k|v|lonely", " rules k=v"},
        {"1.2.3.4:1|s|m|0/8|||end|k|", " rules"},  // a separator as the last character is no field
        {"1.2.3.4:1|s|m|0/8|||end|k|" + long_value, " rules k=" + long_value.substr(0, 255)},
    };
    for (const auto& [report, described] : cases) {
        EXPECT_EQ(Describe(ReadServerReportDetails(report)), described) << report;
    }
}

}  // namespace
}  // namespace corvimap
