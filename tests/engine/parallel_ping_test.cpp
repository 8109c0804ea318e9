#include "engine/parallel_ping.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "lab/netns_sandbox.h"

namespace corvimap {
namespace {

using testing::RunInFreshNetNamespace;
using testing::Shell;

// In a fresh namespace, 198.18.5.1 and .7 are its own addresses on one end of a veth pair whose
// other end has no address, so the rest of 198.18.5.0/24 stays silent; 127.0.0.1 answers on
// loopback. Tells which targets answered, whether every time is whole milliseconds within the
// time-out, whether the run took at least as long as the rate and the time-out ask, and how
// many requests a run stopped before its first send makes.
std::string DescribeRun(IcmpPath path, const std::vector<NetAddress>& targets, int timeout_ms) {
    if (!Shell("sysctl -qw net.ipv4.ping_group_range='0 2147483647' && ip link set lo up && "
               "ip link add v0 type veth peer name v1 && ip addr add 198.18.5.1/24 dev v0 && "
               "ip addr add 198.18.5.7/24 dev v0 && ip link set v0 up && ip link set v1 up")) {
        return "no silent link";
    }
    const std::atomic<bool> no_stop{false};
    const auto start = std::chrono::steady_clock::now();
    const auto replies = PingInParallel(path, targets, timeout_ms, no_stop);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::ostringstream out;
    out << replies.size() << " answered:";
    bool times_ok = true;
    for (size_t i = 0; i < replies.size(); ++i) {
        if (replies[i]) {
            out << " " << FormatAddress(targets[i]);
            times_ok = times_ok && *replies[i] % 1000 == 0 &&
                       *replies[i] <= static_cast<uint32_t>(timeout_ms) * 1000;
        }
    }
    const auto least =
        std::chrono::microseconds(1'000'000 / kMaxEchoesPerSecond) * (targets.size() - 1) +
        std::chrono::milliseconds(timeout_ms);
    const std::atomic<bool> stopped{true};
    out << "\ntimes " << times_ok << " paced " << (elapsed >= least) << " stopped "
        << PingInParallel(path, targets, timeout_ms, stopped).size();
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
        const auto output = RunInFreshNetNamespace([&] { return DescribeRun(path, targets, 200); });
        if (!output) {
            GTEST_SKIP() << "cannot create a network namespace (needs root)";
        }
        EXPECT_EQ(*output,
                  "42 answered: 198.18.5.1 198.18.5.7 127.0.0.1 198.18.5.7\n"
                  "times 1 paced 1 stopped 0");
    }
}

}  // namespace
}  // namespace corvimap
