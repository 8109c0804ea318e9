#pragma once

// A throw-away Ethernet segment made of Linux network namespaces, for tests that need real hosts.
//
//   bridge namespace  <prefix>-br    br0, one veth port per host
//   scanner           <prefix>-scan  198.18.0.1/24, the code under test runs here
//   hosts             <prefix>-NAME  198.18.0.N/24 on eth0: Samba, ICMP only, or any command
//
// 198.18.0.0/15 is reserved for benchmark labs, so these addresses never mean a real machine.
// No namespace has a default route: whatever runs in the scanner namespace reaches the lab and
// nothing else. Everything is removed by ~Lab(); a guard process (lab_cleanup.sh) removes it too
// when the test process dies without running destructors, and a new Lab first removes what a
// crashed run left behind.
//
// Running code in a namespace: setns(CLONE_NEWNET) changes only the calling thread, so
// Lab::InScanner() runs a function on a fresh std::thread that has joined the scanner
// namespace. Sockets created on that thread, and threads it starts, live in the namespace; the
// rest of the test process does not. Two traps on such a thread:
//   - /proc/net is /proc/self/net, which shows the namespace of the process's main thread;
//     read /proc/thread-self/net/... instead (Lab::ScannerArpTable does).
//   - /sys/class/net shows the namespace that mounted /sys; ask the kernel through a socket
//     (ioctl) instead, or run a command with Lab::RunInScanner (ip netns exec remounts /sys).
//
// Lab tests need root; CORVIMAP_REQUIRE_LAB skips them with a message where the lab can't run.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace corvimap::lab {

using std::chrono::milliseconds;

// ---- Commands -------------------------------------------------------------------------------

struct CommandResult {
    int exit_code = -1;  // -1 when killed by a signal or by the time-out
    bool timed_out = false;
    std::string out;
    std::string err;

    bool Ok() const { return !timed_out && exit_code == 0; }
    std::string Describe() const;  // exit status and both outputs, for failure messages
};

// Runs argv (looked up in PATH, stdin from /dev/null) and collects its output. The command is
// killed when the time-out passes. Returns as soon as the command exits, even when a daemon it
// started still holds its stdout.
CommandResult RunCommand(const std::vector<std::string>& argv, milliseconds timeout);

// True when `name` is an executable in PATH (or an executable path).
bool ToolAvailable(const std::string& name);

// Calls `ready` every `interval` until it returns true or `timeout` has passed; the last call
// happens after the deadline at the latest. Returns the last result.
bool WaitUntil(const std::function<bool()>& ready, milliseconds timeout,
               milliseconds interval = milliseconds(50));

// ---- Parsers of the independent tools' output -------------------------------------------------

// One name of an `nmblookup -A` node status answer.
struct NbName {
    std::string name;  // without padding
    int suffix = -1;   // the <xx> byte
    bool group = false;
    friend bool operator==(const NbName&, const NbName&) = default;
};
std::vector<NbName> ParseNmbLookupStatus(std::string_view output);

// One row of `smbclient -g -L`: type "Disk", "IPC" or "Printer".
struct SmbShareRow {
    std::string type;
    std::string name;
    std::string comment;
};
std::vector<SmbShareRow> ParseSmbclientList(std::string_view output);

// One row of /proc/net/arp.
struct ArpEntry {
    std::string address;
    unsigned flags = 0;  // 0x2 (ATF_COM): the hardware address is known
    std::string mac;     // lower case, colon separated
    std::string device;
    bool Complete() const { return (flags & 0x2) != 0; }
};
std::vector<ArpEntry> ParseArpTable(std::string_view text);

// ---- Running code in a namespace ---------------------------------------------------------------

// Runs fn on a new thread that has joined the named network namespace (see the top of this
// file), waits for it and passes on its exception, if any.
void RunOnNetnsThread(const std::string& netns, const std::function<void()>& fn);

template <typename F>
auto InNetns(const std::string& netns, F&& fn) -> std::invoke_result_t<F> {
    using Result = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<Result>) {
        RunOnNetnsThread(netns, std::forward<F>(fn));
    } else {
        std::optional<Result> result;
        RunOnNetnsThread(netns, [&] { result.emplace(fn()); });
        return std::move(*result);
    }
}

