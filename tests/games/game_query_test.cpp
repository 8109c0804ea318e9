#include "games/game_query.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "games/game_server_browser.h"
#include "games/host_check.h"
#include "games/quake_requests.h"
#include "games/udp_exchange.h"
#include "lab/fake_quake_server.h"
#include "lab/lab_server_reports.h"
#include "settings/memory_settings_store.h"

namespace corvimap {
namespace {

using testing::FakeGame;
using testing::FakeQuakeServer;
using testing::FakeServerState;

const NetAddress kLoopback = MakeAddress(127, 0, 0, 1);
// Answers come at once; the wait only bounds a broken run.
constexpr std::chrono::milliseconds kAnswerWait{2000};
// For servers that stay silent or answer with fewer than seven bytes.
constexpr std::chrono::milliseconds kSilenceWait{100};

// The report that a server with this state must give, written out field by field.
std::string ExpectedReport(uint16_t port, const std::string& name, const std::string& map,
                           const std::string& players, const FakeServerState& state) {
    std::string text = "127.0.0.1:" + std::to_string(port) + "|" + name + "|" + map + "|" + players;
    for (const testing::FakePlayer& player : state.players) {
        text += "|" + player.name + "|" + std::to_string(player.frags) + "|" +
                std::to_string(player.ping);
    }
    text += "|||end";
    for (const auto& [key, value] : state.info) {
        text += "|" + key + "|" + value;
    }
    return text;
}

// A realistic server of each game on loopback, fresh for each test.
class GameQueryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(qw.Ok() && q2.Ok() && q3.Ok()); }

    const FakeServerState qw_state = testing::RealisticQuakeWorldServer();
    const FakeServerState q2_state = testing::RealisticQuake2Server();
    const FakeServerState q3_state = testing::RealisticQuake3Server();
    FakeQuakeServer qw{FakeGame::kQuakeWorld, qw_state};
    FakeQuakeServer q2{FakeGame::kQuake2, q2_state};
    FakeQuakeServer q3{FakeGame::kQuake3, q3_state};
};

TEST_F(GameQueryTest, EachProtocolReadsARealisticServerOverLoopback) {
    const struct {
        QueryOutcome outcome;
        std::string report;
    } cases[] = {
        {QueryQuakeWorld(kLoopback, qw.Port(), kAnswerWait),
         ExpectedReport(qw.Port(),
                        "\x90"
                        "FragNet\x91 Deathmatch #1",
                        "dm6", "4/16", qw_state)},
        {QueryQuake2(kLoopback, q2.Port(), kAnswerWait),
         ExpectedReport(q2.Port(), "Quake II Deathmatch Arena", "q2dm1", "3/12", q2_state)},
        {QueryQuake3(kLoopback, q3.Port(), kAnswerWait),
         ExpectedReport(q3.Port(), "^1Frag^7Net ^3Q3 ^7FFA", "q3dm17", "5/16", q3_state)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.outcome.answered);
        ASSERT_TRUE(c.outcome.report);
        EXPECT_EQ(c.outcome.report->Text(), c.report);
    }
    EXPECT_EQ(q3.RequestCount("getstatus"), 1);
    EXPECT_EQ(q3.RequestCount("getinfo"), 1);
    // The requests as the servers expect them, byte for byte.
    using namespace std::string_literals;
    EXPECT_EQ(qw.LastRequest("status"), "\xff\xff\xff\xffstatus\n\0\0"s);
    EXPECT_EQ(q3.LastRequest("getstatus"), "\xff\xff\xff\xffgetstatus\n\0\0"s);
    EXPECT_EQ(q3.LastRequest("getinfo"), "\xff\xff\xff\xffgetinfo\n\0\0"s);
}

