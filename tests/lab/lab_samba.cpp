#include <algorithm>
#include <cctype>
#include <fstream>
#include <thread>

#include "lab/lab.h"
#include "lab/lab_process.h"

namespace corvimap::lab {

namespace {

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

// The [global] section: every file Samba writes stays in the host's folder, and it serves eth0
// only.
std::string GlobalSection(const LabHost& host) {
    const auto& dir = host.dir;
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
    return conf;
}

}  // namespace

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
    LabHost details;
    details.samba = std::move(options);
    const LabHost& host = CreateHost(HostKind::kSamba, name, octet, std::move(details));
    const auto& dir = host.dir;
    const auto open = std::filesystem::perms(0755);
    for (const char* sub : {"run", "lock", "state", "cache", "ncalrpc", "log"}) {
        MakeDirs(dir / sub, open);
    }
    MakeDirs(dir / "private", std::filesystem::perms(0700));

    std::string conf = GlobalSection(host);
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

CommandResult Lab::NodeStatus(const std::string& address, milliseconds timeout) const {
    return RunInScanner({"nmblookup", "-A", address}, timeout);
}

CommandResult Lab::ShareList(const std::string& address, milliseconds timeout) const {
    const std::vector<const LabHost*> hosts = Hosts();
    const bool smb1_only = std::any_of(hosts.begin(), hosts.end(), [&](const LabHost* host) {
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
    std::vector<const LabHost*> samba_hosts = Hosts();
    std::erase_if(samba_hosts, [](const LabHost* host) { return host->kind != HostKind::kSamba; });
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

}  // namespace corvimap::lab
