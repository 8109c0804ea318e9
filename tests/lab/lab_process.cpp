#include "lab/lab_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace corvimap::lab {

namespace {

constexpr size_t kMaxCapturedOutput = 16 * 1024 * 1024;

Fd OpenPidFd(pid_t pid) {
    return Fd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
}

}  // namespace

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("lab: " + what);
}

Pipe MakePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        Fail(ErrnoText("pipe2"));
    }
    return Pipe{Fd(fds[0]), Fd(fds[1])};
}

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

void MakeDirs(const std::filesystem::path& path, std::filesystem::perms perms) {
    std::filesystem::create_directories(path);
    std::filesystem::permissions(path, perms);
}

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

}  // namespace corvimap::lab
