#pragma once

// Test helpers that run code inside network namespaces made by the test itself, so that no
// packet can reach any real network. They need root (or CAP_SYS_ADMIN); without it the tests
// that use them skip.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace corvimap::testing {

// Runs a command through /bin/sh with its output thrown away; true when it exits with 0.
inline bool Shell(const std::string& command) {
    const std::string quiet = "(" + command + ") >/dev/null 2>&1";
    return std::system(quiet.c_str()) == 0;
}

// Runs a command through /bin/sh and returns what it printed on standard output.
inline std::string ShellOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char chunk[4096];
    size_t read = 0;
    while ((read = fread(chunk, 1, sizeof(chunk), pipe)) > 0) {
        output.append(chunk, read);
    }
    pclose(pipe);
    return output;
}

inline bool ProgramExists(const std::string& name) {
    return Shell("command -v " + name);
}

// Runs body in a forked child inside a fresh network namespace (just a loopback interface, down)
// and returns the text body returned. None when no namespace can be made; the caller skips then.
// A child that crashes or runs longer than two minutes gives a text starting "child failed".
inline std::optional<std::string> RunInFreshNetNamespace(const std::function<std::string()>& body) {
    constexpr int kCannotIsolate = 77;
    int fds[2];
    // Close-on-exec, so daemons started by the body do not hold the pipe open.
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(fds[0]);
        alarm(120);
        if (unshare(CLONE_NEWNET) != 0) {
            _exit(kCannotIsolate);
        }
        const std::string result = body();
        size_t written = 0;
        while (written < result.size()) {
            const ssize_t n = write(fds[1], result.data() + written, result.size() - written);
            if (n <= 0) {
                _exit(1);
            }
            written += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string result;
    char chunk[4096];
    ssize_t n = 0;
    while ((n = read(fds[0], chunk, sizeof(chunk))) != 0) {
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        result.append(chunk, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotIsolate) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "child failed (status " + std::to_string(status) + "): " + result;
    }
    return result;
}

// Stops daemons by their pid files: each pid leads a process group (they detach with setsid),
// and the whole group gets SIGTERM. Waits up to five seconds for the leaders to go.
inline void StopDaemons(const std::vector<std::filesystem::path>& pid_files) {
    std::vector<pid_t> leaders;
    for (const std::filesystem::path& pid_file : pid_files) {
        std::ifstream file(pid_file);
        long pid = 0;
        if (file >> pid && pid > 1) {
            if (kill(static_cast<pid_t>(-pid), SIGTERM) != 0) {
                kill(static_cast<pid_t>(pid), SIGTERM);
            }
            leaders.push_back(static_cast<pid_t>(pid));
        }
    }
    for (int i = 0; i < 50; ++i) {
        const bool alive = std::any_of(leaders.begin(), leaders.end(),
                                       [](pid_t pid) { return kill(pid, 0) == 0; });
        if (!alive) {
            return;
        }
        usleep(100'000);
    }
}

// A second named network namespace, for a router or another host; deleted on destruction.
class PeerNamespace {
public:
    PeerNamespace() {
        static std::atomic<int> counter{0};
        name_ = "cmnb" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        ok_ = Shell("ip netns add " + name_) && Exec("ip link set lo up");
    }
    ~PeerNamespace() { Shell("ip netns del " + name_); }
    PeerNamespace(const PeerNamespace&) = delete;
    PeerNamespace& operator=(const PeerNamespace&) = delete;

    bool ok() const { return ok_; }
    const std::string& name() const { return name_; }
    bool Exec(const std::string& command) const {
        return Shell("ip netns exec " + name_ + " " + command);
    }

private:
    std::string name_;
    bool ok_ = false;
};

// "key=value" lines, as the bodies above report their findings.
inline std::map<std::string, std::string> ParseFields(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            fields[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return fields;
}

}  // namespace corvimap::testing
