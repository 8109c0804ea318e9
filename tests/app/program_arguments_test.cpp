#include "app/program_arguments.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

using Words = std::vector<std::string>;

TEST(ProgramArgumentsTest, OnlyTheFirstAddressMarkIsReplaced) {
    EXPECT_EQ(ReplaceFirstAddressMark("-h %a -p 80", "10.0.0.5"), "-h 10.0.0.5 -p 80");
    EXPECT_EQ(ReplaceFirstAddressMark("-n %a -p %a", "192.168.0.5"), "-n 192.168.0.5 -p %a");
    EXPECT_EQ(ReplaceFirstAddressMark("--verbose", "1.2.3.4"), "--verbose");
    EXPECT_EQ(ReplaceFirstAddressMark("%%a%A", "1.2.3.4"), "%1.2.3.4%A");
    EXPECT_EQ(ReplaceFirstAddressMark("", "1.2.3.4"), "");
}

TEST(ProgramArgumentsTest, BlanksSplitWordsAndQuotesKeepThemTogether) {
    EXPECT_EQ(SplitParameterLine("  a\t\tb \n c  "), (Words{"a", "b", "c"}));
    EXPECT_EQ(SplitParameterLine(""), Words{});
    EXPECT_EQ(SplitParameterLine("\"a b\"c d"), (Words{"a bc", "d"}));
    EXPECT_EQ(SplitParameterLine("'' \"\" x"), (Words{"", "", "x"})) << "empty quotes are words";
    EXPECT_EQ(SplitParameterLine("a\\ b"), (Words{"a b"}));
    EXPECT_EQ(SplitParameterLine("-c 'echo \"$0\" > /tmp/x' 10.0.0.1"),
              (Words{"-c", "echo \"$0\" > /tmp/x", "10.0.0.1"}));
    EXPECT_EQ(SplitParameterLine("\"My Files/a b\" x\"y z\"w"), (Words{"My Files/a b", "xy zw"}));
}

TEST(ProgramArgumentsTest, NothingAShellWouldExpandIsExpandedAndBackslashesFollowShellRules) {
    // No shell runs, so these reach the program untouched.
    EXPECT_EQ(SplitParameterLine("$HOME `id` $(id) *.txt ~ ; rm -rf / | x && y"),
              (Words{"$HOME", "`id`", "$(id)", "*.txt", "~", ";", "rm", "-rf", "/", "|", "x", "&&",
                     "y"}));
    EXPECT_EQ(SplitParameterLine("'a\\b'"), (Words{"a\\b"})) << "single quotes keep backslashes";
    EXPECT_EQ(SplitParameterLine("\"a\\b \\\" \\\\ \\$\""), (Words{"a\\b \" \\ $"}));
    EXPECT_EQ(SplitParameterLine("a\\\nb"), (Words{"ab"})) << "line continuation";
    EXPECT_EQ(SplitParameterLine("end\\"), (Words{"end\\"}));
    EXPECT_EQ(SplitParameterLine("'open ended"), (Words{"open ended"}));
    EXPECT_EQ(SplitParameterLine("\"open \\\"ended"), (Words{"open \"ended"}));
    EXPECT_EQ(SplitParameterLine("\\\\server\\share"), (Words{"\\server"
                                                              "share"}));
}

}  // namespace
}  // namespace corvimap