// Moves the calling thread into a network namespace for the life of the object and back to
// the namespace it was in before. For code that must run on a given thread rather than on a
// fresh one: Qt's widgets live on the process's main thread, so a test that drives the real
// window moves that thread into the scanner namespace. The way back is opened first, as
// /proc/thread-self/ns/net (/proc/self is the main thread's view, wrong on any other thread).
// Sockets and threads made meanwhile stay in the namespace after the move back. Throws when the
// thread can't move; aborts when it can't come back, since the process would go on in the lab.
class ScopedThreadNetns {
public:
    explicit ScopedThreadNetns(const std::string& netns);
    ~ScopedThreadNetns();
    ScopedThreadNetns(const ScopedThreadNetns&) = delete;
    ScopedThreadNetns& operator=(const ScopedThreadNetns&) = delete;

private:
    int home_ = -1;  // the namespace the thread came from
};

// sysctl of one namespace, e.g. key "net.ipv4.ping_group_range". Throws on failure.
void SetNetnsSysctl(const std::string& netns, const std::string& key, const std::string& value);
std::string ReadNetnsSysctl(const std::string& netns, const std::string& key);

// ---- The lab -----------------------------------------------------------------------------------

enum class LabNeeds {
    kNamespaces,  // root, iproute2 and a kernel that lets us create network namespaces
    kSamba,       // the above plus nmbd, smbd, nmblookup and smbclient
};

// Empty when the lab can run here, otherwise why not (for GTEST_SKIP).
std::string LabUnavailableReason(LabNeeds needs);

#define CORVIMAP_REQUIRE_LAB(needs)                                                           \
    do {                                                                                      \
        const std::string corvimap_lab_reason = ::corvimap::lab::LabUnavailableReason(needs); \
        if (!corvimap_lab_reason.empty()) {                                                   \
            GTEST_SKIP() << corvimap_lab_reason;                                              \
        }                                                                                     \
    } while (false)

struct SambaShare {
    std::string name;
    std::string comment;
    std::vector<std::string> folders;                        // relative paths, may be empty
    std::vector<std::pair<std::string, std::string>> files;  // relative path, content
    std::vector<std::string> lines = {};  // appended to the share's section, after the defaults
};

struct SambaHostOptions {
    std::string netbios_name;
    std::string workgroup;
    std::string server_string;  // empty: Samba's default
    std::vector<SambaShare> shares;
    std::vector<std::string> extra_global_lines;  // appended to [global] as they stand
    // Wins the browser election at once (local and preferred master, os level 65), so its node
    // status lists the group name "\x01\x02__MSBROWSE__\x02" too.
    bool master_browser = false;
    // Speaks SMB1 (NT1) only, like an old NAS box; ShareList asks it over NT1.
    bool smb1_only = false;
};

enum class HostKind { kScanner, kIcmpOnly, kSamba, kCommand };

// A host of the lab. The Lab owns it; references stay valid as long as the Lab.
struct LabHost {
    HostKind kind = HostKind::kIcmpOnly;
    std::string name;                  // label given by the test, also the namespace suffix
    int octet = 0;                     // last octet of the address
    std::string address;               // "198.18.0.N"
    std::string netns;                 // "<prefix>-<name>"
    std::string mac;                   // eth0's hardware address, set by the lab: 02:00:c6:12:00:NN
    std::filesystem::path dir;         // this host's folder in the lab's work folder
    SambaHostOptions samba;            // Samba hosts only
    std::vector<std::string> command;  // command hosts only
};

// A Lab may be used from several threads at once (a command run in one host while another host
// is added): the host list is guarded, and a host never changes once it is added.
class Lab {
public:
    static constexpr const char* kSubnet = "198.18.0.0/24";
    static constexpr int kScannerOctet = 1;

    // Creates the bridge and the scanner namespace. Throws std::runtime_error when it can't;
    // check LabUnavailableReason first. One Lab per process at a time.
    Lab();
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    static std::string AddressOf(int octet);  // "198.18.0.<octet>"

    const std::string& Prefix() const { return prefix_; }
    const std::filesystem::path& WorkDir() const { return work_dir_.Path(); }
    const LabHost& Scanner() const;
    const std::string& ScannerNetns() const { return Scanner().netns; }
    const std::string& ScannerAddress() const { return Scanner().address; }
    std::vector<const LabHost*> Hosts() const;  // every host but the scanner, in order added

