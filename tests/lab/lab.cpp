#include "lab/lab.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef CORVIMAP_LAB_DIR
#error "CORVIMAP_LAB_DIR must name the folder of lab_cleanup.sh"
#endif

extern char** environ;

namespace corvimap::lab {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxCapturedOutput = 16 * 1024 * 1024;
constexpr const char* kCleanupScript = CORVIMAP_LAB_DIR "/lab_cleanup.sh";
constexpr milliseconds kIpTimeout(10000);

std::atomic<int> live_labs{0};

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("lab: " + what);
}

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

struct Pipe {
    Fd read;
    Fd write;
};

// O_CLOEXEC so that commands started meanwhile on other threads don't hold our pipes open.
Pipe MakePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        Fail(ErrnoText("pipe2"));
    }
    return Pipe{Fd(fds[0]), Fd(fds[1])};
}

// Root's tools live in sbin folders that a test's PATH may lack.
std::string ResolveTool(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    path += ":/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
    std::stringstream folders(path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) {
            continue;
        }
        const std::string candidate = folder + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return name;
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// Starts argv; returns the pid or -1 with the reason in `error`.
pid_t Spawn(const std::vector<std::string>& argv, SpawnActions& actions,
            const posix_spawnattr_t* attributes, std::string& error) {
    if (argv.empty()) {
        error = "empty command";
        return -1;
    }
    const std::string program = ResolveTool(argv[0]);
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    args.push_back(const_cast<char*>(program.c_str()));
    for (size_t i = 1; i < argv.size(); ++i) {
        args.push_back(const_cast<char*>(argv[i].c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc =
        posix_spawnp(&pid, program.c_str(), actions.Get(), attributes, args.data(), environ);
    if (rc != 0) {
        error = "cannot start " + argv[0] + ": " + std::strerror(rc);
        return -1;
    }
    return pid;
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Appends what can be read now; closes the descriptor at end of file.
void ReadAvailable(Fd& fd, std::string& into) {
    char buffer[4096];
    while (fd.Get() >= 0) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n > 0) {
            const size_t room = kMaxCapturedOutput - std::min(into.size(), kMaxCapturedOutput);
            into.append(buffer, std::min(static_cast<size_t>(n), room));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            fd.Close();
        }
        return;  // EAGAIN: nothing more for now
    }
}

void SetNonBlocking(const Fd& fd) {
    if (fd.Get() >= 0) {
        ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) | O_NONBLOCK);
    }
}

Fd OpenPidFd(pid_t pid) {
    return Fd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
}

// Waits for a child to exit; false when the time-out passed first.
bool WaitChild(pid_t pid, milliseconds timeout, int& status) {
    const Fd pidfd = OpenPidFd(pid);
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            return true;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        if (pidfd.Get() >= 0) {
            pollfd wait_for{pidfd.Get(), POLLIN, 0};
            ::poll(&wait_for, 1, static_cast<int>(left));
        } else {
            std::this_thread::sleep_for(milliseconds(std::min<long long>(left, 10)));
        }
    }
}

void StopChild(pid_t pid) {
    int status = 0;
    ::kill(pid, SIGTERM);
    if (!WaitChild(pid, milliseconds(3000), status)) {
        ::kill(pid, SIGKILL);
        WaitChild(pid, milliseconds(10000), status);
    }
}

// Gone, or a zombie waiting for its parent: either way it no longer does anything.
bool ProcessGone(pid_t pid) {
    if (::kill(pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat_line;
    if (!std::getline(stat_file, stat_line)) {
        return true;
    }
    const size_t paren = stat_line.rfind(')');
    return paren != std::string::npos && paren + 2 < stat_line.size() &&
           stat_line[paren + 2] == 'Z';
}

std::string ProcessName(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

std::string NetnsPath(const std::string& netns) {
    return "/run/netns/" + netns;
}

std::vector<pid_t> ProcessesInNetns(const std::string& netns) {
    std::vector<pid_t> pids;
    struct stat target {};
    if (::stat(NetnsPath(netns).c_str(), &target) != 0) {
        return pids;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
            continue;
        }
        const pid_t pid = static_cast<pid_t>(std::stol(name));
        struct stat net {};
        if (pid == ::getpid() || ::stat((entry.path() / "ns/net").c_str(), &net) != 0) {
            continue;
        }
        if (net.st_dev == target.st_dev && net.st_ino == target.st_ino) {
            pids.push_back(pid);
        }
    }
    return pids;
}

std::string SysctlPath(const std::string& key) {
    std::string path = "/proc/sys/" + key;
    std::replace(path.begin() + 10, path.end(), '.', '/');
    return path;
}

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

// A relative path that stays inside its share.
bool ValidSharePath(const std::string& path) {
    if (path.empty() || path.front() == '/') {
        return false;
    }
    for (const auto& part : std::filesystem::path(path)) {
        if (part == "..") {
            return false;
        }
    }
    return true;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
        Fail("cannot write " + path.string());
    }
}

void MakeDirs(const std::filesystem::path& path, std::filesystem::perms perms) {
    std::filesystem::create_directories(path);
    std::filesystem::permissions(path, perms);
}

}  // namespace

