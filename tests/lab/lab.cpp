#include "lab/lab.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "lab/lab_process.h"

#ifndef CORVIMAP_LAB_DIR
#error "CORVIMAP_LAB_DIR must name the folder of lab_cleanup.sh"
#endif

namespace corvimap::lab {

namespace {

constexpr const char* kCleanupScript = CORVIMAP_LAB_DIR "/lab_cleanup.sh";
constexpr milliseconds kIpTimeout(10000);

std::atomic<int> live_labs{0};

std::string TwoHex(int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value & 0xff);
    return text;
}

bool ValidName(const std::string& name) {
    return !name.empty() && name.size() <= 12 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

}  // namespace

// ---- Availability ---------------------------------------------------------------------------

std::string LabUnavailableReason(LabNeeds needs) {
    if (::geteuid() != 0) {
        return "lab tests need root to create network namespaces (uid " +
               std::to_string(::geteuid()) + ")";
    }
    if (!ToolAvailable("ip")) {
        return "lab tests need iproute2 (ip): apt-get install iproute2";
    }
    static std::once_flag probed;
    static std::string namespace_problem;
    std::call_once(probed, [] {
        const std::string probe = "cm" + std::to_string(::getpid()) + "-probe";
        const CommandResult added = RunCommand({"ip", "netns", "add", probe}, kIpTimeout);
        if (!added.Ok()) {
            namespace_problem =
                "cannot create a network namespace here (ip netns add: " + added.err + ")";
            return;
        }
        RunCommand({"ip", "netns", "del", probe}, kIpTimeout);
    });
    if (!namespace_problem.empty()) {
        return namespace_problem;
    }
    if (needs == LabNeeds::kSamba) {
        for (const char* tool : {"nmbd", "smbd", "nmblookup", "smbclient"}) {
            if (!ToolAvailable(tool)) {
                return std::string("lab test needs Samba, ") + tool +
                       " is missing: apt-get install samba smbclient";
            }
        }
    }
    return "";
}

// ---- Lab ------------------------------------------------------------------------------------

Lab::Lab() {
    if (live_labs.fetch_add(1) != 0) {
        live_labs.fetch_sub(1);
        Fail("one Lab per process at a time");
    }
    prefix_ = "cm" + std::to_string(::getpid());
    try {
        // Guests map to nobody, who must be able to walk into the shares.
        std::filesystem::permissions(WorkDir(), std::filesystem::perms(0755));
        // Left-overs of a crashed run that had our pid, and of dead runs in general.
        RunCommand({"sh", kCleanupScript, prefix_}, milliseconds(60000));
        RunCommand({"sh", kCleanupScript, "stale"}, milliseconds(60000));
        StartGuard();
        const std::string bridge = prefix_ + "-br";
        RunIpCommands({{"ip", "netns", "add", bridge},
                       {"ip", "-n", bridge, "link", "add", "br0", "type", "bridge"},
                       {"ip", "-n", bridge, "link", "set", "br0", "up"}});
        CreateHost(HostKind::kScanner, "scan", kScannerOctet);
    } catch (...) {
        TearDown();
        throw;
    }
}

Lab::~Lab() {
    TearDown();
}

std::string Lab::AddressOf(int octet) {
    return "198.18.0." + std::to_string(octet);
}

const LabHost& Lab::Scanner() const {
    const std::lock_guard lock(hosts_mutex_);
    return *hosts_.front();
}

std::vector<const LabHost*> Lab::Hosts() const {
    const std::lock_guard lock(hosts_mutex_);
    std::vector<const LabHost*> hosts;
    for (size_t i = 1; i < hosts_.size(); ++i) {
        hosts.push_back(hosts_[i].get());
    }
    return hosts;
}

void Lab::StartGuard() {
    Pipe input = MakePipe();
    Pipe done = MakePipe();
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.Get(), input.read.Get(), 0);
    posix_spawn_file_actions_adddup2(actions.Get(), done.write.Get(), 1);
    posix_spawn_file_actions_addopen(actions.Get(), 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::string error;
    const pid_t pid = Spawn({"sh", kCleanupScript, "--after-eof", prefix_, WorkDir().string()},
                            actions, &attributes, error);
    posix_spawnattr_destroy(&attributes);
    if (pid < 0) {
        Fail(error);
    }
    // The script detaches its waiter and exits at once.
    int status = 0;
    if (!WaitChild(pid, milliseconds(10000), status) || ExitCodeOf(status) != 0) {
        Fail("the cleanup guard did not start (" + std::string(kCleanupScript) + ")");
    }
    guard_input_ = input.write.Release();
    guard_done_ = done.read.Release();
}

void Lab::StopGuard() noexcept {
    Fd(std::exchange(guard_input_, -1)).Close();
    Fd done(std::exchange(guard_done_, -1));
    // End of file once the guard has finished; after TearDown it finds nothing left.
    const auto deadline = Clock::now() + milliseconds(10000);
    std::string ignored;
    SetNonBlocking(done);
    while (done.Get() >= 0 && Clock::now() < deadline) {
        pollfd wait_for{done.Get(), POLLIN, 0};
        ::poll(&wait_for, 1, 100);
        ReadAvailable(done, ignored);
    }
}

void Lab::TearDown() noexcept {
    try {
        for (auto& [name, pid] : command_pids_) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
            }
        }
        RunCommand({"sh", kCleanupScript, prefix_}, milliseconds(60000));
        for (auto& [name, pid] : command_pids_) {
            if (pid > 0) {
                StopChild(pid);
                pid = -1;
            }
        }
        StopGuard();
    } catch (...) {
        // The guard still cleans up once this process ends.
    }
    live_labs.fetch_sub(1);
}