    // Hosts. `name`: 1-12 characters of [a-z0-9]; `octet`: 2-254, not yet used.
    // A host that only answers ICMP: nothing listens on it.
    const LabHost& AddIcmpHost(const std::string& name, int octet);
    // A Samba host: writes its smb.conf and shares into the work folder and starts nmbd and
    // smbd without waiting for them (WaitForSamba does), so several start in parallel.
    const LabHost& AddSambaHost(const std::string& name, int octet, SambaHostOptions options);
    // A host that runs argv inside its namespace (via ip netns exec), in the background,
    // output to <dir>/command.log. The command is killed at teardown or by StopCommand.
    const LabHost& AddCommandHost(const std::string& name, int octet,
                                  std::vector<std::string> argv);

    // Samba daemons of one host. Stop waits until the daemon has exited.
    void StopNmbd(const LabHost& host);
    void StartNmbd(const LabHost& host);
    void StopSmbd(const LabHost& host);  // smbd with its children and RPC helpers
    void StartSmbd(const LabHost& host);
    std::filesystem::path SmbConfPath(const LabHost& host) const;
    std::filesystem::path ShareDir(const LabHost& host, const std::string& share) const;

    void StopCommand(const LabHost& host);
    bool CommandRunning(const LabHost& host) const;

    // Every process that lives in the host's namespace (pids of the root PID namespace).
    std::vector<pid_t> ProcessesIn(const LabHost& host) const;

    // Commands in a namespace (ip netns exec), e.g. RunInScanner({"ping", "-c1", addr}, 3s).
    CommandResult RunIn(const LabHost& host, const std::vector<std::string>& argv,
                        milliseconds timeout) const;
    CommandResult RunInScanner(const std::vector<std::string>& argv, milliseconds timeout) const {
        return RunIn(Scanner(), argv, timeout);
    }

    // Runs fn on a thread inside the scanner namespace and returns its result.
    template <typename F>
    auto InScanner(F&& fn) const -> std::invoke_result_t<F> {
        return InNetns(ScannerNetns(), std::forward<F>(fn));
    }

    // `nmblookup -A address` from the scanner namespace. A node status answer takes
    // milliseconds on the lab; nmblookup itself waits 10 s for none, so give a shorter time-out
    // when no answer is expected (a timed-out result means no answer in that time).
    CommandResult NodeStatus(const std::string& address, milliseconds timeout) const;
    // `smbclient -N -g -L address` from the scanner namespace (with `-m NT1` for a host that
    // speaks SMB1 only).
    CommandResult ShareList(const std::string& address, milliseconds timeout) const;

    // Polls until the host answers node status with its NetBIOS name.
    ::testing::AssertionResult WaitForNodeStatus(const LabHost& host, milliseconds timeout) const;
    // Polls until smbclient lists every disk share the host was given.
    ::testing::AssertionResult WaitForShares(const LabHost& host, milliseconds timeout) const;
    // Both of the above for every Samba host, all hosts at once.
    ::testing::AssertionResult WaitForSamba(milliseconds timeout) const;

    // The scanner namespace's ARP table (e.g. after a ping) and one complete entry of it.
    std::vector<ArpEntry> ScannerArpTable() const;
    std::optional<std::string> ScannerArpMac(const std::string& address) const;
    // The hardware address of eth0 as the host's kernel reports it.
    std::string HostMac(const LabHost& host) const;

    // net.ipv4.ping_group_range of one host's namespace ("1 0" in a new namespace: nobody
    // may open ICMP datagram sockets).
    void SetPingGroupRange(const LabHost& host, gid_t low, gid_t high);
    std::pair<gid_t, gid_t> PingGroupRange(const LabHost& host) const;

private:
    // Adds a host that keeps `details`' Samba options or command; the rest is set here.
    LabHost& CreateHost(HostKind kind, const std::string& name, int octet, LabHost details = {});
    LabHost& Entry(const LabHost& host) const;
    void RunIpCommands(const std::vector<std::vector<std::string>>& commands);
    void StartSambaDaemon(const LabHost& host, const char* daemon);
    void StopProcessesIn(const LabHost& host, const std::function<bool(const std::string&)>& match);
    void StartGuard();
    void StopGuard() noexcept;
    void TearDown() noexcept;

    std::string prefix_;
    corvimap::testing::TempDir work_dir_;
    int guard_input_ = -1;  // write end of the guard's stdin: closing it sets the guard off
    int guard_done_ = -1;   // read end of the guard's stdout: end of file when it has finished
    mutable std::mutex hosts_mutex_;                     // guards hosts_ (not the hosts)
    std::vector<std::unique_ptr<LabHost>> hosts_;        // [0] is the scanner
    mutable std::map<std::string, pid_t> command_pids_;  // by host name, -1 once reaped
};

}  // namespace corvimap::lab
