#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "lab/lab.h"
#include "lab/lab_process.h"

namespace corvimap::lab {

namespace {

std::string SysctlPath(const std::string& key) {
    std::string path = "/proc/sys/" + key;
    std::replace(path.begin() + 10, path.end(), '.', '/');
    return path;
}

}  // namespace

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

}  // namespace corvimap::lab
