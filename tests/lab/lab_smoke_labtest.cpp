// Proves the lab with tools that know nothing of this program: nmblookup, smbclient, nbtscan,
// ping and the kernel's own tables.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "lab/lab.h"
#include "support/temp_dir.h"

namespace corvimap::lab {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kNowhere = "192.0.2.1";  // TEST-NET-1: documentation only, never routed

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

SambaHostOptions AlphaOptions() {
    SambaHostOptions options;
    options.netbios_name = "LABALPHA";
    options.workgroup = "LABGROUP";
    options.server_string = "Alpha lab host";
    options.shares = {
        {"public",
         "Public files",
         {"empty"},
         {{"readme.txt", "hello\n"}, {"docs/a.txt", "a\n"}, {"docs/deep/b.txt", "b\n"}}},
        {"music", "Songs", {}, {{"album/track01.mp3", "ID3"}, {"album/track02.mp3", "ID3"}}},
    };
    return options;
}

SambaHostOptions BetaOptions() {
    SambaHostOptions options;
    options.netbios_name = "LABBETA";
    options.workgroup = "OTHERWG";
    options.shares = {
        {"projects", "", {"src"}, {{"plan.txt", "plan\n"}, {"src/main.c", "int main;\n"}}},
        {"backup$", "Hidden one", {}, {{"old.zip", "PK"}}},
        {"photos", "Pictures", {}, {{"2024/summer.jpg", "JFIF"}}},
    };
    return options;
}

std::set<std::string> DiskShares(const CommandResult& listing) {
    std::set<std::string> names;
    for (const auto& row : ParseSmbclientList(listing.out)) {
        if (row.type == "Disk") {
            names.insert(row.name);
        }
    }
    return names;
}

bool HasName(const std::vector<NbName>& names, const std::string& name, int suffix, bool group) {
    return std::find(names.begin(), names.end(), NbName{name, suffix, group}) != names.end();
}

bool NamespaceExists(const std::string& netns) {
    return std::filesystem::exists("/run/netns/" + netns);
}

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

TEST(LabParsers, ReadTheToolsOutput) {
    const auto names = ParseNmbLookupStatus(
        "Looking up status of 198.18.0.11\n"
        "\tLABALPHA        <00> -         B <ACTIVE> \n"
        "\tTWO WORDS       <20> -         B <ACTIVE> \n"
        "\tLABGROUP        <1e> - <GROUP> B <ACTIVE> \n"
        "\n\tMAC Address = 00-00-00-00-00-00\n");
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], (NbName{"LABALPHA", 0x00, false}));
    EXPECT_EQ(names[1], (NbName{"TWO WORDS", 0x20, false}));
    EXPECT_EQ(names[2], (NbName{"LABGROUP", 0x1e, true}));
    EXPECT_TRUE(ParseNmbLookupStatus("No reply from 198.18.0.99\n").empty());

    const auto rows = ParseSmbclientList(
        "Disk|public|Public files\nIPC|IPC$|IPC Service (x)\nDisk|odd|a|b\nWorkgroup|W|M\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "public");
    EXPECT_EQ(rows[0].comment, "Public files");
    EXPECT_EQ(rows[1].type, "IPC");
    EXPECT_EQ(rows[2].comment, "a|b");

    const auto arp = ParseArpTable(
        "IP address       HW type     Flags       HW address            Mask     Device\n"
        "198.18.0.11      0x1         0x2         02:00:C6:12:00:0B     *        eth0\n"
        "198.18.0.99      0x1         0x0         00:00:00:00:00:00     *        eth0\n");
    ASSERT_EQ(arp.size(), 2u);
    EXPECT_TRUE(arp[0].Complete());
    EXPECT_EQ(arp[0].mac, "02:00:c6:12:00:0b");
    EXPECT_FALSE(arp[1].Complete());
}

