#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "netutils/net_utils_settings.h"
#include "netutils/net_utils_texts.h"
#include "netutils/ping_run.h"
#include "netutils/trace_run.h"
#include "netutils/utility_worker.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_echo.h"

namespace corvimap {
namespace {

using testing::RecordingSink;
using testing::Reply;
using testing::ScriptedEcho;
using testing::ScriptedLookup;
using Rows = std::vector<std::vector<std::string>>;

constexpr NetAddress kTarget = MakeAddress(10, 1, 2, 3);
constexpr NetAddress kRouter1 = MakeAddress(10, 0, 0, 1);
constexpr NetAddress kRouter2 = MakeAddress(10, 0, 1, 1);
constexpr uint32_t kLost = 0xFFFFFFFF;  // a scripted packet without reply
const std::string kPingTarget = " Pinging target.lab [10.1.2.3] with 32 bytes of data...\n\r";

ScriptedLookup TargetLookup() {
    ScriptedLookup lookup;
    lookup.names["target"] = {"target.lab", kTarget};
    lookup.reverse[kTarget] = "target.lab";
    lookup.reverse[kRouter1] = "gw.lab";
    return lookup;
}

// Replies in order; kLost gives a time-out.
ScriptedEcho::Answer ScriptedReplies(std::vector<EchoReply> replies) {
    auto next = std::make_shared<size_t>(0);
    return [replies, next](const ScriptedEcho::Request&, const EchoCancel&) {
        return replies.at((*next)++);
    };
}

ScriptedEcho::Answer TimedReplies(const std::vector<uint32_t>& times) {
    std::vector<EchoReply> replies;
    for (uint32_t ms : times) {
        replies.push_back(ms == kLost ? Reply(icmp_status::kTimedOut, 0)
                                      : Reply(icmp_status::kSuccess, kTarget, ms, 61));
    }
    return ScriptedReplies(replies);
}

// One run of ping or trace against a scripted echo and the target's names.
struct Rig {
    explicit Rig(ScriptedEcho::Answer answer) : echo(std::move(answer)) {}
    ScriptedEcho echo;
    ScriptedLookup lookup = TargetLookup();
    RecordingSink sink;
    RunControl control;
    void Ping(const PingParameters& p) { RunPing(p, echo, lookup, sink, control); }
    void Trace(const TraceParameters& p) { RunTrace(p, echo, lookup, sink, control); }
};

TEST(PingRunTest, StatisticsTextsAfterEveryPacket) {
    const std::vector<std::pair<std::vector<uint32_t>, std::string>> cases = {
        {{10, 20, 30, kLost},
         "Sent = 4, Received = 3, Lost = 1 (25% loss),\n\r Approximate round trip times in "
         "milli-seconds:\n\r   Minimum = 10ms, Maximum = 30ms, Average = 20ms"},
        {{5, kLost, 7}, "Sent = 3, Received = 2, Lost = 1 (33% loss),"},
        {{10, 38, 11, 40}, "Minimum = 10ms, Maximum = 40ms, Average = 25ms"},
        {{kLost}, "Minimum = 0ms, Maximum = 0ms, Average = 0ms"},
    };
    for (const auto& [times, last_statistics] : cases) {
        Rig rig{TimedReplies(times)};
        rig.Ping({"target", static_cast<int32_t>(times.size()), 32, 1000, 255});
        const auto texts = rig.sink.Texts();
        ASSERT_EQ(texts.size(), times.size() + 1) << "the header, then one text per packet";
        EXPECT_EQ(texts[0], kPingTarget);
        EXPECT_EQ(texts[1].rfind(kPingTarget + "   Packets: Sent = 1, ", 0), 0u) << texts[1];
        EXPECT_NE(texts.back().find(last_statistics), std::string::npos) << texts.back();
        EXPECT_EQ(rig.sink.Rows().size(), times.size());
    }
}

// Replies, a TTL expired on the way and losses from real routers are the lab's; here the two
// unreachable errors.
TEST(PingRunTest, RowsFollowTheReplyStatusAndFieldsReachTheEcho) {
    Rig rig{ScriptedReplies({Reply(icmp_status::kDestNetUnreachable, kRouter1),
                             Reply(icmp_status::kDestHostUnreachable, kRouter2)})};
    rig.Ping({"10.1.2.3", 2, 100, 150000, 7});
    EXPECT_EQ(rig.sink.Rows(), Rows({{"1", "10.0.0.1", "", "", "Destination net unreachable"},
                                     {"2", "10.0.1.1", "*", "", "Request timed out."}}));
    EXPECT_EQ(rig.sink.Texts().front(),
              " Pinging target.lab [10.1.2.3] with 100 bytes of data...\n\r");
    for (const auto& request : rig.echo.Requests()) {
        EXPECT_EQ(request.address, kTarget);
        EXPECT_EQ(request.size, 100);
        EXPECT_EQ(request.ttl, 7);
        EXPECT_EQ(request.timeout_ms, 150000u) << "time-outs above 65535 ms are kept";
    }
    EXPECT_TRUE(rig.lookup.names_asked.empty()) << "a text that starts with a digit is an address";
}

TEST(PingRunTest, HostTextsThatSendNothingOrAnswerByName) {
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"nosuchhost", "Unknown host nosuchhost.", false},
        {"1.2.3.999", "Unknown host 1.2.3.999.", false},
        {"9lives", "Unknown host 9lives.", false},  // begins with a digit: an invalid address
        {"  target ", kPingTarget, true},
    };
    for (const auto& [host, text, sends] : cases) {
        SCOPED_TRACE(host);
        Rig rig{TimedReplies({1})};
        rig.Ping({host, 1, 32, 1000, 255});
        EXPECT_EQ(rig.sink.Texts().front(), text);
        EXPECT_EQ(rig.echo.Requests().size(), sends ? 1u : 0u);
    }
    // Without ICMP the run ends after the header, with the reason and no rows.
    Rig rig{TimedReplies({1})};
    rig.echo.available = false;
    rig.Ping({"target", 4, 32, 1000, 255});
    EXPECT_EQ(rig.sink.LastText(), kPingTarget + IcmpUnavailableText());
    EXPECT_TRUE(rig.sink.Rows().empty());
    EXPECT_TRUE(rig.echo.Requests().empty());
}