void Lab::RunIpCommands(const std::vector<std::vector<std::string>>& commands) {
    for (const auto& command : commands) {
        const CommandResult result = RunCommand(command, kIpTimeout);
        if (!result.Ok()) {
            std::string line;
            for (const auto& word : command) {
                line += word + " ";
            }
            Fail(line + "failed: " + result.Describe());
        }
    }
}

LabHost& Lab::CreateHost(HostKind kind, const std::string& name, int octet, LabHost details) {
    if (!ValidName(name) || (kind != HostKind::kScanner && name == "scan") || name == "br") {
        Fail("bad host name '" + name + "' (1-12 of a-z 0-9; scan and br are taken)");
    }
    if (octet < 1 || octet > 254 || (kind != HostKind::kScanner && octet == kScannerOctet)) {
        Fail("bad host octet " + std::to_string(octet));
    }
    auto host = std::make_unique<LabHost>(std::move(details));
    host->kind = kind;
    host->name = name;
    host->octet = octet;
    host->address = AddressOf(octet);
    host->netns = prefix_ + "-" + name;
    // Locally administered, and the last byte is the octet: easy to tell apart in a table.
    host->mac = "02:00:c6:12:00:" + TwoHex(octet);
    host->dir = WorkDir() / "hosts" / name;
    MakeDirs(host->dir, std::filesystem::perms(0755));
    LabHost* added_host = nullptr;
    {
        const std::lock_guard lock(hosts_mutex_);
        for (const auto& other : hosts_) {
            if (other->name == name || other->octet == octet) {
                Fail("host " + name + " or octet " + std::to_string(octet) + " already in the lab");
            }
        }
        added_host = hosts_.emplace_back(std::move(host)).get();
    }
    LabHost& added = *added_host;

    const std::string bridge = prefix_ + "-br";
    const std::string port = "v" + std::to_string(octet);
    RunIpCommands({{"ip", "netns", "add", added.netns},
                   {"ip", "link", "add", port, "netns", bridge, "type", "veth", "peer", "name",
                    "eth0", "address", added.mac, "netns", added.netns},
                   {"ip", "-n", bridge, "link", "set", port, "master", "br0", "up"},
                   {"ip", "-n", added.netns, "link", "set", "lo", "up"},
                   {"ip", "-n", added.netns, "addr", "add", added.address + "/24", "dev", "eth0"},
                   {"ip", "-n", added.netns, "link", "set", "eth0", "up"}});
    return added;
}

LabHost& Lab::Entry(const LabHost& host) const {
    const std::lock_guard lock(hosts_mutex_);
    for (const auto& entry : hosts_) {
        if (entry.get() == &host) {
            return *entry;
        }
    }
    Fail("host " + host.name + " is not of this lab");
}

const LabHost& Lab::AddIcmpHost(const std::string& name, int octet) {
    return CreateHost(HostKind::kIcmpOnly, name, octet);
}

