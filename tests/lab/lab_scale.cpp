#include "lab_scale.h"

#include <stdexcept>

namespace corvimap::lab {
namespace {

void Must(const Lab& lab, const LabHost& host, const std::vector<std::string>& argv) {
    const CommandResult result = lab.RunIn(host, argv, std::chrono::seconds(10));
    if (!result.Ok()) {
        throw std::runtime_error("scale segment: " + argv[0] + " failed: " + result.Describe());
    }
}

}  // namespace

void BuildScaleSegment(const Lab& lab, const LabHost& router,
                       const std::vector<std::pair<const LabHost*, std::string>>& live) {
    SetNetnsSysctl(router.netns, "net.ipv4.ip_forward", "1");
    Must(lab, router, {"ip", "route", "add", "blackhole", "198.19.0.0/16"});
    // No redirects: the scanner would learn to send to the live hosts directly, which is fine,
    // but the figures should not depend on when the redirect arrives.
    SetNetnsSysctl(router.netns, "net.ipv4.conf.all.send_redirects", "0");
    SetNetnsSysctl(router.netns, "net.ipv4.conf.eth0.send_redirects", "0");
    Must(lab, lab.Scanner(), {"ip", "route", "add", "198.19.0.0/16", "via", router.address});
    for (const auto& [host, address] : live) {
        Must(lab, *host, {"ip", "addr", "add", address + "/32", "dev", "eth0"});
        Must(lab, router, {"ip", "route", "add", address + "/32", "via", host->address});
    }
}

}  // namespace corvimap::lab
