// Ping and traceroute runs with real ICMP through the routed chain of lab_routes.h.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

#include "engine/net_api_layer.h"
#include "lab/lab.h"
#include "lab/lab_routes.h"
#include "netutils/echo_source.h"
#include "netutils/ping_run.h"
#include "netutils/trace_run.h"
#include "netutils/utility_worker.h"
#include "support/scripted_echo.h"

namespace corvimap::lab {
namespace {

using corvimap::testing::RecordingSink;
using Rows = std::vector<std::vector<std::string>>;

// The system's echoes, keeping each reply for the test; a hook runs after each.
class RecordingEcho final : public EchoSource {
public:
    explicit RecordingEcho(const NetApiLayer& layer) : source_(layer) {}
    bool Available() const override { return source_.Available(); }
    std::optional<EchoReply> Echo(NetAddress address, uint32_t timeout_ms, uint16_t size,
                                  uint8_t ttl, const EchoCancel& cancel) override {
        const auto reply = source_.Echo(address, timeout_ms, size, ttl, cancel);
        std::lock_guard lock(mutex_);
        if (reply) {
            replies_.push_back(*reply);
        }
        if (after_echo) {
            after_echo();
        }
        return reply;
    }
    std::vector<EchoReply> Replies() const {
        std::lock_guard lock(mutex_);
        return replies_;
    }