TEST(LabSmoke, TwoSambaHostsAndAnIcmpHostAnswerTheIndependentTools) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kSamba);
    const auto start = Clock::now();
    Lab lab;
    const LabHost& alpha = lab.AddSambaHost("alpha", 11, AlphaOptions());
    const LabHost& beta = lab.AddSambaHost("beta", 12, BetaOptions());
    const LabHost& quiet = lab.AddIcmpHost("quiet", 13);
    const double built = SecondsSince(start);
    ASSERT_TRUE(lab.WaitForSamba(30s));
    std::printf(
        "[ lab      ] namespaces and daemons started in %.3f s, Samba answering after %.3f s\n",
        built, SecondsSince(start));
    const std::string absent = Lab::AddressOf(99);

    {
        SCOPED_TRACE("node status");
        const auto a = ParseNmbLookupStatus(lab.NodeStatus(alpha.address, 5s).out);
        EXPECT_TRUE(HasName(a, "LABALPHA", 0x00, false));
        EXPECT_TRUE(HasName(a, "LABALPHA", 0x20, false));
        EXPECT_TRUE(HasName(a, "LABGROUP", 0x00, true));
        EXPECT_FALSE(HasName(a, "LABBETA", 0x00, false));
        const auto b = ParseNmbLookupStatus(lab.NodeStatus(beta.address, 5s).out);
        EXPECT_TRUE(HasName(b, "LABBETA", 0x00, false));
        EXPECT_TRUE(HasName(b, "LABBETA", 0x20, false));
        EXPECT_TRUE(HasName(b, "OTHERWG", 0x00, true));
        EXPECT_FALSE(HasName(b, "LABGROUP", 0x00, true));
        // Nothing listens on the ICMP-only host; a lab answer would take milliseconds.
        EXPECT_TRUE(ParseNmbLookupStatus(lab.NodeStatus(quiet.address, 2s).out).empty());
    }
    {
        SCOPED_TRACE("share lists");
        const CommandResult a = lab.ShareList(alpha.address, 20s);
        ASSERT_TRUE(a.Ok()) << a.Describe();
        EXPECT_EQ(DiskShares(a), (std::set<std::string>{"music", "public"}));
        const auto rows = ParseSmbclientList(a.out);
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const SmbShareRow& row) {
            return row.type == "IPC" && row.name == "IPC$";
        })) << a.out;
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const SmbShareRow& row) {
            return row.name == "public" && row.comment == "Public files";
        })) << a.out;
        const CommandResult b = lab.ShareList(beta.address, 20s);
        ASSERT_TRUE(b.Ok()) << b.Describe();
        EXPECT_EQ(DiskShares(b), (std::set<std::string>{"backup$", "photos", "projects"}));
        EXPECT_FALSE(lab.ShareList(quiet.address, 20s).Ok());
    }
    {
        SCOPED_TRACE("files in the shares");
        const CommandResult walk = lab.RunInScanner(
            {"smbclient", "-N", "//" + alpha.address + "/public", "-c", "recurse; ls"}, 20s);
        ASSERT_TRUE(walk.Ok()) << walk.Describe();
        for (const char* name : {"readme.txt", "docs", "deep", "b.txt", "empty"}) {
            EXPECT_NE(walk.out.find(name), std::string::npos) << name << "\n" << walk.out;
        }
    }
    {
        SCOPED_TRACE("ping and ARP");
        for (const LabHost* host : {&alpha, &beta, &quiet}) {
            const CommandResult ping = lab.RunInScanner({"ping", "-c1", "-W1", host->address}, 5s);
            EXPECT_TRUE(ping.Ok()) << host->name << ": " << ping.Describe();
            EXPECT_EQ(lab.HostMac(*host), host->mac);
            EXPECT_EQ(lab.ScannerArpMac(host->address), host->mac) << host->name;
        }
        // On a thread in the namespace only /proc/thread-self/net is the namespace's own.
        const auto [own, process] = lab.InScanner([] {
            return std::make_pair(testing::ReadWholeFile("/proc/thread-self/net/arp"),
                                  testing::ReadWholeFile("/proc/self/net/arp"));
        });
        EXPECT_NE(own.find(alpha.address), std::string::npos) << own;
        EXPECT_EQ(process.find(alpha.address), std::string::npos) << process;
        EXPECT_FALSE(lab.RunInScanner({"ping", "-c1", "-W1", absent}, 5s).Ok());
        EXPECT_EQ(lab.ScannerArpMac(absent), std::nullopt);
        EXPECT_EQ(lab.HostMac(lab.Scanner()), lab.Scanner().mac);
    }
    if (ToolAvailable("nbtscan")) {
        SCOPED_TRACE("nbtscan");
        const CommandResult scan =
            lab.RunInScanner({"nbtscan", "-q", "-s", "|", "-t", "500", Lab::kSubnet}, 30s);
        std::map<std::string, std::string> found;  // address -> name
        std::istringstream lines(scan.out);
        std::string line;
        while (std::getline(lines, line)) {
            const size_t bar = line.find('|');
            if (bar != std::string::npos) {
                std::string name = line.substr(bar + 1, line.find('|', bar + 1) - bar - 1);
                name.erase(name.find_last_not_of(' ') + 1);
                found[line.substr(0, bar)] = name;
            }
        }
        EXPECT_EQ(found, (std::map<std::string, std::string>{{alpha.address, "LABALPHA"},
                                                             {beta.address, "LABBETA"}}))
            << scan.Describe();
    } else {
        std::printf("[ lab      ] nbtscan is not installed; its check is left out\n");
    }
    {
        SCOPED_TRACE("nmbd stopped and started again");
        const auto names_of = [](const std::vector<pid_t>& pids) {
            std::multiset<std::string> names;
            for (const pid_t pid : pids) {
                const std::string comm =
                    testing::ReadWholeFile("/proc/" + std::to_string(pid) + "/comm");
                names.insert(comm.substr(0, comm.find('\n')));
            }
            return names;
        };
        EXPECT_EQ(names_of(lab.ProcessesIn(beta)).count("nmbd"), 1u);
        lab.StopNmbd(beta);
        EXPECT_EQ(names_of(lab.ProcessesIn(beta)).count("nmbd"), 0u);
        EXPECT_GT(names_of(lab.ProcessesIn(beta)).count("smbd"), 0u);
        EXPECT_TRUE(ParseNmbLookupStatus(lab.NodeStatus(beta.address, 2s).out).empty());
        EXPECT_TRUE(HasName(ParseNmbLookupStatus(lab.NodeStatus(alpha.address, 5s).out), "LABALPHA",
                            0x00, false));
        EXPECT_TRUE(lab.ShareList(beta.address, 20s).Ok()) << "smbd keeps running";
        lab.StartNmbd(beta);
        EXPECT_TRUE(lab.WaitForNodeStatus(beta, 15s));
    }
}

