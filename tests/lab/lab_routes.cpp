#include "lab/lab_routes.h"

#include <regex>
#include <sstream>
#include <stdexcept>

namespace corvimap::lab {
namespace {

constexpr milliseconds kIpTimeout(10000);

void Run(const std::vector<std::string>& argv) {
    const CommandResult result = RunCommand(argv, kIpTimeout);
    if (!result.Ok()) {
        std::string line;
        for (const std::string& word : argv) {
            line += word + " ";
        }
        throw std::runtime_error("lab routes: " + line + "failed: " + result.Describe());
    }
}

}  // namespace

RouteChain::RouteChain(Lab& lab) {
    const std::string r1 = lab.AddIcmpHost("rt1", 2).netns;
    const std::string r2 = lab.Prefix() + "-rt2";
    const std::string r3 = lab.Prefix() + "-rt3";
    const std::string target = lab.Prefix() + "-tgt";
    for (const std::string& netns : {r2, r3, target}) {
        Run({"ip", "netns", "add", netns});
        Run({"ip", "-n", netns, "link", "set", "lo", "up"});
    }
    Link(r1, "198.18.1.1", r2, kRouter2);
    Link(r2, "198.18.2.1", r3, kRouter3);
    Link(r3, "198.18.3.1", target, kTarget);

    for (const char* network :
         {"198.18.1.0/24", "198.18.2.0/24", "198.18.3.0/24", kUnreachableNet}) {
        Route(lab.ScannerNetns(), network, kRouter1);
    }
    Route(r1, "198.18.2.0/24", kRouter2);
    Route(r1, "198.18.3.0/24", kRouter2);
    Route(r2, "198.18.0.0/24", "198.18.1.1");
    Route(r2, "198.18.3.0/24", kRouter3);
    Route(r3, "198.18.0.0/23", "198.18.2.1");
    Route(target, "198.18.0.0/22", "198.18.3.1");

    for (const std::string& router : {r1, r2, r3}) {
        SetNetnsSysctl(router, "net.ipv4.ip_forward", "1");
    }
    for (const std::string& router : {r1, r2}) {
        SetNetnsSysctl(router, "net.ipv4.icmp_ratelimit", "0");
    }
    // Only "time exceeded" (type 11) is limited on router 3, to one per 10^9 ms: a new peer
    // starts with 60 s worth of tokens, so not even the first one goes out.
    SetNetnsSysctl(r3, "net.ipv4.icmp_ratemask", std::to_string(1 << 11));
    SetNetnsSysctl(r3, "net.ipv4.icmp_ratelimit", "1000000000");
}

void RouteChain::Link(const std::string& a, const std::string& a_address, const std::string& b,
                      const std::string& b_address) {
    // Each namespace has one link towards the scanner ("west", or the lab's eth0) and at most
    // one away from it ("east").
    Run({"ip", "link", "add", "east", "netns", a, "type", "veth", "peer", "name", "west", "netns",
         b});
    Run({"ip", "-n", a, "addr", "add", a_address + "/24", "dev", "east"});
    Run({"ip", "-n", a, "link", "set", "east", "up"});
    Run({"ip", "-n", b, "addr", "add", b_address + "/24", "dev", "west"});
    Run({"ip", "-n", b, "link", "set", "west", "up"});
}

void RouteChain::Route(const std::string& netns, const std::string& network,
                       const std::string& via) {
    Run({"ip", "-n", netns, "route", "add", network, "via", via});
}

std::vector<std::string> ParseTracerouteHops(std::string_view output) {
    // " 1  198.18.0.2  0.289 ms  0.005 ms  0.002 ms" or " 3  * * *"
    static const std::regex kHopLine(R"(^\s*(\d+)\s+(.*)$)");
    static const std::regex kAddress(R"((\d+\.\d+\.\d+\.\d+))");
    std::vector<std::string> hops;
    std::istringstream lines{std::string(output)};
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch hop;
        if (!std::regex_match(line, hop, kHopLine)) {
            continue;
        }
        std::smatch address;
        const std::string rest = hop[2].str();
        hops.push_back(std::regex_search(rest, address, kAddress) ? address[1].str() : "");
    }
    return hops;
}

}  // namespace corvimap::lab
