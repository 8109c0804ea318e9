#pragma once

// A routed chain of namespaces beside the lab's segment, for ping and traceroute tests:
//
//   scanner 198.18.0.1 -- router 1 -- router 2 -- router 3 (silent) -- target 198.18.3.2
//                  198.18.0.2 | 198.18.1.1
//                               198.18.1.2 | 198.18.2.1
//                                            198.18.2.2 | 198.18.3.1
//
// Router 1 is a host of the lab segment; the others are namespaces <prefix>-rt2, -rt3 and -tgt,
// removed with the lab. The scanner reaches 198.18.1.0/24 to 198.18.3.0/24 and the unreachable
// network 198.19.99.0/24 through router 1, which has no route at all for the latter and so
// answers "destination net unreachable" (ICMP type 3 code 0). Router 3 forwards but never sends
// "time exceeded": its ICMP rate limit for that type alone is set beyond any test's length.
// Routers 1 and 2 answer without rate limit, so repeated traces stay complete.

#include <string>
#include <string_view>
#include <vector>

#include "lab/lab.h"

namespace corvimap::lab {

class RouteChain {
public:
    static constexpr const char* kRouter1 = "198.18.0.2";
    static constexpr const char* kRouter2 = "198.18.1.2";  // its side towards the scanner
    static constexpr const char* kRouter3 = "198.18.2.2";
    static constexpr const char* kTarget = "198.18.3.2";
    static constexpr const char* kUnreachableNet = "198.19.99.0/24";
    // An address of the scanner's segment that nobody holds: requests to it stay unanswered.
    static constexpr const char* kNobody = "198.18.0.77";
    // The TTL of the target's replies at the scanner: 64 less the three routers.
    static constexpr int kTargetReplyTtl = 61;

    // Builds the chain in the lab; throws std::runtime_error when a step fails.
    explicit RouteChain(Lab& lab);

private:
    void Link(const std::string& a, const std::string& a_address, const std::string& b,
              const std::string& b_address);
    void Route(const std::string& netns, const std::string& network, const std::string& via);
};

// The hops of `traceroute -n` output in order: the first address of each hop line, "" for a hop
// whose probes all went unanswered.
std::vector<std::string> ParseTracerouteHops(std::string_view output);

}  // namespace corvimap::lab