TEST(LabSmoke, ScannerNamespaceReachesTheLabAndNothingElse) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    Lab lab;
    const LabHost& host = lab.AddIcmpHost("peer", 20);

    const CommandResult routes = lab.RunInScanner({"ip", "-4", "route", "show"}, 5s);
    ASSERT_TRUE(routes.Ok()) << routes.Describe();
    EXPECT_EQ(routes.out.find("default"), std::string::npos) << routes.out;
    EXPECT_NE(routes.out.find("198.18.0.0/24"), std::string::npos) << routes.out;
    const CommandResult route_get = lab.RunInScanner({"ip", "route", "get", kNowhere}, 5s);
    EXPECT_FALSE(route_get.Ok());
    EXPECT_NE(route_get.err.find("unreachable"), std::string::npos) << route_get.Describe();

    // The thread in the namespace, and a thread it starts, see only the lab.
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

TEST(LabSmoke, PingGroupRangeIsSetPerNamespace) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    Lab lab;
    const LabHost& other = lab.AddIcmpHost("other", 21);
    const std::string root_before = testing::ReadWholeFile("/proc/sys/net/ipv4/ping_group_range");

    EXPECT_EQ(lab.PingGroupRange(lab.Scanner()), (std::pair<gid_t, gid_t>{1, 0}))
        << "a new namespace lets nobody open ICMP datagram sockets";
    lab.SetPingGroupRange(lab.Scanner(), 0, 2147483647);
    EXPECT_EQ(lab.PingGroupRange(lab.Scanner()), (std::pair<gid_t, gid_t>{0, 2147483647}));
    EXPECT_EQ(lab.PingGroupRange(other), (std::pair<gid_t, gid_t>{1, 0}));
    EXPECT_EQ(testing::ReadWholeFile("/proc/sys/net/ipv4/ping_group_range"), root_before);
    const CommandResult seen = lab.RunInScanner({"cat", "/proc/sys/net/ipv4/ping_group_range"}, 5s);
    EXPECT_EQ(seen.out, "0\t2147483647\n");

    // The kernel applies it: a datagram ICMP socket opens in the scanner namespace only.
    const auto icmp_socket_errno = [] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
        const int error = fd >= 0 ? 0 : errno;
        if (fd >= 0) {
            ::close(fd);
        }
        return error;
    };
    EXPECT_EQ(lab.InScanner(icmp_socket_errno), 0);
    EXPECT_EQ(InNetns(other.netns, icmp_socket_errno), EACCES);
}