    std::function<void()> after_echo;

private:
    NetApiEchoSource source_;
    mutable std::mutex mutex_;
    std::vector<EchoReply> replies_;
};

class NetUtilsLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (LabUnavailableReason(LabNeeds::kNamespaces).empty()) {
            lab_ = new Lab();
            chain_ = new RouteChain(*lab_);
        }
    }
    static void TearDownTestSuite() {
        delete chain_;
        delete lab_;
        chain_ = nullptr;
        lab_ = nullptr;
    }
    void SetUp() override { CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces); }

    struct Outcome {
        Rows rows;
        std::string text;
        std::vector<EchoReply> replies;
    };
    // One ping or trace in the scanner namespace with the system's echoes and name look-ups;
    // after_echo runs after each echo.
    template <typename Parameters>
    static Outcome Run(const Parameters& parameters,
                       std::function<void(UtilityWorker&)> after_echo = nullptr) {
        return lab_->InScanner([&] {
            const NetApiLayer layer;
            RecordingEcho echo(layer);
            SystemHostLookup lookup;
            RecordingSink sink;
            UtilityWorker worker;
            if (after_echo) {
                echo.after_echo = [&] { after_echo(worker); };
            }
            worker.Start(
                [&](RunControl& control) {
                    if constexpr (std::is_same_v<Parameters, PingParameters>) {
                        RunPing(parameters, echo, lookup, sink, control);
                    } else {
                        RunTrace(parameters, echo, lookup, sink, control);
                    }
                },
                nullptr);
            while (worker.Running()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return Outcome{sink.Rows(), sink.LastText(), echo.Replies()};
        });
    }

    static inline Lab* lab_ = nullptr;
    static inline RouteChain* chain_ = nullptr;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(NetUtilsLabTest, PingRepliesTtlAndSizeOnTheWireAndLosses) {
    const std::string target = RouteChain::kTarget;
    const Outcome replies = Run(PingParameters{target, 4, 100, 2000, 255});
    ASSERT_EQ(replies.rows.size(), 4u) << replies.text;
    for (const auto& row : replies.rows) {
        EXPECT_EQ(row[1], target);
        EXPECT_NE(row[2], "*");
        EXPECT_EQ(row[3], std::to_string(RouteChain::kTargetReplyTtl));
        EXPECT_EQ(row[4], "");
    }
    for (const EchoReply& reply : replies.replies) {
        EXPECT_EQ(reply.data_size, 100) << "the echo carried the page's packet size both ways";
    }
    EXPECT_TRUE(Contains(replies.text,
                         " Pinging " + target + " [" + target + "] with 100 bytes of data...\n\r"))
        << replies.text;
    EXPECT_TRUE(Contains(replies.text, "Sent = 4, Received = 4, Lost = 0 (0% loss)"));

    // TTL 2 dies at router 2, which says so; the page lists any such error as timed out.
    const Outcome expired = Run(PingParameters{target, 1, 8, 2000, 2});
    ASSERT_EQ(expired.rows.size(), 1u);
    EXPECT_EQ(expired.rows[0],
              (std::vector<std::string>{"1", RouteChain::kRouter2, "*", "", "Request timed out."}));
    ASSERT_EQ(expired.replies.size(), 1u);
    EXPECT_EQ(expired.replies[0].status, icmp_status::kTtlExpiredTransit);

    const Outcome lost = Run(PingParameters{RouteChain::kNobody, 3, 32, 300, 255});
    for (size_t i = 0; i < lost.rows.size(); ++i) {
        EXPECT_EQ(lost.rows[i], (std::vector<std::string>{std::to_string(i + 1), "", "*", "",
                                                          "Request timed out."}));
    }
    EXPECT_EQ(lost.rows.size(), 3u);
    EXPECT_TRUE(Contains(lost.text, "Lost = 3 (100% loss)")) << lost.text;

    // "localhost" comes from /etc/hosts, with no network look-up.
    const Outcome local = Run(PingParameters{"localhost", 1, 32, 1000, 255});
    EXPECT_TRUE(Contains(local.text, " Pinging localhost [127.0.0.1] with 32 bytes")) << local.text;
    EXPECT_TRUE(Contains(local.text, "(0% loss)"));
}

TEST_F(NetUtilsLabTest, TraceHopsClosingsAndStop) {
    const std::string target = RouteChain::kTarget;
    const Outcome route = Run(TraceParameters{target, 30, 400});
    const Rows expected = {
        {"1", route.rows.at(0)[1], route.rows.at(0)[2], route.rows.at(0)[3], RouteChain::kRouter1},
        {"2", route.rows.at(1)[1], route.rows.at(1)[2], route.rows.at(1)[3], RouteChain::kRouter2},
        {"3", "*", "*", "*", ""},
        {"4", route.rows.at(3)[1], route.rows.at(3)[2], route.rows.at(3)[3], target},
    };
    EXPECT_EQ(route.rows, expected);
    for (int hop : {0, 1, 3}) {
        for (int probe = 1; probe <= 3; ++probe) {
            EXPECT_NE(route.rows[hop][probe], "*") << "hop " << hop + 1 << " probe " << probe;
        }
    }
    EXPECT_EQ(route.text, TraceHeader(target, MakeAddress(198, 18, 3, 2), 30) + kTraceCompleteText);

    // The same routers as traceroute itself finds from the scanner.
    const CommandResult traceroute = lab_->RunInScanner(
        {"traceroute", "-I", "-n", "-q", "3", "-w", "1", target}, milliseconds(30000));
    ASSERT_TRUE(traceroute.Ok()) << traceroute.Describe();
    EXPECT_EQ(ParseTracerouteHops(traceroute.out),
              (std::vector<std::string>{RouteChain::kRouter1, RouteChain::kRouter2, "", target}))
        << traceroute.out;

    const Outcome unreachable = Run(TraceParameters{"198.19.99.5", 30, 2000});
    EXPECT_EQ(unreachable.rows, (Rows{{"1", "*", "", "", RouteChain::kRouter1}}));
    EXPECT_TRUE(unreachable.text.ends_with(kTraceUnreachableText)) << unreachable.text;

    const Outcome two_hops = Run(TraceParameters{target, 2, 400});
    ASSERT_EQ(two_hops.rows.size(), 2u);
    EXPECT_EQ(two_hops.rows[1][4], RouteChain::kRouter2);
    EXPECT_TRUE(two_hops.text.ends_with(kTraceUnreachableText)) << two_hops.text;

    // Stop during the first hop: its three probes, then the end without a closing.
    const Outcome stopped =
        Run(TraceParameters{target, 30, 400}, [](UtilityWorker& worker) { worker.RequestStop(); });
    ASSERT_EQ(stopped.rows.size(), 1u);
    EXPECT_EQ(stopped.rows[0][4], RouteChain::kRouter1);
    EXPECT_EQ(stopped.text, TraceHeader(target, MakeAddress(198, 18, 3, 2), 30));
}

}  // namespace
}  // namespace corvimap::lab