void Lab::StopProcessesIn(const LabHost& host,
                          const std::function<bool(const std::string&)>& match) {
    std::vector<pid_t> targets;
    for (const pid_t pid : ProcessesInNetns(host.netns)) {
        if (match(ProcessName(pid))) {
            targets.push_back(pid);
            ::kill(pid, SIGTERM);
        }
    }
    const auto all_gone = [&] { return std::all_of(targets.begin(), targets.end(), ProcessGone); };
    if (!WaitUntil(all_gone, milliseconds(5000), milliseconds(10))) {
        for (const pid_t pid : targets) {
            ::kill(pid, SIGKILL);
        }
        if (!WaitUntil(all_gone, milliseconds(5000), milliseconds(10))) {
            Fail("processes in " + host.netns + " do not end");
        }
    }
}

std::vector<pid_t> Lab::ProcessesIn(const LabHost& host) const {
    return ProcessesInNetns(Entry(host).netns);
}

const LabHost& Lab::AddCommandHost(const std::string& name, int octet,
                                   std::vector<std::string> argv) {
    if (argv.empty()) {
        Fail("command host " + name + " needs a command");
    }
    LabHost details;
    details.command = std::move(argv);
    const LabHost& host = CreateHost(HostKind::kCommand, name, octet, std::move(details));
    std::vector<std::string> full = {"ip", "netns", "exec", host.netns,
                                     ResolveTool(host.command[0])};
    full.insert(full.end(), host.command.begin() + 1, host.command.end());
    const std::string log = (host.dir / "command.log").string();
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.Get(), 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(actions.Get(), 1, 2);
    std::string error;
    const pid_t pid = Spawn(full, actions, nullptr, error);
    if (pid < 0) {
        Fail(error);
    }
    command_pids_[host.name] = pid;
    return host;
}

void Lab::StopCommand(const LabHost& host) {
    auto found = command_pids_.find(Entry(host).name);
    if (found != command_pids_.end() && found->second > 0) {
        StopChild(found->second);
        found->second = -1;
    }
}

bool Lab::CommandRunning(const LabHost& host) const {
    auto found = command_pids_.find(Entry(host).name);
    if (found == command_pids_.end() || found->second <= 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(found->second, &status, WNOHANG) == found->second) {
        found->second = -1;
        return false;
    }
    return true;
}

CommandResult Lab::RunIn(const LabHost& host, const std::vector<std::string>& argv,
                         milliseconds timeout) const {
    if (argv.empty()) {
        Fail("empty command");
    }
    std::vector<std::string> full = {"ip", "netns", "exec", Entry(host).netns,
                                     ResolveTool(argv[0])};
    full.insert(full.end(), argv.begin() + 1, argv.end());
    return RunCommand(full, timeout);
}

std::vector<ArpEntry> Lab::ScannerArpTable() const {
    return InScanner([] {
        // Not /proc/net/arp: that is the main thread's namespace.
        std::ifstream in("/proc/thread-self/net/arp");
        std::stringstream text;
        text << in.rdbuf();
        return ParseArpTable(text.str());
    });
}

std::optional<std::string> Lab::ScannerArpMac(const std::string& address) const {
    for (const auto& entry : ScannerArpTable()) {
        if (entry.address == address && entry.Complete()) {
            return entry.mac;
        }
    }
    return std::nullopt;
}

std::string Lab::HostMac(const LabHost& host) const {
    return InNetns(Entry(host).netns, [] {
        const Fd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ifreq request{};
        std::strncpy(request.ifr_name, "eth0", IFNAMSIZ - 1);
        if (sock.Get() < 0 || ::ioctl(sock.Get(), SIOCGIFHWADDR, &request) != 0) {
            Fail(ErrnoText("SIOCGIFHWADDR eth0"));
        }
        std::string mac;
        for (int i = 0; i < 6; ++i) {
            mac += (i == 0 ? "" : ":") +
                   TwoHex(static_cast<unsigned char>(request.ifr_hwaddr.sa_data[i]));
        }
        return mac;
    });
}

void Lab::SetPingGroupRange(const LabHost& host, gid_t low, gid_t high) {
    SetNetnsSysctl(Entry(host).netns, "net.ipv4.ping_group_range",
                   std::to_string(low) + " " + std::to_string(high));
}

std::pair<gid_t, gid_t> Lab::PingGroupRange(const LabHost& host) const {
    std::istringstream value(ReadNetnsSysctl(Entry(host).netns, "net.ipv4.ping_group_range"));
    unsigned long low = 0;
    unsigned long high = 0;
    if (!(value >> low >> high)) {
        Fail("unreadable ping_group_range in " + host.netns);
    }
    return {static_cast<gid_t>(low), static_cast<gid_t>(high)};
}

}  // namespace corvimap::lab