// Router 1, router 2, a silent hop 3, then the target.
ScriptedEcho::Answer ScriptedRoute() {
    return [](const ScriptedEcho::Request& request, const EchoCancel&) {
        switch (request.ttl) {
            case 1:
                return Reply(icmp_status::kTtlExpiredTransit, kRouter1, 1);
            case 2:
                return Reply(icmp_status::kTtlExpiredTransit, kRouter2, 2);
            case 3:
                return Reply(icmp_status::kTimedOut, 0);
            default:
                return Reply(icmp_status::kSuccess, request.address, 4);
        }
    };
}

// Hop rows with the names of routers and target, and three probes per hop with TTL = hop. The
// other closings, the hop limit and stop are checked against real routers in the lab.
TEST(TraceRunTest, HopsNamesAndProbes) {
    Rig rig{ScriptedRoute()};
    rig.Trace({"target", 30, 9000});
    EXPECT_EQ(rig.sink.Rows(), Rows({{"1", "1", "1", "1", "10.0.0.1 [gw.lab]"},
                                     {"2", "2", "2", "2", "10.0.1.1"},
                                     {"3", "*", "*", "*", ""},
                                     {"4", "4", "4", "4", "10.1.2.3 [target.lab]"}}));
    EXPECT_EQ(rig.sink.LastText(),
              " Tracing route to target.lab [10.1.2.3], over a maximum of 30 hops...\n\r" +
                  std::string(kTraceCompleteText));
    const auto requests = rig.echo.Requests();
    for (size_t i = 0; i < requests.size(); ++i) {
        const auto& request = requests[i];
        EXPECT_EQ(request.ttl, i / 3 + 1) << "three probes per hop, TTL = hop";
        EXPECT_EQ(request.size, kTraceProbeSize);
        EXPECT_EQ(request.timeout_ms, 9000u);
    }
    Rig unknown{ScriptedRoute()};
    unknown.Trace({"gone", 30, 9000});
    EXPECT_EQ(unknown.sink.Texts(), std::vector<std::string>{"Unknown host gone."});
    EXPECT_TRUE(unknown.sink.Rows().empty());
    // Statuses the lab's routes never give: a host unreachable names no router, a time-out has
    // no time.
    EXPECT_FALSE(ClassifyProbe(11003).names_router);
    EXPECT_FALSE(ClassifyProbe(11010).timed);
}

TEST(UtilityWorkerTest, StopEndsAfterThePacketInProgressAndCancelAtOnce) {
    // Stop pressed while packet 2 is under way: packet 2 still gets its row, then the run ends.
    UtilityWorker worker;
    std::atomic<int> calls{0};
    Rig rig{[&](const ScriptedEcho::Request&, const EchoCancel&) {
        if (++calls == 2) {
            worker.RequestStop();
        }
        return Reply(icmp_status::kSuccess, kTarget, 3, 64);
    }};
    std::atomic<bool> finished{false};
    ASSERT_TRUE(worker.Start(
        [&](RunControl& control) {
            RunPing({"target", 999, 32, 1000, 255}, rig.echo, rig.lookup, rig.sink, control);
        },
        [&] { finished = true; }));
    while (worker.Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(rig.sink.Rows().size(), 2u);
    EXPECT_NE(rig.sink.LastText().find("Sent = 2, Received = 2"), std::string::npos);

    // A cancel ends a request that would wait for ever, and no row follows it.
    Rig silent{[](const ScriptedEcho::Request&, const EchoCancel& cancel) {
        return testing::WaitForCancel(cancel);
    }};
    ASSERT_TRUE(worker.Start(
        [&](RunControl& control) {
            RunTrace({"target", 30, 999999}, silent.echo, silent.lookup, silent.sink, control);
        },
        nullptr));
    while (silent.echo.Requests().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start([](RunControl&) {}, nullptr)) << "one run at a time";
    worker.CancelAndJoin();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(silent.sink.Rows(), Rows({{"1", "", "", "", ""}}));
}

TEST(NetUtilsSettingsTest, RangeMessagesAndDefaults) {
    using Row = std::tuple<std::span<const NumberSetting>, std::vector<int32_t>, std::string>;
    const std::vector<Row> cases = {
        {kPingSettings, {4, 32, 1000, 255}, ""},
        {kPingSettings, {0, 3, 1000, 255}, "Please enter an integer between 1 and 999."},
        {kTraceSettings, {30, 1000000}, "Please enter an integer between 20 and 999999."},
    };
    for (const auto& [settings, values, message] : cases) {
        EXPECT_EQ(FirstRangeMessage(settings, values).value_or(""), message);
    }
    MemorySettingsStore store;
    EXPECT_EQ(LoadHost(store), "localhost");
    EXPECT_EQ(LoadNumber(store, trace_setting::kTimeout), 9000);
}

}  // namespace
}  // namespace corvimap
