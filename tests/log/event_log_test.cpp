#include "log/event_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log/log_file.h"
#include "settings/memory_settings_store.h"
#include "support/scripted_network.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::CapturingLogSink;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

const std::regex kStamp(R"(\d\d\.\d\d\.\d{4} / \d\d:\d\d:\d\d)");

class EventLogTest : public ::testing::Test {
protected:
    // A log with the given flags whose file (if bit 8 is set) is log_path_.
    void Start(uint32_t flags) {
        settings_.FlagsGroup0 = flags;
        store_.WriteProfileString("LogOptions", "LogFile", log_path_.string());
        log_.LoadSettings();
    }
    // The rows a second log shows when it starts with the same settings.
    std::vector<LogRow> RowsOfANewStart() {
        CapturingLogSink sink;
        EventLog second(settings_, sink, store_);
        second.LoadSettings();
        return sink.Rows();
    }

    TempDir dir_;
    std::filesystem::path log_path_ = dir_.File("corvimap.log");
    ScanSettings settings_;
    MemorySettingsStore store_;
    CapturingLogSink sink_;
    EventLog log_{settings_, sink_, store_};
};

TEST_F(EventLogTest, EnableBitSwitchesEverythingAtOnce) {
    Start(0x11 | (LogEventBits::kAll & ~LogEventBits::kEnableLog));
    log_.Add(EventKind::kGeneral, "%s", "Corvimap start...");
    EXPECT_TRUE(sink_.Rows().empty());
    EXPECT_FALSE(std::filesystem::exists(log_path_));

    settings_.FlagsGroup0 |= LogEventBits::kEnableLog;
    log_.Add(EventKind::kDeadHost, "%s: %s", "Dead host", "127.0.0.3");
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Dead host: 127.0.0.3"});
    EXPECT_TRUE(std::filesystem::exists(log_path_));

    settings_.FlagsGroup0 &= ~LogEventBits::kEnableLog;
    log_.Add(EventKind::kGeneral, "off again");
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Dead host: 127.0.0.3"});
}

// Parsing and formatting a line are the log file's; here the log appends and reads back.
TEST_F(EventLogTest, FileLinesAreByteExactAppendedAndReadBack) {
    WriteWholeFile(log_path_, "earlier\tline\t0\n");
    Start(0x11 | LogEventBits::kEnableLog | LogEventBits::kEnableLogFile);
    EXPECT_TRUE(sink_.Rows().empty()) << "no read-back without bit 9";

    log_.Add(EventKind::kFoundHost, "%s: %s (%s)", "Found new host", "127.0.0.2", "BOX");
    ASSERT_EQ(sink_.Rows().size(), 1u);
    const LogRow row = sink_.Rows()[0];
    EXPECT_TRUE(std::regex_match(row.stamp, kStamp)) << row.stamp;
    EXPECT_EQ(ReadWholeFile(log_path_),
              "earlier\tline\t0\n" + row.stamp + "\tFound new host: 127.0.0.2 (BOX)\t2\n");

    settings_.FlagsGroup0 |= LogEventBits::kAutoLoadLogFile;
    EXPECT_EQ(RowsOfANewStart(), std::vector<LogRow>({{"earlier", "line", 0}, row}));
}

TEST_F(EventLogTest, TextIsCutAt1023BytesOnACharacterBoundary) {
    Start(LogEventBits::kEnableLog);
    std::string umlauts;  // 600 times ä
    for (int i = 0; i < 600; ++i) {
        umlauts += "\xC3\xA4";
    }
    // Half an ä is not kept.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(2000, 'a'), std::string(1023, 'a')},
        {umlauts, umlauts.substr(0, 1022)},
        {std::string(1023, 'e'), std::string(1023, 'e')},
    };
    for (const auto& [text, shown] : cases) {
        log_.Add(EventKind::kGeneral, "%s", text.c_str());
        EXPECT_EQ(sink_.Rows().back().text, shown);
    }
}

TEST_F(EventLogTest, ReadBackHandsOverOnlyTheLastRowsAndWritesNothing) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += "stamp " + std::to_string(i) + "\tmessage " + std::to_string(i) + "\t" +
                 std::to_string(i % 4) + "\n";
    }
    WriteWholeFile(log_path_, bytes);
    Start(LogEventBits::kEnableLog | LogEventBits::kEnableLogFile | LogEventBits::kAutoLoadLogFile);
    EXPECT_EQ(sink_.Rows().size(), 250u) << "the last rows, as many as the list keeps";
    EXPECT_EQ(ReadWholeFile(log_path_), bytes) << "read-back rows are not written again";

    // The limit comes from the settings; 0 keeps no rows, while the file still gets messages.
    store_.WriteProfileInt("LogOptions", "MaxLogLines", 3);
    EXPECT_EQ(RowsOfANewStart(), std::vector<LogRow>({{"stamp 997", "message 997", 1},
                                                      {"stamp 998", "message 998", 2},
                                                      {"stamp 999", "message 999", 3}}));

    store_.WriteProfileInt("LogOptions", "MaxLogLines", 0);
    log_.LoadSettings();
    EXPECT_EQ(sink_.Rows().size(), 250u) << "nothing more read back";
    log_.Add(EventKind::kGeneral, "still written");
    EXPECT_TRUE(ReadWholeFile(log_path_).ends_with("\tstill written\t0\n"));
}

