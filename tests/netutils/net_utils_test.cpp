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

ScriptedLookup TargetLookup() {
    ScriptedLookup lookup;
    lookup.names["target"] = {"target.lab", kTarget};
    lookup.reverse[kTarget] = "target.lab";
    lookup.reverse[kRouter1] = "gw.lab";
    return lookup;
}

// Replies of the given times in order; kLost gives a time-out.
ScriptedEcho TimedReplies(std::vector<uint32_t> times) {
    auto next = std::make_shared<size_t>(0);
    return ScriptedEcho([times, next](const ScriptedEcho::Request&, const EchoCancel&) {
        const uint32_t ms = times.at((*next)++);
        return ms == kLost ? Reply(icmp_status::kTimedOut, 0)
                           : Reply(icmp_status::kSuccess, kTarget, ms, 61);
    });
}

TEST(PingRunTest, StatisticsTextsAfterEveryPacket) {
    struct Case {
        std::vector<uint32_t> times;
        std::string last_statistics;
    };
    const std::vector<Case> cases = {
        {{10, 20, 30, kLost},
         "Sent = 4, Received = 3, Lost = 1 (25% loss),\n\r Approximate round trip times in "
         "milli-seconds:\n\r   Minimum = 10ms, Maximum = 30ms, Average = 20ms"},
        {{kLost, kLost, kLost}, "Sent = 3, Received = 0, Lost = 3 (100% loss),"},
        {{5, kLost, 7}, "Sent = 3, Received = 2, Lost = 1 (33% loss),"},
        {{10, 38, 11, 40}, "Minimum = 10ms, Maximum = 40ms, Average = 25ms"},
        {{kLost}, "Minimum = 0ms, Maximum = 0ms, Average = 0ms"},
    };
    for (const Case& c : cases) {
        ScriptedEcho echo = TimedReplies(c.times);
        ScriptedLookup lookup = TargetLookup();
        RecordingSink sink;
        RunControl control;
        PingParameters parameters;
        parameters.host = "target";
        parameters.packets = static_cast<int32_t>(c.times.size());
        RunPing(parameters, echo, lookup, sink, control);

        const std::string header = " Pinging target.lab [10.1.2.3] with 32 bytes of data...\n\r";
        const auto texts = sink.Texts();
        ASSERT_EQ(texts.size(), c.times.size() + 1) << "the header, then one text per packet";
        EXPECT_EQ(texts[0], header);
        EXPECT_EQ(texts[1].rfind(header + "   Packets: Sent = 1, ", 0), 0u) << texts[1];
        EXPECT_NE(texts.back().find(c.last_statistics), std::string::npos) << texts.back();
        EXPECT_EQ(sink.Rows().size(), c.times.size());
    }
}

TEST(PingRunTest, RowsFollowTheReplyStatusAndFieldsReachTheEcho) {
    const std::vector<EchoReply> replies = {
        Reply(icmp_status::kSuccess, kTarget, 12, 61),
        Reply(icmp_status::kDestNetUnreachable, kRouter1),
        Reply(icmp_status::kTtlExpiredTransit, kRouter2),
        Reply(icmp_status::kDestHostUnreachable, kRouter1),
        Reply(icmp_status::kTimedOut, 0),
    };
    auto next = std::make_shared<size_t>(0);
    ScriptedEcho echo([&replies, next](const ScriptedEcho::Request&, const EchoCancel&) {
        return replies.at((*next)++);
    });
    ScriptedLookup lookup = TargetLookup();
    RecordingSink sink;
    RunControl control;
    RunPing({"10.1.2.3", 5, 100, 150000, 7}, echo, lookup, sink, control);

    const Rows expected = {
        {"1", "10.1.2.3", "12", "61", ""},
        {"2", "10.0.0.1", "", "", "Destination net unreachable"},
        {"3", "10.0.1.1", "*", "", "Request timed out."},
        {"4", "10.0.0.1", "*", "", "Request timed out."},
        {"5", "", "*", "", "Request timed out."},
    };
    EXPECT_EQ(sink.Rows(), expected);
    EXPECT_EQ(sink.Texts().front(), " Pinging target.lab [10.1.2.3] with 100 bytes of data...\n\r");
    for (const auto& request : echo.Requests()) {
        EXPECT_EQ(request.address, kTarget);
        EXPECT_EQ(request.size, 100);
        EXPECT_EQ(request.ttl, 7);
        EXPECT_EQ(request.timeout_ms, 150000u) << "time-outs above 65535 ms are kept";
    }
    EXPECT_TRUE(lookup.names_asked.empty()) << "a text that starts with a digit is an address";
}