TEST(LabSmoke, CommandHostRunsItsCommandInItsNamespace) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    Lab lab;
    const std::filesystem::path seen = lab.WorkDir() / "seen.txt";
    const LabHost& host = lab.AddCommandHost(
        "game", 30,
        {"sh", "-c", "ip -o -4 addr show dev eth0 > " + seen.string() + "; exec sleep 300"});
    ASSERT_TRUE(WaitUntil(
        [&] { return testing::ReadWholeFile(seen).find('\n') != std::string::npos; }, 10s));
    EXPECT_NE(testing::ReadWholeFile(seen).find(" 198.18.0.30/24 "), std::string::npos)
        << testing::ReadWholeFile(seen);
    EXPECT_TRUE(lab.CommandRunning(host));
    EXPECT_EQ(lab.ProcessesIn(host).size(), 1u);
    lab.StopCommand(host);
    EXPECT_FALSE(lab.CommandRunning(host));
    EXPECT_TRUE(lab.ProcessesIn(host).empty());
}

TEST(LabSmoke, TeardownRemovesNamespacesDaemonsAndFiles) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kSamba);
    std::string prefix;
    std::filesystem::path work_dir;
    std::vector<pid_t> daemons;
    {
        Lab lab;
        const LabHost& host = lab.AddSambaHost("solo", 40, BetaOptions());
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
    // The guard saw the lab go and ended too; a new lab starts cleanly in the same process.
    Lab again;
    EXPECT_EQ(NamespacesWithPrefix(again.Prefix()).size(), 2u);
}

TEST(LabSmoke, NewLabRemovesWhatACrashedRunLeftBehind) {
    CORVIMAP_REQUIRE_LAB(LabNeeds::kNamespaces);
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) {
        ::_exit(0);
    }
    ::waitpid(dead, nullptr, 0);
    const std::string own_stale = "cm" + std::to_string(::getpid()) + "-scan";
    const std::string dead_stale = "cm" + std::to_string(dead) + "-h1";
    ASSERT_TRUE(RunCommand({"ip", "netns", "add", own_stale}, 5s).Ok());
    ASSERT_TRUE(RunCommand({"ip", "netns", "add", dead_stale}, 5s).Ok());
    // A daemon left running in the dead run's namespace.
    ASSERT_TRUE(
        RunCommand({"ip", "netns", "exec", dead_stale, "sh", "-c", "sleep 300 >/dev/null 2>&1 &"},
                   5s)
            .Ok());
    const CommandResult left = RunCommand({"ip", "netns", "pids", dead_stale}, 5s);
    ASSERT_FALSE(left.out.empty()) << left.Describe();
    const pid_t orphan = static_cast<pid_t>(std::stol(left.out));

    Lab lab;  // would fail on "cm<pid>-scan" if it were still there
    EXPECT_TRUE(NamespaceExists(lab.ScannerNetns()));
    EXPECT_FALSE(NamespaceExists(dead_stale));
    EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(orphan); }, 5s));
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
