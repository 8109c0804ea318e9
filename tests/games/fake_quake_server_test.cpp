// Checks the fake game servers against an independent client, quakestat (Debian package qstat),
// so that what the game server tests query is a fair stand-in for the real servers.
#include "lab/fake_quake_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace corvimap::testing {
namespace {

bool QuakestatInstalled() {
    return std::system("command -v quakestat >/dev/null 2>&1") == 0;
}

// quakestat's raw output for one server with its rules and players, one line per row and the
// fields of a row separated by tabs.
std::vector<std::vector<std::string>> RunQuakestat(const std::string& type, uint16_t port) {
    const std::string command =
        "quakestat -nh -R -P -raw '\t' " + type + " 127.0.0.1:" + std::to_string(port) + " 2>&1";
    std::vector<std::vector<std::string>> rows;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return rows;
    }
    std::string output;
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, read);
    }
    ::pclose(pipe);
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            continue;
        }
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            const size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos) {
                break;
            }
            start = tab + 1;
        }
        rows.push_back(std::move(fields));
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

// quakestat shows Quake III Arena names without their colour codes.
std::string WithoutColourCodes(const std::string& name) {
    std::string plain;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '^' && i + 1 < name.size()) {
            ++i;
        } else {
            plain += name[i];
        }
    }
    return plain;
}

// and QuakeWorld's gold brackets as plain ones.
std::string WithPlainBrackets(std::string name) {
    for (char& c : name) {
        c = c == '\x90' ? '[' : c == '\x91' ? ']' : c;
    }
    return name;
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

class FakeQuakeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QuakestatInstalled()) {
            GTEST_SKIP() << "quakestat (package qstat) is not installed; the fake servers are not "
                            "checked against it";
        }
    }
};

TEST_F(FakeQuakeServerTest, QuakestatReadsTheQuakeWorldServer) {
    const FakeServerState state = RealisticQuakeWorldServer();
    FakeQuakeServer server(FakeGame::kQuakeWorld, state);
    ASSERT_TRUE(server.Ok());
    const auto rows = RunQuakestat("-qws", server.Port());
    ASSERT_EQ(rows.size(), 2 + state.players.size());
    ASSERT_GE(rows[0].size(), 6u);
    EXPECT_EQ(rows[0][0], "QWS");
    EXPECT_EQ(rows[0][2], ValueOf(state, "hostname"));
    EXPECT_EQ(rows[0][3], "dm6");
    EXPECT_EQ(rows[0][4], "16");
    EXPECT_EQ(rows[0][5], std::to_string(state.players.size()));
    ExpectRulesShown(state, rows[1]);
    for (size_t i = 0; i < state.players.size(); ++i) {
        const auto& row = rows[2 + i];
        ASSERT_GE(row.size(), 7u);
        EXPECT_EQ(row[1], WithPlainBrackets(state.players[i].name));
        EXPECT_EQ(row[2], std::to_string(state.players[i].frags));
        EXPECT_EQ(row[6], std::to_string(state.players[i].ping));
    }
}

TEST_F(FakeQuakeServerTest, QuakestatReadsTheQuakeIIServer) {
    const FakeServerState state = RealisticQuake2Server();
    FakeQuakeServer server(FakeGame::kQuake2, state);
    ASSERT_TRUE(server.Ok());
    const auto rows = RunQuakestat("-q2s", server.Port());
    ASSERT_EQ(rows.size(), 2 + state.players.size());
    ASSERT_GE(rows[0].size(), 6u);
    EXPECT_EQ(rows[0][0], "Q2S");
    EXPECT_EQ(rows[0][2], "Quake II Deathmatch Arena");
    EXPECT_EQ(rows[0][3], "q2dm1");
    EXPECT_EQ(rows[0][4], "12");
    EXPECT_EQ(rows[0][5], "3");
    ExpectRulesShown(state, rows[1]);
    for (size_t i = 0; i < state.players.size(); ++i) {
        EXPECT_EQ(rows[2 + i], (std::vector<std::string>{state.players[i].name,
                                                         std::to_string(state.players[i].frags),
                                                         std::to_string(state.players[i].ping)}));
    }
}

TEST_F(FakeQuakeServerTest, QuakestatReadsTheQuake3ServerWithColourCodes) {
    const FakeServerState state = RealisticQuake3Server();
    FakeQuakeServer server(FakeGame::kQuake3, state);
    ASSERT_TRUE(server.Ok());
    const auto rows = RunQuakestat("-q3s", server.Port());
    ASSERT_EQ(rows.size(), 2 + state.players.size());
    ASSERT_GE(rows[0].size(), 6u);
    EXPECT_EQ(rows[0][0], "Q3S");
    EXPECT_EQ(rows[0][2], WithoutColourCodes(ValueOf(state, "sv_hostname")));
    EXPECT_EQ(rows[0][3], "q3dm17");
    EXPECT_EQ(rows[0][4], "16");
    EXPECT_EQ(rows[0][5], "5");
    ExpectRulesShown(state, rows[1]);
    for (size_t i = 0; i < state.players.size(); ++i) {
        EXPECT_EQ(rows[2 + i], (std::vector<std::string>{WithoutColourCodes(state.players[i].name),
                                                         std::to_string(state.players[i].frags),
                                                         std::to_string(state.players[i].ping)}));
    }
    EXPECT_GE(server.RequestCount("getinfo"), 1);
    EXPECT_GE(server.RequestCount("getstatus"), 1);
}

}  // namespace
}  // namespace corvimap::testing