TEST_F(EventLogTest, NoFileUnlessTakenAtStart) {
    // Bit 8 clear: LogFile is ignored, even with bit 9 set and a file there.
    WriteWholeFile(log_path_, "s\tt\t0\n");
    Start(LogEventBits::kEnableLog | LogEventBits::kAutoLoadLogFile);
    EXPECT_TRUE(sink_.Rows().empty());
    log_.Add(EventKind::kGeneral, "list only");

    // Turning bit 8 on later changes nothing until the next start.
    settings_.FlagsGroup0 |= LogEventBits::kEnableLogFile;
    log_.Add(EventKind::kGeneral, "still list only");
    EXPECT_EQ(ReadWholeFile(log_path_), "s\tt\t0\n");
    EXPECT_EQ(sink_.Rows().size(), 2u);
}

// The messages reach the list whatever happens to the file; the list tells once why the file
// is not written, and a file that was there keeps every line it had. Writes a file of the given
// name in the folder (empty: the folder itself), under a file size limit when one is given.
TEST_F(EventLogTest, AFileThatCannotBeWrittenIsToldOnceAndLosesNothing) {
    const std::string before = "01.01.2026 / 10:00:00\told\t0\n";
    const std::pair<std::string, rlim_t> cases[] = {
        {"no/such/dir.log", RLIM_INFINITY}, {"", RLIM_INFINITY}, {"full.log", before.size() + 10}};
    for (const auto& [file, size_limit] : cases) {
        SCOPED_TRACE(file);
        const std::filesystem::path path = file.empty() ? dir_.Path() : dir_.File(file);
        if (file == "full.log") {
            WriteWholeFile(path, before);
        }
        store_.WriteProfileString("LogOptions", "LogFile", path.string());
        settings_.FlagsGroup0 = LogEventBits::kEnableLog | LogEventBits::kEnableLogFile;
        // In a child, so the size limit (a full disk) holds for it alone; it exits with the
        // number of rows its list got, or 99 when the notice was not the one expected.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{size_limit, size_limit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            CapturingLogSink sink;
            EventLog log(settings_, sink, store_);
            log.LoadSettings();
            for (const char* text : {"first", "second", "third"}) {
                log.Add(EventKind::kGeneral, "%s", text);
            }
            const std::vector<LogRow> rows = sink.Rows();
            const std::string told = "Cannot write the log file " + path.string() + " (";
            const bool right = rows.size() == 4 && rows[0].text == "first" &&
                               rows[1].text.starts_with(told) &&
                               rows[1].kind == static_cast<int32_t>(EventKind::kInternalError) &&
                               rows[3].text == "third";
            ::_exit(right ? static_cast<int>(rows.size()) : 99);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 4);
        if (file == "full.log") {
            EXPECT_TRUE(ReadWholeFile(path).starts_with(before));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("no")));
}

// Every message exactly once, whole, in the list and in the file; the file limit is above the
// 1.4 MB written so that no line is cut away.
TEST_F(EventLogTest, ConcurrentMessagesStayWhole) {
    store_.WriteProfileInt("LogOptions", "MaxLogfileSize", 4096);
    Start(LogEventBits::kEnableLog | LogEventBits::kEnableLogFile);
    constexpr int kThreads = 8;
    constexpr int kMessages = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            const std::string filler(300, static_cast<char>('a' + t));  // shows any mixing
            for (int m = 0; m < kMessages; ++m) {
                log_.Add(EventKind::kFoundHost, "thread %d message %d %s", t, m, filler.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::map<std::string, int> expected;
    for (int t = 0; t < kThreads; ++t) {
        for (int m = 0; m < kMessages; ++m) {
            expected["thread " + std::to_string(t) + " message " + std::to_string(m) + " " +
                     std::string(300, static_cast<char>('a' + t))] = 1;
        }
    }
    std::map<std::string, int> in_sink;
    for (const LogRow& row : sink_.Rows()) {
        ++in_sink[row.text];
    }
    EXPECT_TRUE(in_sink == expected) << in_sink.size() << " different texts in the list";

    std::map<std::string, int> in_file;
    std::istringstream file(ReadWholeFile(log_path_));
    for (std::string line; std::getline(file, line);) {
        std::optional<LogRow> row = ParseLogLine(line);
        ASSERT_TRUE(row && line.ends_with("\t2")) << "exactly three fields: " << line;
        ++in_file[row->text];
    }
    EXPECT_TRUE(in_file == expected) << in_file.size() << " different texts in the file";
}

}  // namespace
}  // namespace corvimap
