#include "log/log_file_limit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "log/log_file.h"

namespace corvimap {
namespace {

// Owns a file descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(count));
    }
    return true;
}

ssize_t ReadAt(int fd, char* buffer, size_t size, uint64_t offset) {
    for (;;) {
        const ssize_t count = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

// The first line start at or after offset: offset itself when a newline ends the byte before
// it, else the byte after the next newline; size when no line starts there.
bool FindLineStart(int fd, uint64_t offset, uint64_t size, uint64_t& start) {
    if (offset == 0) {
        start = 0;
        return true;
    }
    std::vector<char> block(65536);
    uint64_t at = offset - 1;
    while (at < size) {
        const ssize_t got = ReadAt(fd, block.data(), block.size(), at);
        if (got <= 0) {
            return false;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (block[static_cast<size_t>(i)] == '\n') {
                start = at + static_cast<uint64_t>(i) + 1;
                return true;
            }
        }
        at += static_cast<uint64_t>(got);
    }
    start = size;
    return true;
}

// Writes the bytes of the old file from `from` to its end, then line, into a new file that takes
// the old one's place.
bool ReplaceWithTail(const std::filesystem::path& path, int old_fd, const struct stat& old_stat,
                     uint64_t from, std::string_view line) {
    std::string temp_name = path.string() + ".XXXXXX";
    Fd temp(::mkstemp(temp_name.data()));
    if (!temp.ok()) {
        return false;
    }
    bool written = ::fchmod(temp.get(), old_stat.st_mode & 07777) == 0;
    const uint64_t size = static_cast<uint64_t>(old_stat.st_size);
    std::vector<char> block(65536);
    char last = '\n';
    for (uint64_t at = from; written && at < size;) {
        const ssize_t got = ReadAt(old_fd, block.data(), block.size(), at);
        if (got <= 0) {
            written = false;
            break;
        }
        written = WriteAll(temp.get(), std::string_view(block.data(), static_cast<size_t>(got)));
        last = block[static_cast<size_t>(got) - 1];
        at += static_cast<uint64_t>(got);
    }
    // A file that ended inside a line (cut by a crash, or written by someone else) gets that
    // line ended, so the new message starts a line of its own.
    if (written && last != '\n') {
        written = WriteAll(temp.get(), "\n");
    }
    written = written && WriteAll(temp.get(), line) && ::fsync(temp.get()) == 0;
    if (!written || ::rename(temp_name.c_str(), path.c_str()) != 0) {
        ::unlink(temp_name.c_str());
        return false;
    }
    return true;
}

}  // namespace

uint64_t LogFileLimitBytes(int32_t max_kb) {
    return max_kb > 0 ? static_cast<uint64_t>(max_kb) * 1024 : 0;
}

bool AppendLogLineWithinLimit(const std::filesystem::path& path, std::string_view line,
                              uint64_t max_bytes) {
    if (max_bytes == 0) {
        return AppendLogLine(path, line);
    }
    // The temporary file goes beside the real file, so a log path that is a symbolic link keeps
    // its link and the rename stays on one file system.
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(path, error);
    if (error) {
        target = path;
    }
    Fd old_file(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat old_stat {};
    if (!old_file.ok() || ::fstat(old_file.get(), &old_stat) != 0 || !S_ISREG(old_stat.st_mode)) {
        return AppendLogLine(path, line);
    }
    const uint64_t size = static_cast<uint64_t>(old_stat.st_size);
    if (size + line.size() <= max_bytes) {
        return AppendLogLine(path, line);
    }
    const uint64_t target_size = max_bytes - max_bytes / 4;
    const uint64_t keep = target_size > line.size() ? target_size - line.size() : 0;
    uint64_t from = 0;
    if (FindLineStart(old_file.get(), keep < size ? size - keep : 0, size, from) &&
        ReplaceWithTail(target, old_file.get(), old_stat, from, line)) {
        return true;
    }
    // Keeping the message matters more than keeping the limit when the folder can't take the
    // temporary file.
    return AppendLogLine(path, line);
}

}  // namespace corvimap