TEST_F(GameQueryTest, SilenceOversizedRepliesAndAMissingReplyOfTwoAreNoAnswer) {
    qw.OverrideReply("status", std::nullopt);
    EXPECT_FALSE(QueryQuakeWorld(kLoopback, qw.Port(), kSilenceWait).answered);
    EXPECT_EQ(qw.RequestCount("status"), 1);

    // A datagram of 4096 bytes is the largest taken.
    const std::string head = "\xff\xff\xff\xffn\\hostname\\Big\\maxclients\\8\\pad\\";
    const std::string largest = head + std::string(kMaxReplyBytes - head.size() - 1, 'x') + "\n";
    ASSERT_EQ(largest.size(), 4096u);
    qw.OverrideReply("status", largest);
    QueryOutcome outcome = QueryQuakeWorld(kLoopback, qw.Port(), kAnswerWait);
    ASSERT_TRUE(outcome.report);
    EXPECT_EQ(outcome.report->Field(1), "Big");
    EXPECT_EQ(outcome.report->Field(12), std::string(255, 'x'));

    qw.OverrideReply("status", largest + "y");
    EXPECT_FALSE(QueryQuakeWorld(kLoopback, qw.Port(), kAnswerWait).answered)
        << "one byte more counts as no answer";

    // Quake III Arena needs both replies; without a status reply getinfo is not even sent.
    q3.OverrideReply("getinfo", std::nullopt);
    EXPECT_FALSE(QueryQuake3(kLoopback, q3.Port(), kSilenceWait).answered);
    EXPECT_EQ(q3.RequestCount("getinfo"), 1);
    q3.OverrideReply("getstatus", std::nullopt);
    EXPECT_FALSE(QueryQuake3(kLoopback, q3.Port(), kSilenceWait).answered);
    EXPECT_EQ(q3.RequestCount("getstatus"), 2);
    EXPECT_EQ(q3.RequestCount("getinfo"), 1);

    // Nobody listening at all.
    uint16_t closed_port = 0;
    {
        FakeQuakeServer gone(FakeGame::kQuake2, testing::RealisticQuake2Server());
        closed_port = gone.Port();
    }
    EXPECT_FALSE(QueryQuake2(kLoopback, closed_port, kSilenceWait).answered);
}

TEST_F(GameQueryTest, EmptyAndShortDatagramsAreAnswers) {
    // Fewer than seven bytes: taken once the wait is over.
    q2.OverrideReply("status", "\xff\xff\xff\xffp");
    QueryOutcome outcome = QueryQuake2(kLoopback, q2.Port(), kSilenceWait);
    ASSERT_TRUE(outcome.answered);
    ASSERT_TRUE(outcome.report);
    EXPECT_EQ(outcome.report->Text(), "127.0.0.1:" + std::to_string(q2.Port()) + "|||0/|||end");

    // An empty datagram is an answer without a report.
    q3.OverrideReply("getstatus", "");
    outcome = QueryQuake3(kLoopback, q3.Port(), kSilenceWait);
    EXPECT_TRUE(outcome.answered);
    EXPECT_FALSE(outcome.report);
}

TEST_F(GameQueryTest, QueriesFromManyThreadsAtOnceEachGetTheirOwnAnswer) {
    const QueryOutcome reference = QueryQuake3(kLoopback, q3.Port(), kAnswerWait);
    ASSERT_TRUE(reference.report);  // each worker must get this very report

    std::mutex mutex;
    std::vector<std::string> reports;
    std::vector<std::jthread> workers;
    for (int w = 0; w < 8; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                const QueryOutcome outcome = QueryQuake3(kLoopback, q3.Port(), kAnswerWait);
                std::lock_guard lock(mutex);
                reports.push_back(outcome.report ? outcome.report->Text() : "(none)");
            }
        });
    }
    workers.clear();  // joins them
    EXPECT_EQ(reports, std::vector<std::string>(40, reference.report->Text()));
}

// Records what the host check does to a host's record, in order.
class RecordingHost : public GameHostRecord {
public:
    void SetState(uint8_t state) override { events.push_back("state " + std::to_string(state)); }
    void AttachGameMarker(uint8_t kind) override {
        events.push_back("marker " + std::to_string(kind));
    }
    void FinishProbe() override { events.push_back("finish"); }
    std::vector<std::string> events;
};

