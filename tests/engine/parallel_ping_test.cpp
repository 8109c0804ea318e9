#include "engine/parallel_ping.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "lab/netns_sandbox.h"

namespace corvimap {
namespace {

using testing::ParseFields;
using testing::RunInFreshNetNamespace;
using testing::Shell;

// 198.18.5.1 and .7 are the namespace's own addresses on one end of a veth pair whose other end
// has no address, so the rest of 198.18.5.0/24 stays silent; 127.0.0.1 answers on loopback.
bool BuildSilentLink() {
    FILE* file = std::fopen("/proc/sys/net/ipv4/ping_group_range", "w");
    const bool group_range = file != nullptr && std::fputs("0 2147483647", file) >= 0;
    if (file != nullptr && std::fclose(file) != 0) {
        return false;
    }
    return group_range && Shell("ip link set lo up") &&
           Shell("ip link add v0 type veth peer name v1") &&
           Shell("ip addr add 198.18.5.1/24 dev v0") && Shell("ip addr add 198.18.5.7/24 dev v0") &&
           Shell("ip link set v0 up") && Shell("ip link set v1 up");
}

std::string DescribeRun(IcmpPath path, const std::vector<NetAddress>& targets, int timeout_ms) {
    const std::atomic<bool> no_stop{false};
    const auto start = std::chrono::steady_clock::now();
    const auto replies = PingInParallel(path, targets, timeout_ms, no_stop);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::ostringstream out;
    out << "count=" << replies.size() << "\nanswered=";
    bool whole_ms_within_timeout = true;
    for (size_t i = 0; i < replies.size(); ++i) {
        if (replies[i]) {
            out << FormatAddress(targets[i]) << " ";
            whole_ms_within_timeout = whole_ms_within_timeout && *replies[i] % 1000 == 0 &&
                                      *replies[i] <= static_cast<uint32_t>(timeout_ms) * 1000;
        }
    }
    // No faster than the rate allows, and the time-out is waited out for the silent ones.
    const auto least =
        std::chrono::microseconds(1'000'000 / kMaxEchoesPerSecond) * (targets.size() - 1) +
        std::chrono::milliseconds(timeout_ms);
    out << "\ntimes_ok=" << whole_ms_within_timeout << "\npaced=" << (elapsed >= least) << "\n";
    const std::atomic<bool> stopped{true};
    out << "stopped_count=" << PingInParallel(path, targets, timeout_ms, stopped).size() << "\n";
    return out.str();
}

TEST(ParallelPingTest, FindsExactlyTheAnsweringAddressesOnBothPaths) {
    std::vector<NetAddress> targets;
    for (uint8_t last = 1; last <= 40; ++last) {
        targets.push_back(MakeAddress(198, 18, 5, last));
    }
    targets.push_back(MakeAddress(127, 0, 0, 1));
    targets.push_back(MakeAddress(198, 18, 5, 7));  // asked twice, answers twice
    for (const IcmpPath path : {IcmpPath::kRaw, IcmpPath::kDatagram}) {
        SCOPED_TRACE(static_cast<int>(path));
        const auto output = RunInFreshNetNamespace([&] {
            const std::string built = "built=" + std::to_string(BuildSilentLink()) + "\n";
            return built + DescribeRun(path, targets, 200);
        });
        if (!output) {
            GTEST_SKIP() << "cannot create a network namespace (needs root)";
        }
        const auto fields = ParseFields(*output);
        ASSERT_EQ(fields.at("built"), "1") << *output;
        EXPECT_EQ(fields.at("count"), "42");
        EXPECT_EQ(fields.at("answered"), "198.18.5.1 198.18.5.7 127.0.0.1 198.18.5.7 ");
        EXPECT_EQ(fields.at("times_ok"), "1");
        EXPECT_EQ(fields.at("paced"), "1");
        EXPECT_EQ(fields.at("stopped_count"), "0") << "a stop before the first send sends nothing";
    }
}

}  // namespace
}  // namespace corvimap
