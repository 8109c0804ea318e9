// Process, pipe and file plumbing shared by the lab's own files. Tests use lab.h.
#pragma once

#include <spawn.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "lab/lab.h"

namespace corvimap::lab {

using Clock = std::chrono::steady_clock;

std::string ErrnoText(const std::string& what);
// Throws std::runtime_error: a lab that cannot be built fails the test that asked for it.
[[noreturn]] void Fail(const std::string& what);

// Owns a file descriptor.
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
Pipe MakePipe();

// Root's tools live in sbin folders that a test's PATH may lack.
std::string ResolveTool(const std::string& name);

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
            const posix_spawnattr_t* attributes, std::string& error);
int ExitCodeOf(int status);

// Appends what can be read now; closes the descriptor at end of file.
void ReadAvailable(Fd& fd, std::string& into);
void SetNonBlocking(const Fd& fd);

// Waits for a child to exit; false when the time-out passed first.
bool WaitChild(pid_t pid, milliseconds timeout, int& status);
// SIGTERM, then SIGKILL when the child is still there after 3 s.
void StopChild(pid_t pid);
// Gone, or a zombie waiting for its parent: either way it no longer does anything.
bool ProcessGone(pid_t pid);
std::string ProcessName(pid_t pid);

std::string NetnsPath(const std::string& netns);
std::vector<pid_t> ProcessesInNetns(const std::string& netns);

void MakeDirs(const std::filesystem::path& path, std::filesystem::perms perms);

}  // namespace corvimap::lab
