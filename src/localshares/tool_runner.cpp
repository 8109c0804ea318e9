#include "localshares/tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

extern char** environ;

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStopCheckMs = 20;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

bool MakePipe(Fd& read_end, Fd& write_end) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    read_end.Reset(fds[0]);
    write_end.Reset(fds[1]);
    return true;
}

pid_t Spawn(const std::vector<std::string>& argv, int out_fd, int err_fd, int& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
    posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Reads what is there; false at end of file or error.
bool Drain(int fd, std::string& into, size_t cap, bool& truncated) {
    std::array<char, 65536> buffer;
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    if (got <= 0) {
        return false;
    }
    const size_t room = cap > into.size() ? cap - into.size() : 0;
    const size_t keep = std::min(room, static_cast<size_t>(got));
    into.append(buffer.data(), keep);
    truncated = truncated || keep < static_cast<size_t>(got);
    return true;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                   const std::atomic<bool>& stop, size_t max_output) {
    ToolResult result;
    Fd out_read, out_write, err_read, err_write;
    if (argv.empty() || !MakePipe(out_read, out_write) || !MakePipe(err_read, err_write)) {
        result.start_error = argv.empty() ? ENOENT : errno;
        return result;
    }
    const pid_t pid = Spawn(argv, out_write.Get(), err_write.Get(), result.start_error);
    out_write.Reset();
    err_write.Reset();
    if (pid < 0) {
        return result;
    }
    result.started = true;
    const auto deadline = Clock::now() + timeout;
    std::array<pollfd, 2> fds = {pollfd{out_read.Get(), POLLIN, 0},
                                 pollfd{err_read.Get(), POLLIN, 0}};
    bool killed = false;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (!killed && (stop.load() || Clock::now() >= deadline)) {
            result.stopped = stop.load();
            result.timed_out = !result.stopped;
            ::kill(pid, SIGKILL);
            killed = true;
        }
        if (::poll(fds.data(), fds.size(), kStopCheckMs) < 0 && errno != EINTR) {
            break;
        }
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
                !Drain(fds[i].fd, i == 0 ? result.out : result.err, max_output, result.truncated)) {
                fds[i].fd = -1;
            }
        }
        if (killed) {
            break;  // a grandchild may hold the pipes; the tool itself is gone
        }
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.cpu = std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    if (!killed && WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    }
    return result;
}

}  // namespace corvimap
