#include "games/server_report.h"

#include <gtest/gtest.h>

#include "text/utf8_cut.h"

namespace corvimap {
namespace {

TEST(ServerReportTest, AppendingAndReadingFieldsFollowTheSeparatorRules) {
    ServerReport report;
    EXPECT_FALSE(report.Field(0)) << "an empty text has no fields";
    report.AppendField("10.0.0.5:27500");
    EXPECT_EQ(report.Text(), "10.0.0.5:27500") << "the first field comes without a separator";
    report.AppendField("");
    report.AppendField("e1m1");
    report.AppendField("||end");
    EXPECT_EQ(report.Text(), "10.0.0.5:27500||e1m1|||end");

    EXPECT_EQ(report.Field(0), "10.0.0.5:27500");
    EXPECT_EQ(report.Field(1), "") << "an empty field between separators exists";
    EXPECT_EQ(report.Field(4), "");
    EXPECT_EQ(report.Field(5), "end");
    EXPECT_FALSE(report.Field(6));

    EXPECT_FALSE(ServerReport::PipeField("a|b|", 2)) << "the n-th separator is the last character";
    EXPECT_EQ(ServerReport::PipeField("a|b|", 1), "b");
}

// Quake's own high-bit characters are no UTF-8: they are cut at the byte limit, never dropped as
// an unfinished character.
TEST(Utf8CutTest, BytesThatAreNoUtf8AreCutAtTheLimit) {
    EXPECT_EQ(CutUtf8("a\x80\x80\x80\x80", 3), "a\x80\x80");
    EXPECT_EQ(CutUtf8("a\xF0\x9F\x98\x80", 3), "a") << "a four-byte character is not split";
}

}  // namespace
}  // namespace corvimap
