#include "log/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "log/log_rows.h"
#include "support/temp_dir.h"

namespace corvimap {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

std::string NumberedLines(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += "01.02.2003 / 04:05:" + std::to_string(i % 60) + "\tmessage " + std::to_string(i) +
                 "\t" + std::to_string(i % 6) + "\n";
    }
    return bytes;
}

TEST(LogFileTest, StampAndLineFormat) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(FormatLogStamp(0), "01.01.1970 / 00:00:00");
    EXPECT_EQ(FormatLogStamp(1700000000), "14.11.2023 / 22:13:20");

    EXPECT_EQ(FormatLogLine("s", "a\tb", -5), "s\ta\tb\t-5\n");
}

TEST(LogFileTest, LineParsing) {
    EXPECT_EQ(ParseLogLine("stamp\ttext\t2"), (LogRow{"stamp", "text", 2}));
    EXPECT_EQ(ParseLogLine("stamp\ttext\t 5 junk"), (LogRow{"stamp", "text", 5}));
    EXPECT_EQ(ParseLogLine("\t\t"), (LogRow{"", "", 0}));
    // A tab inside the text ends it; the kind is read from what follows.
    EXPECT_EQ(ParseLogLine("stamp\tleft\t7 right\t3"), (LogRow{"stamp", "left", 7}));
    EXPECT_FALSE(ParseLogLine("no tabs at all"));
    EXPECT_FALSE(ParseLogLine("one\ttab only"));
}

TEST(LogFileTest, RowsKeepOnlyTheNewestUpToTheLimit) {
    LogRows rows(2);
    EXPECT_FALSE(rows.Add({"s", "1", 0}));
    EXPECT_FALSE(rows.Add({"s", "2", 0}));
    EXPECT_TRUE(rows.Add({"s", "3", 0})) << "the oldest went";
    ASSERT_EQ(rows.Size(), 2u);
    EXPECT_EQ(rows[0].text, "2");

    LogRows none(-4);
    EXPECT_TRUE(none.Add({"s", "x", 0}));
    EXPECT_TRUE(none.Empty());
}

// The file is read in blocks of 64 KiB: the 5000 lines cross several block boundaries.
TEST(LogFileTest, ReadBackKeepsTheLastRowsAndSkipsBadLines) {
    TempDir dir;
    WriteWholeFile(dir.File("big.log"),
                   "garbage line\n" + NumberedLines(5000) + "only\tone tab\n\n");
    LogRows rows;
    ASSERT_TRUE(ReadLogFile(dir.File("big.log"), rows));
    ASSERT_EQ(rows.Size(), 250u);
    EXPECT_EQ(rows[0], (LogRow{"01.02.2003 / 04:05:10", "message 4750", 4}));
    EXPECT_EQ(rows[249], (LogRow{"01.02.2003 / 04:05:19", "message 4999", 1}));

    LogRows untouched;
    EXPECT_FALSE(ReadLogFile(dir.File("missing.log"), untouched));
    EXPECT_TRUE(untouched.Empty());
}

TEST(LogFileTest, LongLinesAreReadInPiecesOf1023Bytes) {
    // The first piece has one tab only and is skipped; the continuation has two and counts.
    std::string line = "stamp\t" + std::string(1100, 'x') + "\ttail\t4\n";
    std::string exact = "s\t" + std::string(1019, 'y') + "\t1\n";  // 1023 bytes before '\n'
    ASSERT_EQ(exact.size(), 1024u);
    TempDir dir;
    WriteWholeFile(dir.File("long.log"), line + exact);
    LogRows rows;
    ASSERT_TRUE(ReadLogFile(dir.File("long.log"), rows));
    ASSERT_EQ(rows.Size(), 2u);
    EXPECT_EQ(rows[0].stamp, std::string(1100 - 1017, 'x'));
    EXPECT_EQ(rows[0].text, "tail");
    EXPECT_EQ(rows[0].kind, 4);
    EXPECT_EQ(rows[1], (LogRow{"s", std::string(1019, 'y'), 1}));
}

}  // namespace
}  // namespace corvimap
