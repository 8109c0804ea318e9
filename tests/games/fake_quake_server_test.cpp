// Checks the fake game servers against an independent client, quakestat (Debian package qstat),
// so that what the game server tests query is a fair stand-in for the real servers.
#include "lab/fake_quake_server.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lab/netns_sandbox.h"

namespace corvimap::testing {
namespace {

// quakestat's raw output for one server with its rules and players, one line per row and the
// fields of a row separated by tabs.
std::vector<std::vector<std::string>> RunQuakestat(const std::string& type, uint16_t port) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(ShellOutput("quakestat -nh -R -P -raw '\t' " + type +
                                         " 127.0.0.1:" + std::to_string(port) + " 2>&1"));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string field; std::getline(cells, field, '\t');) {
            fields.push_back(field);
        }
        if (!fields.empty()) {
            rows.push_back(std::move(fields));
        }
    }
    return rows;
}

std::string ValueOf(const FakeServerState& state, const std::string& key) {
    for (const auto& [name, value] : state.info) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

// Every rule of the state except those quakestat moves into its server line.
void ExpectRulesShown(const FakeServerState& state, const std::vector<std::string>& shown) {
    const std::set<std::string> moved = {"hostname",   "map",           "mapname",
                                         "maxclients", "sv_maxclients", "maxspectators"};
    const std::set<std::string> listed(shown.begin(), shown.end());
    int checked = 0;
    for (const auto& [key, value] : state.info) {
        if (moved.count(key) == 0) {
            EXPECT_EQ(listed.count(key + "=" + value), 1u) << key;
            ++checked;
        }
    }
    EXPECT_GE(checked, 12) << "a realistic server has many rules";
}

// A name as quakestat prints it: Quake III Arena colour codes dropped, and in player names
// QuakeWorld's gold brackets made plain.
std::string AsQuakestatShows(const std::string& name, bool colour_codes, bool plain_brackets) {
    std::string shown;
    for (size_t i = 0; i < name.size(); ++i) {
        if (colour_codes && name[i] == '^' && i + 1 < name.size()) {
            ++i;
        } else if (plain_brackets && (name[i] == '\x90' || name[i] == '\x91')) {
            shown += name[i] == '\x90' ? '[' : ']';
        } else {
            shown += name[i];
        }
    }
    return shown;
}

TEST(FakeQuakeServerTest, QuakestatReadsEveryFakeServer) {
    if (!ProgramExists("quakestat")) {
        GTEST_SKIP() << "quakestat (package qstat) is not installed; the fake servers are not "
                        "checked against it";
    }
    struct Case {
        FakeGame game;
        FakeServerState state;
        const char* option;
        const char* tag;
        const char* name_key;
        const char* map;
        const char* max_players;
        size_t name_column, frags_column, ping_column;  // of a player row
    };
    const Case cases[] = {
        {FakeGame::kQuakeWorld, RealisticQuakeWorldServer(), "-qws", "QWS", "hostname", "dm6", "16",
         1, 2, 6},
        {FakeGame::kQuake2, RealisticQuake2Server(), "-q2s", "Q2S", "hostname", "q2dm1", "12", 0, 1,
         2},
        {FakeGame::kQuake3, RealisticQuake3Server(), "-q3s", "Q3S", "sv_hostname", "q3dm17", "16",
         0, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const bool colour_codes = c.game == FakeGame::kQuake3;
        FakeQuakeServer server(c.game, c.state);
        ASSERT_TRUE(server.Ok());
        const auto rows = RunQuakestat(c.option, server.Port());
        ASSERT_EQ(rows.size(), 2 + c.state.players.size());
        ASSERT_GE(rows[0].size(), 6u);
        EXPECT_EQ(rows[0][0], c.tag);
        EXPECT_EQ(std::vector<std::string>(rows[0].begin() + 2, rows[0].begin() + 6),
                  (std::vector<std::string>{
                      AsQuakestatShows(ValueOf(c.state, c.name_key), colour_codes, false), c.map,
                      c.max_players, std::to_string(c.state.players.size())}));
        ExpectRulesShown(c.state, rows[1]);
        for (size_t i = 0; i < c.state.players.size(); ++i) {
            const auto& row = rows[2 + i];
            ASSERT_GT(row.size(), c.ping_column);
            EXPECT_EQ(row[c.name_column],
                      AsQuakestatShows(c.state.players[i].name, colour_codes, true));
            EXPECT_EQ(row[c.frags_column], std::to_string(c.state.players[i].frags));
            EXPECT_EQ(row[c.ping_column], std::to_string(c.state.players[i].ping));
        }
    }
}

}  // namespace
}  // namespace corvimap::testing