// ---- Commands -------------------------------------------------------------------------------

std::string CommandResult::Describe() const {
    std::string text = timed_out ? "timed out" : "exit code " + std::to_string(exit_code);
    text += "\n--- stdout ---\n" + out + "\n--- stderr ---\n" + err;
    return text;
}

CommandResult RunCommand(const std::vector<std::string>& argv, milliseconds timeout) {
    CommandResult result;
    Pipe out = MakePipe();
    Pipe err = MakePipe();
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), out.write.Get(), 1);
    posix_spawn_file_actions_adddup2(actions.Get(), err.write.Get(), 2);
    std::string spawn_error;
    const pid_t pid = Spawn(argv, actions, nullptr, spawn_error);
    out.write.Close();
    err.write.Close();
    if (pid < 0) {
        result.exit_code = 127;
        result.err = spawn_error;
        return result;
    }

    const Fd pidfd = OpenPidFd(pid);
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            break;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timed_out = true;
            break;
        }
        // Without a pidfd (old kernel) the exit is noticed by polling every 10 ms.
        pollfd fds[3] = {
            {out.read.Get(), POLLIN, 0}, {err.read.Get(), POLLIN, 0}, {pidfd.Get(), POLLIN, 0}};
        const int wait_ms = pidfd.Get() >= 0 ? static_cast<int>(left)
                                             : static_cast<int>(std::min<long long>(left, 10));
        if (::poll(fds, 3, wait_ms) < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents != 0) {
            ReadAvailable(out.read, result.out);
        }
        if (fds[1].revents != 0) {
            ReadAvailable(err.read, result.err);
        }
    }
    // The command is gone; what it wrote is in the pipes. A daemon it started may hold them
    // open, so take what is there without waiting for end of file.
    SetNonBlocking(out.read);
    SetNonBlocking(err.read);
    ReadAvailable(out.read, result.out);
    ReadAvailable(err.read, result.err);
    if (!result.timed_out) {
        result.exit_code = ExitCodeOf(status);
    }
    return result;
}

bool ToolAvailable(const std::string& name) {
    const std::string path = ResolveTool(name);
    return path.find('/') != std::string::npos && ::access(path.c_str(), X_OK) == 0;
}

bool WaitUntil(const std::function<bool()>& ready, milliseconds timeout, milliseconds interval) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (ready()) {
            return true;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(interval, deadline - now + milliseconds(1)));
    }
}

// ---- Parsers --------------------------------------------------------------------------------

std::vector<NbName> ParseNmbLookupStatus(std::string_view output) {
    // "\tLABALPHA        <20> -         B <ACTIVE> " and "\tLABGROUP        <00> - <GROUP> B ..."
    static const std::regex kNameLine(R"(^\s+(\S.*?)\s*<([0-9A-Fa-f]{2})>\s+-\s+(<GROUP>)?)");
    std::vector<NbName> names;
    std::istringstream lines{std::string(output)};
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_search(line, match, kNameLine)) {
            names.push_back(
                NbName{match[1].str(), std::stoi(match[2].str(), nullptr, 16), match[3].matched});
        }
    }
    return names;
}

