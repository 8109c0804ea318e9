#include "log/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "text/leading_int.h"
#include "text/line_pieces.h"

namespace corvimap {
namespace {

auto AddParsedRowTo(LogRows& rows) {
    return [&rows](std::string_view line) {
        if (std::optional<LogRow> row = ParseLogLine(line)) {
            rows.Add(std::move(*row));
        }
    };
}

}  // namespace

std::string FormatLogStamp(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return {};
    }
    char stamp[64];
    size_t length = std::strftime(stamp, sizeof stamp, "%d.%m.%Y / %H:%M:%S", &local);
    return std::string(stamp, length);
}

std::string FormatLogLine(std::string_view stamp, std::string_view text, int32_t kind) {
    std::string line;
    line.reserve(stamp.size() + text.size() + 16);
    line.append(stamp).append(1, '\t').append(text).append(1, '\t');
    line.append(std::to_string(kind)).append(1, '\n');
    return line;
}

std::optional<LogRow> ParseLogLine(std::string_view line) {
    size_t first_tab = line.find('\t');
    if (first_tab == std::string_view::npos) {
        return std::nullopt;
    }
    size_t second_tab = line.find('\t', first_tab + 1);
    if (second_tab == std::string_view::npos) {
        return std::nullopt;
    }
    return LogRow{std::string(line.substr(0, first_tab)),
                  std::string(line.substr(first_tab + 1, second_tab - first_tab - 1)),
                  AtoiValue(line.substr(second_tab + 1))};
}

void ReadLogRows(std::string_view bytes, LogRows& rows) {
    ForEachLinePiece(bytes, kLogLinePieceBytes, AddParsedRowTo(rows));
}

bool ReadLogFile(const std::filesystem::path& path, LogRows& rows) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return false;
    }
    LinePieceSplitter splitter(kLogLinePieceBytes);
    auto add_row = AddParsedRowTo(rows);
    std::vector<char> block(65536);
    size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
        splitter.Feed(std::string_view(block.data(), got), add_row);
    }
    splitter.Finish(add_row);
    return !std::ferror(file.get());
}

bool AppendLogLine(const std::filesystem::path& path, std::string_view line) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    while (!line.empty()) {
        ssize_t count = ::write(fd, line.data(), line.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            written = false;
            break;
        }
        line.remove_prefix(static_cast<size_t>(count));
    }
    ::close(fd);
    return written;
}

}  // namespace corvimap
