#include "log/log_file_limit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "log/event_log.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// "line NNNN" padded with dots to 40 bytes plus the newline.
std::string NumberedLine(int number) {
    std::string line = "line " + std::to_string(number);
    line.resize(40, '.');
    return line + "\n";
}

TEST(LogFileLimitTest, KilobytesToBytes) {
    EXPECT_EQ(LogFileLimitBytes(250), 256000u);
    EXPECT_EQ(LogFileLimitBytes(-5), 0u) << "0, no limit";
}

TEST(LogFileLimitTest, OldestWholeLinesGoAndTheNewestStay) {
    TempDir dir;
    const auto path = dir.File("corvimap.log");
    constexpr uint64_t kLimit = 1000;  // 24 lines of 41 bytes fit
    for (int i = 0; i < 24; ++i) {
        ASSERT_TRUE(AppendLogLineWithinLimit(path, NumberedLine(i), kLimit));
    }
    EXPECT_EQ(Lines(ReadWholeFile(path)).size(), 24u) << "below the limit nothing is dropped";
    ::chmod(path.c_str(), 0640);

    // The 25th line would make 1025 bytes: the file is cut to three quarters of the limit.
    ASSERT_TRUE(AppendLogLineWithinLimit(path, NumberedLine(24), kLimit));
    std::string bytes = ReadWholeFile(path);
    std::vector<std::string> lines = Lines(bytes);
    EXPECT_LE(bytes.size(), 750u);
    EXPECT_EQ(bytes.back(), '\n');
    ASSERT_EQ(lines.size(), 18u) << "750 bytes hold 18 whole lines of 41";
    for (size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k] + "\n", NumberedLine(static_cast<int>(7 + k))) << "lines 7 to 24 stay";
    }
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the rewritten file keeps its permissions";

    // Further appends grow the file again until the next cut; it never passes the limit.
    for (int i = 25; i < 200; ++i) {
        ASSERT_TRUE(AppendLogLineWithinLimit(path, NumberedLine(i), kLimit));
        bytes = ReadWholeFile(path);
        ASSERT_LE(bytes.size(), kLimit);
        lines = Lines(bytes);
        ASSERT_EQ(lines.back() + "\n", NumberedLine(i));
        const int first = i + 1 - static_cast<int>(lines.size());
        for (size_t k = 0; k < lines.size(); ++k) {
            ASSERT_EQ(lines[k] + "\n", NumberedLine(first + static_cast<int>(k)));
        }
    }
    // No temporary file is left beside the log.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(LogFileLimitTest, HalfLinesAndOverlongLines) {
    TempDir dir;
    const auto path = dir.File("corvimap.log");
    // A file cut inside its last line: the kept part ends that line before the new one.
    WriteWholeFile(path, std::string(300, 'a') + "\n" + std::string(300, 'b') + "\n" + "cut");
    ASSERT_TRUE(AppendLogLineWithinLimit(path, "new\n", 400));
    EXPECT_EQ(ReadWholeFile(path), "cut\nnew\n");

    // A cut point on a line start keeps that line; one byte past it drops the line.
    for (const size_t tail : {295u, 296u}) {
        WriteWholeFile(path, std::string(200, 'a') + "\n" + std::string(tail, 'b') + "\n");
        ASSERT_TRUE(AppendLogLineWithinLimit(path, "new\n", 400));
        EXPECT_EQ(ReadWholeFile(path), tail == 295 ? std::string(295, 'b') + "\nnew\n" : "new\n");
    }

    // A line longer than the limit replaces everything and is kept whole.
    const std::string long_line = std::string(2000, 'x') + "\n";
    ASSERT_TRUE(AppendLogLineWithinLimit(path, long_line, 1024));
    EXPECT_EQ(ReadWholeFile(path), long_line);
    ASSERT_TRUE(AppendLogLineWithinLimit(path, "short\n", 1024));
    EXPECT_EQ(ReadWholeFile(path), "short\n");

    // A missing file is created; no limit appends without end.
    const auto fresh = dir.File("fresh.log");
    ASSERT_TRUE(AppendLogLineWithinLimit(fresh, long_line, 10));
    EXPECT_EQ(ReadWholeFile(fresh), long_line);
    ASSERT_TRUE(AppendLogLineWithinLimit(fresh, long_line, 0));
    EXPECT_EQ(ReadWholeFile(fresh), long_line + long_line);

    // A log path that is a symbolic link stays a link; the file behind it is cut.
    const auto link = dir.File("link.log");
    std::filesystem::create_symlink(fresh, link);
    ASSERT_TRUE(AppendLogLineWithinLimit(link, "via link\n", 1024));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(fresh), "via link\n");

    // A folder that does not exist: nothing is written, and that is said.
    EXPECT_FALSE(AppendLogLineWithinLimit(dir.File("no/such.log"), "x\n", 1024));
}

TEST(LogFileLimitTest, EventLogKeepsItsFileWithinTheStoredSize) {
    TempDir dir;
    const auto path = dir.File("corvimap.log");
    MemorySettingsStore store;
    store.WriteProfileString("LogOptions", "LogFile", path.string());
    store.WriteProfileInt("LogOptions", "MaxLogfileSize", 2);
    ScanSettings settings;
    settings.FlagsGroup0 = LogEventBits::kEnableLog | LogEventBits::kEnableLogFile;
    testing::CapturingLogSink sink;
    EventLog log(settings, sink, store);
    log.LoadSettings();

    for (int i = 0; i < 300; ++i) {
        log.Add(EventKind::kFoundHost, "Found new host: 10.0.0.%d (HOST%d)", i % 256, i);
    }
    const std::string bytes = ReadWholeFile(path);
    EXPECT_LE(bytes.size(), 2048u);
    EXPECT_TRUE(bytes.ends_with("(HOST299)\t2\n"));
    EXPECT_EQ(sink.Rows().size(), 300u) << "the list gets every message whatever the file keeps";

    // The size is read for every message: raising it lets the file grow past the old limit.
    store.WriteProfileInt("LogOptions", "MaxLogfileSize", 64);
    for (int i = 0; i < 100; ++i) {
        log.Add(EventKind::kDeadHost, "Dead host: 10.0.0.%d", i);
    }
    EXPECT_GT(ReadWholeFile(path).size(), 2048u);
}

}  // namespace
}  // namespace corvimap