std::vector<SmbShareRow> ParseSmbclientList(std::string_view output) {
    // "Disk|music|Songs" - the comment is the rest of the line and may hold '|'.
    std::vector<SmbShareRow> rows;
    std::istringstream lines{std::string(output)};
    std::string line;
    while (std::getline(lines, line)) {
        const size_t first = line.find('|');
        if (first == std::string::npos) {
            continue;
        }
        const size_t second = line.find('|', first + 1);
        SmbShareRow row;
        row.type = line.substr(0, first);
        if (row.type != "Disk" && row.type != "IPC" && row.type != "Printer") {
            continue;
        }
        row.name = line.substr(
            first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        row.comment = second == std::string::npos ? "" : line.substr(second + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ArpEntry> ParseArpTable(std::string_view text) {
    // IP address  HW type  Flags  HW address  Mask  Device  (first line is the header)
    std::vector<ArpEntry> entries;
    std::istringstream lines{std::string(text)};
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        ArpEntry entry;
        std::string hw_type;
        std::string flags;
        std::string mask;
        if (fields >> entry.address >> hw_type >> flags >> entry.mac >> mask >> entry.device) {
            entry.flags = static_cast<unsigned>(std::strtoul(flags.c_str(), nullptr, 16));
            std::transform(entry.mac.begin(), entry.mac.end(), entry.mac.begin(), ::tolower);
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

// ---- Namespaces -----------------------------------------------------------------------------

void RunOnNetnsThread(const std::string& netns, const std::function<void()>& fn) {
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            const Fd ns(::open(NetnsPath(netns).c_str(), O_RDONLY | O_CLOEXEC));
            if (ns.Get() < 0) {
                Fail(ErrnoText("open " + NetnsPath(netns)));
            }
            if (::setns(ns.Get(), CLONE_NEWNET) != 0) {
                Fail(ErrnoText("setns " + netns));
            }
            fn();
        } catch (...) {
            error = std::current_exception();
        }
    });
    worker.join();
    if (error) {
        std::rethrow_exception(error);
    }
}

ScopedThreadNetns::ScopedThreadNetns(const std::string& netns) {
    Fd home(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC));
    if (home.Get() < 0) {
        Fail(ErrnoText("open /proc/thread-self/ns/net"));
    }
    const Fd target(::open(NetnsPath(netns).c_str(), O_RDONLY | O_CLOEXEC));
    if (target.Get() < 0) {
        Fail(ErrnoText("open " + NetnsPath(netns)));
    }
    if (::setns(target.Get(), CLONE_NEWNET) != 0) {
        Fail(ErrnoText("setns " + netns));
    }
    home_ = home.Release();
}

ScopedThreadNetns::~ScopedThreadNetns() {
    if (::setns(home_, CLONE_NEWNET) != 0) {
        std::perror("lab: setns back to the thread's own network namespace");
        std::abort();
    }
    ::close(home_);
}

// /proc/sys/net follows the namespace of the thread that opens it.
void SetNetnsSysctl(const std::string& netns, const std::string& key, const std::string& value) {
    RunOnNetnsThread(netns, [&] {
        const std::string path = SysctlPath(key);
        const Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        if (fd.Get() < 0 || ::write(fd.Get(), value.data(), value.size()) < 0) {
            Fail(ErrnoText("set " + key + " in " + netns));
        }
    });
}

std::string ReadNetnsSysctl(const std::string& netns, const std::string& key) {
    return InNetns(netns, [&] {
        std::ifstream in(SysctlPath(key));
        std::string value;
        if (!std::getline(in, value)) {
            Fail("cannot read " + key + " in " + netns);
        }
        return value;
    });
}

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

std::vector<const LabHost*> Lab::Hosts() const {
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

LabHost& Lab::CreateHost(HostKind kind, const std::string& name, int octet) {
    if (!ValidName(name) || (kind != HostKind::kScanner && name == "scan") || name == "br") {
        Fail("bad host name '" + name + "' (1-12 of a-z 0-9; scan and br are taken)");
    }
    if (octet < 1 || octet > 254 || (kind != HostKind::kScanner && octet == kScannerOctet)) {
        Fail("bad host octet " + std::to_string(octet));
    }
    for (const auto& host : hosts_) {
        if (host->name == name || host->octet == octet) {
            Fail("host " + name + " or octet " + std::to_string(octet) + " already in the lab");
        }
    }
    auto host = std::make_unique<LabHost>();
    host->kind = kind;
    host->name = name;
    host->octet = octet;
    host->address = AddressOf(octet);
    host->netns = prefix_ + "-" + name;
    // Locally administered, and the last byte is the octet: easy to tell apart in a table.
    host->mac = "02:00:c6:12:00:" + TwoHex(octet);
    host->dir = WorkDir() / "hosts" / name;
    MakeDirs(host->dir, std::filesystem::perms(0755));
    LabHost& added = *hosts_.emplace_back(std::move(host));

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

std::filesystem::path Lab::SmbConfPath(const LabHost& host) const {
    return Entry(host).dir / "smb.conf";
}

std::filesystem::path Lab::ShareDir(const LabHost& host, const std::string& share) const {
    return Entry(host).dir / "shares" / share;
}

const LabHost& Lab::AddSambaHost(const std::string& name, int octet, SambaHostOptions options) {
    for (const auto& share : options.shares) {
        if (share.name.empty() || share.name.size() > 80 ||
            share.name.find_first_of("/\\[]\n") != std::string::npos) {
            Fail("bad share name '" + share.name + "'");
        }
    }
    LabHost& host = CreateHost(HostKind::kSamba, name, octet);
    host.samba = std::move(options);
    const auto& dir = host.dir;
    const auto open = std::filesystem::perms(0755);
    for (const char* sub : {"run", "lock", "state", "cache", "ncalrpc", "log"}) {
        MakeDirs(dir / sub, open);
    }
    MakeDirs(dir / "private", std::filesystem::perms(0700));

    // Every file Samba writes stays in the host's folder, and it serves eth0 only.
    const std::vector<std::pair<std::string, std::string>> global = {
        {"netbios name", host.samba.netbios_name},
        {"workgroup", host.samba.workgroup},
        {"interfaces", "eth0"},
        {"bind interfaces only", "yes"},
        {"pid directory", (dir / "run").string()},
        {"lock directory", (dir / "lock").string()},
        {"state directory", (dir / "state").string()},
        {"cache directory", (dir / "cache").string()},
        {"private dir", (dir / "private").string()},
        {"ncalrpc dir", (dir / "ncalrpc").string()},
        {"log file", (dir / "log" / "log.%m").string()},
        {"map to guest", "Bad User"},
        {"load printers", "no"},
        {"printcap name", "/dev/null"},
        {"disable spoolss", "yes"},
    };
    std::string conf = "[global]\n";
    for (const auto& [key, value] : global) {
        conf += key + " = " + value + "\n";
    }
    if (!host.samba.server_string.empty()) {
        conf += "server string = " + host.samba.server_string + "\n";
    }
    for (const auto& line : host.samba.extra_global_lines) {
        conf += line + "\n";
    }
    if (host.samba.master_browser) {
        conf += "local master = yes\npreferred master = yes\nos level = 65\n";
    }
    if (host.samba.smb1_only) {
        conf += "server min protocol = NT1\nserver max protocol = NT1\n";
    }
    for (const auto& share : host.samba.shares) {
        const auto root = ShareDir(host, share.name);
        MakeDirs(root, open);
        for (const auto& folder : share.folders) {
            if (!ValidSharePath(folder)) {
                Fail("bad folder '" + folder + "' in share " + share.name);
            }
            MakeDirs(root / folder, open);
        }
        for (const auto& [path, content] : share.files) {
            if (!ValidSharePath(path)) {
                Fail("bad file '" + path + "' in share " + share.name);
            }
            std::filesystem::create_directories((root / path).parent_path());
            WriteFile(root / path, content);
        }
        conf += "\n[" + share.name + "]\n";
        conf += "path = " + root.string() + "\n";
        if (!share.comment.empty()) {
            conf += "comment = " + share.comment + "\n";
        }
        conf += "guest ok = yes\nread only = yes\nbrowseable = yes\n";
        for (const auto& line : share.lines) {
            conf += line + "\n";
        }
    }
    WriteFile(SmbConfPath(host), conf);

    StartSambaDaemon(host, "nmbd");
    StartSambaDaemon(host, "smbd");
    return host;
}

void Lab::StartSambaDaemon(const LabHost& host, const char* daemon) {
    // -D forks the daemon and returns; readiness is for WaitForSamba to find out.
    const CommandResult started =
        RunIn(host, {daemon, "-D", "-s", SmbConfPath(host).string()}, milliseconds(20000));
    if (!started.Ok()) {
        Fail(std::string(daemon) + " did not start on " + host.name + ": " + started.Describe());
    }
}

void Lab::StartNmbd(const LabHost& host) {
    StartSambaDaemon(Entry(host), "nmbd");
}
void Lab::StartSmbd(const LabHost& host) {
    StartSambaDaemon(Entry(host), "smbd");
}

void Lab::StopNmbd(const LabHost& host) {
    StopProcessesIn(Entry(host), [](const std::string& name) { return name == "nmbd"; });
}

// smbd, its forks, samba-dcerpcd and the rpcd_* helpers: everything but nmbd.
void Lab::StopSmbd(const LabHost& host) {
    StopProcessesIn(Entry(host), [](const std::string& name) { return name != "nmbd"; });
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
    LabHost& host = CreateHost(HostKind::kCommand, name, octet);
    host.command = std::move(argv);
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

CommandResult Lab::NodeStatus(const std::string& address, milliseconds timeout) const {
    return RunInScanner({"nmblookup", "-A", address}, timeout);
}

CommandResult Lab::ShareList(const std::string& address, milliseconds timeout) const {
    const bool smb1_only = std::any_of(hosts_.begin(), hosts_.end(), [&](const auto& host) {
        return host->address == address && host->samba.smb1_only;
    });
    if (smb1_only) {
        // Debian's smbclient refuses -m NT1 while its minimum stays SMB2.
        return RunInScanner({"smbclient", "-N", "-g", "-m", "NT1",
                             "--option=client min protocol=NT1", "-L", address},
                            timeout);
    }
    return RunInScanner({"smbclient", "-N", "-g", "-L", address}, timeout);
}

::testing::AssertionResult Lab::WaitForNodeStatus(const LabHost& host, milliseconds timeout) const {
    const std::string name = Upper(Entry(host).samba.netbios_name);
    CommandResult last;
    const bool answered = WaitUntil(
        [&] {
            // An answer takes milliseconds here; don't sit out nmblookup's own 10 s.
            last = NodeStatus(host.address, milliseconds(1500));
            for (const auto& entry : ParseNmbLookupStatus(last.out)) {
                if (entry.name == name && entry.suffix == 0x00 && !entry.group) {
                    return true;
                }
            }
            return false;
        },
        timeout);
    if (answered) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << host.name << " (" << host.address << ") gave no node status naming " << name << ": "
           << last.Describe();
}

::testing::AssertionResult Lab::WaitForShares(const LabHost& host, milliseconds timeout) const {
    const auto& shares = Entry(host).samba.shares;
    const auto started = Clock::now();
    CommandResult last;
    const bool listed = WaitUntil(
        [&] {
            const auto left =
                timeout - std::chrono::duration_cast<milliseconds>(Clock::now() - started);
            last = ShareList(host.address, std::max(left, milliseconds(1000)));
            const auto rows = ParseSmbclientList(last.out);
            return std::all_of(shares.begin(), shares.end(), [&](const SambaShare& share) {
                return std::any_of(rows.begin(), rows.end(), [&](const SmbShareRow& row) {
                    return row.type == "Disk" && row.name == share.name;
                });
            });
        },
        timeout);
    if (listed) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << host.name << " (" << host.address << ") did not list its shares: " << last.Describe();
}

::testing::AssertionResult Lab::WaitForSamba(milliseconds timeout) const {
    std::vector<const LabHost*> samba_hosts;
    for (const auto& host : hosts_) {
        if (host->kind == HostKind::kSamba) {
            samba_hosts.push_back(host.get());
        }
    }
    std::vector<::testing::AssertionResult> results(samba_hosts.size(),
                                                    ::testing::AssertionSuccess());
    {
        std::vector<std::thread> waiters;
        const auto deadline = Clock::now() + timeout;
        for (size_t i = 0; i < samba_hosts.size(); ++i) {
            waiters.emplace_back([&, i] {
                results[i] = WaitForNodeStatus(*samba_hosts[i], timeout);
                if (results[i]) {
                    const auto left =
                        std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
                    results[i] = WaitForShares(*samba_hosts[i], std::max(left, milliseconds(0)));
                }
            });
        }
        for (auto& waiter : waiters) {
            waiter.join();
        }
    }
    ::testing::AssertionResult all = ::testing::AssertionSuccess();
    for (const auto& result : results) {
        if (!result) {
            if (all) {
                all = ::testing::AssertionFailure();
            }
            all << result.message() << "\n";
        }
    }
    return all;
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
