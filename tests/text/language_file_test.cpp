#include "text/language_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/leading_int.h"
#include "text/line_pieces.h"
#include "text/utf8_cut.h"

namespace corvimap {
namespace {

std::vector<std::string> Pieces(std::string_view bytes, size_t max_piece) {
    std::vector<std::string> pieces;
    ForEachLinePiece(bytes, max_piece, [&](std::string_view piece) { pieces.emplace_back(piece); });
    return pieces;
}

TEST(LanguageFileTest, LineFormat) {
    EXPECT_FALSE(ParseLanguageLine("no comma \"here\""));
    EXPECT_EQ(ParseLanguageLine("12,\"Description\""), (LanguageEntry{12, "Description"}));
    // atoi-like id: blanks and a sign before the digits, anything after them ignored.
    EXPECT_EQ(ParseLanguageLine("  -1 ,\"Deutsch\"\r"), (LanguageEntry{-1, "Deutsch"}));
    EXPECT_EQ(ParseLanguageLine("+7x,\"&Beenden\""), (LanguageEntry{7, "&Beenden"}));
    EXPECT_EQ(ParseLanguageLine("abc,\"zero\""), (LanguageEntry{0, "zero"}));
    // Inner quotes stay; the text runs to the last quote; what lies around the quotes is ignored.
    EXPECT_EQ(ParseLanguageLine("5, junk \"say \"hi\", then go\" trailing"),
              (LanguageEntry{5, "say \"hi\", then go"}));
    EXPECT_EQ(ParseLanguageLine("3,\"\""), (LanguageEntry{3, ""}));
    // A comma without two quotes after it carries no text: the line is skipped.
    EXPECT_FALSE(ParseLanguageLine("3,Refresh"));
    EXPECT_FALSE(ParseLanguageLine("3,\"Refresh"));
}

TEST(LanguageFileTest, FileEntriesInOrderWithDuplicatesAndNames) {
    std::string bytes =
        "; a comment without the separator\n"
        "\n"
        "-1,\"Deutsch\"\r\n"
        "2,\"Optionen\"\r\n"
        "broken,line\n"
        "2,\"Zweite\"\n"
        "-1,\"German\"\n"
        "8,\"Name\"";  // no newline at the end
    std::vector<LanguageEntry> entries = ParseLanguageFile(bytes);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0], (LanguageEntry{-1, "Deutsch"}));
    EXPECT_EQ(entries[1], (LanguageEntry{2, "Optionen"}));
    EXPECT_EQ(entries[2], (LanguageEntry{2, "Zweite"}));
    EXPECT_EQ(entries[3], (LanguageEntry{-1, "German"}));
    EXPECT_EQ(entries[4], (LanguageEntry{8, "Name"}));

    EXPECT_EQ(FindLanguageName(bytes), "Deutsch");
    EXPECT_EQ(MatchLanguageName(bytes, "DEUTSCH"), "Deutsch");
    EXPECT_EQ(MatchLanguageName(bytes, "german"), "German") << "every id -1 line is a name";
    EXPECT_FALSE(MatchLanguageName(bytes, "Deutsc"));
    EXPECT_FALSE(FindLanguageName("1,\"About\"\n"));
}

TEST(LanguageFileTest, LongLinesContinueAsFurtherLines) {
    // 254 characters are one line; the 255th starts a new one, which counts when it has a comma.
    std::string head = "9,\"" + std::string(250, 'a') + "\"";
    ASSERT_EQ(head.size(), 254u);
    std::string bytes = head + "10,\"continued\"\n" + "11,\"" + std::string(300, 'b') + "\"\n";
    std::vector<LanguageEntry> entries = ParseLanguageFile(bytes);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (LanguageEntry{9, std::string(250, 'a')}));
    EXPECT_EQ(entries[1], (LanguageEntry{10, "continued"}));
    // The 300-character text lost its closing quote to the next piece, so neither piece counts.
}

TEST(LanguageFileTest, SplitterGivesTheSamePiecesWhateverTheBlockSize) {
    std::string bytes = "short\n\n" + std::string(20, 'x') + "\n" + std::string(10, 'y') +
                        "\xE2\x82\xAC" + std::string(12, 'z') + "\n" + std::string(8, 'w') + "\n" +
                        // A broken sequence across the limit: whether it is whole shows two
                        // bytes past the limit, wherever a block ends.
                        std::string(9, 'b') + "\xF0\x9F\x98Xq\n" + "last";
    std::vector<std::string> whole = Pieces(bytes, 10);
    std::vector<std::string> expected = {"short",
                                         "",
                                         "xxxxxxxxxx",
                                         "xxxxxxxxxx",
                                         "yyyyyyyyyy",
                                         "\xE2\x82\xAC"
                                         "zzzzzzz",
                                         "zzzzz",
                                         "wwwwwwww",
                                         "bbbbbbbbb\xF0",
                                         "\x9F\x98Xq",
                                         "last"};
    EXPECT_EQ(whole, expected);
    for (size_t block = 1; block <= bytes.size(); ++block) {
        std::vector<std::string> fed;
        LinePieceSplitter splitter(10);
        auto keep = [&](std::string_view piece) { fed.emplace_back(piece); };
        for (size_t at = 0; at < bytes.size(); at += block) {
            splitter.Feed(std::string_view(bytes).substr(at, block), keep);
        }
        splitter.Finish(keep);
        EXPECT_EQ(fed, expected) << "block size " << block;
    }
}

TEST(LanguageFileTest, Utf8Prefix) {
    EXPECT_EQ(Utf8PrefixLength("abc", 5), 3u);
    EXPECT_EQ(Utf8PrefixLength("ab\xE2\x82\xAC"
                               "c",
                               5),
              5u);
    EXPECT_EQ(Utf8PrefixLength("\xF0\x9D\x84\x9Ex", 3), 0u) << "nor a four-byte one";
    EXPECT_EQ(Utf8PrefixLength("\x80\x80\x80\x80\x80\x80", 4), 4u) << "not UTF-8: cut at the limit";
}

}  // namespace
}  // namespace corvimap
