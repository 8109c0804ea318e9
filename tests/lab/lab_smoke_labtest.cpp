// The lab's own promises: the scanner namespace reaches the lab and nothing else, and a lab
// leaves nothing behind, whether it ends normally or its process died.
// That the lab's Samba hosts answer nmblookup, smbclient and nbtscan is shown by the scan tests,
// which compare every scan with those tools.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "lab/lab.h"
#include "lab/lab_hosts.h"
#include "support/temp_dir.h"

namespace corvimap::lab {
namespace {

using namespace std::chrono_literals;

constexpr const char* kNowhere = "192.0.2.1";  // TEST-NET-1: documentation only, never routed

std::vector<std::string> NamespacesWithPrefix(const std::string& prefix) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix + "-", 0) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

// A zombie counts as ended: orphaned daemons wait there until init reaps them.
bool ProcessAlive(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) {
        return false;
    }
    const std::string stat = testing::ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

// errno of a UDP connect and sendto, and a TCP connect, to `address` from the calling thread.
std::vector<int> SendErrors(const char* address) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(9);
    ::inet_pton(AF_INET, address, &target.sin_addr);
    const auto* raw = reinterpret_cast<const sockaddr*>(&target);
    std::vector<int> errors;
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    errors.push_back(::connect(udp, raw, sizeof target) == 0 ? 0 : errno);
    ::close(udp);
    const int udp2 = ::socket(AF_INET, SOCK_DGRAM, 0);
    errors.push_back(::sendto(udp2, "x", 1, 0, raw, sizeof target) == 1 ? 0 : errno);
    ::close(udp2);
    const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
    errors.push_back(::connect(tcp, raw, sizeof target) == 0 ? 0 : errno);
    ::close(tcp);
    return errors;
}

std::vector<std::string> OwnIpv4Addresses() {
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return addresses;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
            char text[INET_ADDRSTRLEN];
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
            addresses.push_back(text);
        }
    }
    ::freeifaddrs(list);
    return addresses;
}

// Builds a lab with a process in it, notes where it lives and exits at once, like a crash.
[[noreturn]] void BuildALabAndDie(const std::filesystem::path& note) {
    Lab lab;
    lab.AddIcmpHost("quiet", 13);
    const LabHost& sleeper = lab.AddCommandHost("sleeper", 14, {"sleep", "300"});
    WaitUntil([&] { return !lab.ProcessesIn(sleeper).empty(); }, 5s);
    std::ostringstream text;
    text << lab.Prefix() << " " << lab.WorkDir().string();
    for (const pid_t pid : lab.ProcessesIn(sleeper)) {
        text << " " << pid;
    }
    testing::WriteWholeFile(note, text.str());
    std::_Exit(3);
}

TEST(LabSmoke, ScannerNamespaceReachesTheLabAndNothingElse) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    Lab lab;
    const LabHost& host = lab.AddIcmpHost("peer", 20);

    // The thread in the namespace, and a thread it starts, see only the lab: no default route.
    const auto inside = lab.InScanner([&] {
        std::vector<std::vector<int>> errors{SendErrors(kNowhere)};
        std::thread child([&] { errors.push_back(SendErrors(kNowhere)); });
        child.join();
        errors.push_back(SendErrors(host.address.c_str()));
        return std::make_pair(errors, OwnIpv4Addresses());
    });
    const std::vector<int> unreachable{ENETUNREACH, ENETUNREACH, ENETUNREACH};
    EXPECT_EQ(inside.first[0], unreachable);
    EXPECT_EQ(inside.first[1], unreachable) << "threads started inside stay inside";
    // UDP connect and sendto to the lab host work; TCP finds nothing listening.
    EXPECT_EQ(inside.first[2], (std::vector<int>{0, 0, ECONNREFUSED}));
    EXPECT_EQ(std::set<std::string>(inside.second.begin(), inside.second.end()),
              (std::set<std::string>{"127.0.0.1", lab.ScannerAddress()}));
    const auto outside = OwnIpv4Addresses();
    EXPECT_EQ(std::count(outside.begin(), outside.end(), lab.ScannerAddress()), 0)
        << "the test's main thread stays in its own namespace";
}

TEST(LabSmoke, TeardownRemovesNamespacesDaemonsAndFiles) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kSamba);
    std::string prefix;
    std::filesystem::path work_dir;
    std::vector<pid_t> daemons;
    {
        Lab lab;
        const LabHost& host = lab.AddSambaHost("solo", 40, FileServer());
        lab.AddCommandHost("sleeper", 41, {"sleep", "300"});
        ASSERT_TRUE(lab.WaitForSamba(30s));
        prefix = lab.Prefix();
        work_dir = lab.WorkDir();
        daemons = lab.ProcessesIn(host);
        EXPECT_GE(daemons.size(), 2u) << "nmbd and smbd at least";
        EXPECT_EQ(NamespacesWithPrefix(prefix).size(), 4u) << "bridge, scanner and 2 hosts";
    }
    EXPECT_TRUE(NamespacesWithPrefix(prefix).empty());
    for (const pid_t pid : daemons) {
        EXPECT_FALSE(ProcessAlive(pid)) << pid;
    }
    EXPECT_FALSE(std::filesystem::exists(work_dir));
}

TEST(LabSmoke, GuardCleansUpWhenTheTestProcessDies) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    testing::TempDir notes;
    const std::filesystem::path note = notes.File("lab.txt");
    // Forked without exec, so the child's lab reports where it lives; then the child dies
    // without running a single destructor.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(BuildALabAndDie(note), ::testing::ExitedWithCode(3), "");
    std::istringstream text(testing::ReadWholeFile(note));
    std::string prefix;
    std::string work_dir;
    text >> prefix >> work_dir;
    std::vector<pid_t> pids;
    for (pid_t pid = 0; text >> pid;) {
        pids.push_back(pid);
    }
    ASSERT_FALSE(prefix.empty());
    ASSERT_EQ(pids.size(), 1u);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return NamespacesWithPrefix(prefix).empty() && !ProcessAlive(pids[0]) &&
                   !std::filesystem::exists(work_dir);
        },
        15s))
        << "left: " << NamespacesWithPrefix(prefix).size() << " namespaces";
}

}  // namespace
}  // namespace corvimap::lab