TEST(PingRunTest, HostTextsThatSendNothingOrAnswerByName) {
    struct Case {
        std::string host;
        std::string text;  // the first text shown
        bool sends;
    };
    const std::vector<Case> cases = {
        {"nosuchhost", "Unknown host nosuchhost.", false},
        {"", "Unknown host .", false},
        {"1.2.3.999", "Unknown host 1.2.3.999.", false},
        {"9lives", "Unknown host 9lives.",
         false},  // begins with a digit: an address, and no valid one
        {"  target ", " Pinging target.lab [10.1.2.3] with 32 bytes of data...\n\r", true},
        {"10.1.2.3", " Pinging target.lab [10.1.2.3] with 32 bytes of data...\n\r", true},
        {"10.9.9.9", " Pinging 10.9.9.9 [10.9.9.9] with 32 bytes of data...\n\r", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        ScriptedEcho echo = TimedReplies({1});
        ScriptedLookup lookup = TargetLookup();
        RecordingSink sink;
        RunControl control;
        RunPing({c.host, 1, 32, 1000, 255}, echo, lookup, sink, control);
        EXPECT_EQ(sink.Texts().front(), c.text);
        EXPECT_EQ(echo.Requests().size(), c.sends ? 1u : 0u);
    }
    // Without ICMP the run ends after the header, with the reason and no rows.
    ScriptedEcho echo = TimedReplies({1});
    echo.available = false;
    ScriptedLookup lookup = TargetLookup();
    RecordingSink sink;
    RunControl control;
    RunPing({"target", 4, 32, 1000, 255}, echo, lookup, sink, control);
    EXPECT_EQ(sink.LastText(), " Pinging target.lab [10.1.2.3] with 32 bytes of data...\n\r" +
                                   IcmpUnavailableText());
    EXPECT_TRUE(sink.Rows().empty());
    EXPECT_TRUE(echo.Requests().empty());
}

// The route of the trace tests: router 1, router 2, a silent hop 3, then the target; addresses
// in 10.99.0.0/16 are behind a router that reports the net unreachable at hop 2.
ScriptedEcho ScriptedRoute() {
    return ScriptedEcho([](const ScriptedEcho::Request& request, const EchoCancel&) {
        const bool unreachable_net = (request.address & 0xFFFF) == MakeAddress(10, 99, 0, 0);
        switch (request.ttl) {
            case 1:
                return Reply(icmp_status::kTtlExpiredTransit, kRouter1, 1);
            case 2:
                return unreachable_net ? Reply(icmp_status::kDestNetUnreachable, kRouter2)
                                       : Reply(icmp_status::kTtlExpiredTransit, kRouter2, 2);
            case 3:
                return Reply(icmp_status::kTimedOut, 0);
            default:
                return Reply(icmp_status::kSuccess, request.address, 4);
        }
    });
}

TEST(TraceRunTest, HopsClosingsAndStop) {
    const std::string header_target =
        " Tracing route to target.lab [10.1.2.3], over a maximum of 30 hops...\n\r";
    const Rows hops_to_target = {
        {"1", "1", "1", "1", "10.0.0.1 [gw.lab]"},
        {"2", "2", "2", "2", "10.0.1.1"},
        {"3", "*", "*", "*", ""},
        {"4", "4", "4", "4", "10.1.2.3 [target.lab]"},
    };
    struct Case {
        const char* name;
        TraceParameters parameters;
        bool stop_at_first_hop;
        Rows rows;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"target", {"target", 30, 9000}, false, hops_to_target, header_target + kTraceCompleteText},
        {"unreachable net",
         {"10.99.0.5", 30, 9000},
         false,
         {hops_to_target[0], {"2", "*", "", "", "10.0.1.1"}},
         " Tracing route to 10.99.0.5 [10.99.0.5], over a maximum of 30 hops...\n\r" +
             std::string(kTraceUnreachableText)},
        {"two hops",
         {"target", 2, 9000},
         false,
         {hops_to_target[0], hops_to_target[1]},
         " Tracing route to target.lab [10.1.2.3], over a maximum of 2 hops...\n\r" +
             std::string(kTraceUnreachableText)},
        {"stop", {"target", 30, 9000}, true, {hops_to_target[0]}, header_target},
        {"unknown", {"gone", 30, 9000}, false, {}, "Unknown host gone."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedEcho echo = ScriptedRoute();
        ScriptedLookup lookup = TargetLookup();
        RecordingSink sink;
        RunControl control;
        control.stop_requested = c.stop_at_first_hop;
        RunTrace(c.parameters, echo, lookup, sink, control);
        EXPECT_EQ(sink.Rows(), c.rows);
        EXPECT_EQ(sink.LastText(), c.text);
        for (size_t i = 0; i < echo.Requests().size(); ++i) {
            EXPECT_EQ(echo.Requests()[i].ttl, i / 3 + 1) << "three probes per hop, TTL = hop";
            EXPECT_EQ(echo.Requests()[i].size, kTraceProbeSize);
            EXPECT_EQ(echo.Requests()[i].timeout_ms, 9000u);
        }
    }
    // The status rules by number: the low four bits 5 and the low byte 250.
    EXPECT_TRUE(ClassifyProbe(11013).timed);
    EXPECT_TRUE(ClassifyProbe(0).names_router);
    EXPECT_TRUE(ClassifyProbe(11002).ends_trace);
    EXPECT_FALSE(ClassifyProbe(11003).names_router);
    EXPECT_FALSE(ClassifyProbe(11010).timed);
}

TEST(UtilityWorkerTest, StopEndsAfterThePacketInProgressAndCancelAtOnce) {
    // Stop pressed while packet 2 is under way: packet 2 still gets its row, then the run ends.
    UtilityWorker worker;
    std::atomic<int> calls{0};
    ScriptedEcho echo([&](const ScriptedEcho::Request&, const EchoCancel&) {
        if (++calls == 2) {
            worker.RequestStop();
        }
        return Reply(icmp_status::kSuccess, kTarget, 3, 64);
    });
    ScriptedLookup lookup = TargetLookup();
    RecordingSink sink;
    std::atomic<bool> finished{false};
    ASSERT_TRUE(worker.Start(
        [&](RunControl& control) {
            RunPing({"target", 999, 32, 1000, 255}, echo, lookup, sink, control);
        },
        [&] { finished = true; }));
    while (worker.Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(sink.Rows().size(), 2u);
    EXPECT_NE(sink.LastText().find("Sent = 2, Received = 2"), std::string::npos);

    // A cancel ends a request that would wait for ever, and no row follows it.
    ScriptedEcho silent([](const ScriptedEcho::Request&, const EchoCancel& cancel) {
        return testing::WaitForCancel(cancel);
    });
    RecordingSink silent_sink;
    ASSERT_TRUE(worker.Start(
        [&](RunControl& control) {
            RunTrace({"target", 30, 999999}, silent, lookup, silent_sink, control);
        },
        nullptr));
    while (silent.Requests().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start([](RunControl&) {}, nullptr)) << "one run at a time";
    worker.CancelAndJoin();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(silent_sink.Rows(), Rows({{"1", "", "", "", ""}}));
}

TEST(NetUtilsSettingsTest, RangesDefaultsAndStoredValues) {
    EXPECT_EQ(FirstRangeMessage(kPingSettings, std::vector<int32_t>{4, 32, 1000, 255}),
              std::nullopt);
    EXPECT_EQ(FirstRangeMessage(kPingSettings, std::vector<int32_t>{0, 3, 1000, 255}),
              "Please enter an integer between 1 and 999.");
    EXPECT_EQ(FirstRangeMessage(kPingSettings, std::vector<int32_t>{999, 257, 1000, 255}),
              "Please enter an integer between 4 and 256.");
    EXPECT_EQ(FirstRangeMessage(kPingSettings, std::vector<int32_t>{1, 4, 120001, 0}),
              "Please enter an integer between 20 and 120000.");
    EXPECT_EQ(FirstRangeMessage(kTraceSettings, std::vector<int32_t>{30, 1000000}),
              "Please enter an integer between 20 and 999999.");

    MemorySettingsStore store;
    EXPECT_EQ(LoadHost(store), "localhost");
    EXPECT_EQ(LoadNumber(store, trace_setting::kTimeout), 9000);
    SaveHost(store, "target");
    SaveNumber(store, ping_setting::kTtl, 64);
    EXPECT_EQ(store.GetProfileString("NetUtils", "PingHostName", ""), "target");
    EXPECT_EQ(store.GetProfileInt("NetUtils", "PingTTL", 0), 64);
}

}  // namespace
}  // namespace corvimap