GameServerType& Use(GameServerBrowser& browser, std::string_view name, uint32_t flags,
                    std::vector<uint16_t> ports) {
    GameServerType& type = *browser.Find(name);
    type.SetFlags(flags);
    type.SetPorts(std::move(ports));
    return type;
}

using HostCheckTest = GameQueryTest;

TEST_F(HostCheckTest, AsksEveryPortOfEveryEnabledTypeAndMarksAnsweringTypes) {
    FakeQuakeServer qw_b(FakeGame::kQuakeWorld, qw_state);
    ASSERT_TRUE(qw_b.Ok());
    q3.OverrideReply("getinfo", std::nullopt);

    MemorySettingsStore store;
    GameServerBrowser browser(store);
    Use(browser, kQuakeWorldName, kGameCheckThisGame | kGameCheckDuringScan,
        {qw.Port(), qw_b.Port()});
    Use(browser, kQuake2Name, kGameCheckThisGame, {q2.Port()});  // in use, but not during scans
    Use(browser, kQuake3Name, kGameCheckThisGame | kGameCheckDuringScan | 0x1C, {q3.Port()});

    RecordingHost host;
    testing::ServerReportList sink;
    CheckHostForGameServers(browser, kLoopback, ExchangeTimeout(50), host, sink);

    EXPECT_EQ(host.events,
              (std::vector<std::string>{"state 6", "marker 6", "marker 6", "state 8", "finish"}))
        << "two QuakeWorld answers, a Quake III Arena server without its info reply";
    const auto reports = sink.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, 6);
    EXPECT_TRUE(reports[0].second.starts_with("127.0.0.1:" + std::to_string(qw.Port()) + "|"));
    EXPECT_TRUE(reports[1].second.starts_with("127.0.0.1:" + std::to_string(qw_b.Port()) + "|"));
    EXPECT_EQ(q2.RequestCount("status"), 0);
    EXPECT_EQ(q3.RequestCount("getinfo"), 1);
}

TEST_F(HostCheckTest, EmptyRepliesMarkWithoutReportAndHostsWithoutGamesOnlyFinish) {
    q2.OverrideReply("status", "");

    MemorySettingsStore store;
    GameServerBrowser browser(store);
    RecordingHost idle;
    testing::ServerReportList sink;
    CheckHostForGameServers(browser, kLoopback, ExchangeTimeout(50), idle, sink);
    EXPECT_EQ(idle.events, std::vector<std::string>{"finish"});

    GameServerType& q2_type =
        Use(browser, kQuake2Name, kGameCheckThisGame | kGameCheckDuringScan, {q2.Port()});
    RecordingHost host;
    CheckHostForGameServers(browser, kLoopback, ExchangeTimeout(50), host, sink);
    EXPECT_EQ(host.events, (std::vector<std::string>{"state 7", "marker 7", "finish"}));
    EXPECT_TRUE(sink.Reports().empty());

    // A type without ports is shown as asked but asks nobody.
    q2_type.SetPorts({});
    RecordingHost portless;
    CheckHostForGameServers(browser, kLoopback, ExchangeTimeout(50), portless, sink);
    EXPECT_EQ(portless.events, (std::vector<std::string>{"state 7", "finish"}));
    EXPECT_EQ(q2.RequestCount("status"), 1);
}

TEST(ExchangeTimeoutTest, IsTwiceThePingTimeout) {
    EXPECT_EQ(ExchangeTimeout(50), std::chrono::milliseconds(100));
    EXPECT_EQ(ExchangeTimeout(-5), std::chrono::milliseconds(0));
    EXPECT_EQ(ExchangeTimeout(0x7FFFFFFF), std::chrono::milliseconds(2 * int64_t{0x7FFFFFFF}));
}

}  // namespace
}  // namespace corvimap
