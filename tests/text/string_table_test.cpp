#include "text/string_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "text/builtin_strings.h"

namespace corvimap {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

std::string Text(int32_t id) {
    return StringTable::Lookup(id);
}
using Strings = std::vector<std::string>;
Strings Texts(std::initializer_list<int32_t> ids) {
    Strings texts;
    for (int32_t id : ids) {
        texts.push_back(Text(id));
    }
    return texts;
}

class StringTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        StringTable::UseBuiltIn();
        StringTable::SetLanguageFolders({first_.Path(), second_.Path()});
    }
    void TearDown() override {
        StringTable::UseBuiltIn();
        StringTable::SetLanguageFolders(StringTable::DefaultLanguageFolders());
    }

    TempDir first_;
    TempDir second_;
};

// Ids the table lacks (id 0, the end marker, among them) are "not found", never a neighbour's text.
TEST_F(StringTableTest, BuiltInIdsAreUniqueAndMissingIdsAreNotFound) {
    std::set<int32_t> ids;
    for (const BuiltinString& entry : BuiltinStrings().first(BuiltinStrings().size() - 1)) {
        EXPECT_TRUE(ids.insert(entry.id).second) << "id " << entry.id << " twice";
        EXPECT_EQ(Text(entry.id), entry.text) << "id " << entry.id;
    }
    for (int32_t id = -2; id <= *ids.rbegin() + 1; ++id) {
        if (!ids.count(id)) {
            EXPECT_STREQ(StringTable::Lookup(id), kStringNotFound) << "id " << id;
        }
    }
    EXPECT_STREQ(StringTable::Lookup(-2147483647 - 1), kStringNotFound);
}

TEST_F(StringTableTest, FirstDefinitionWinsMissingIdsFallBackAndTextsStayValid) {
    WriteWholeFile(first_.File("a.lng"), "-1,\"Alpha\"\n1,\"A one\"\n1,\"again\"\n0,\"zero\"\n");
    WriteWholeFile(second_.File("b.lng"), "-1,\"Beta\"\n1,\"B one\"\n3,\"B three\"\n");
    EXPECT_TRUE(StringTable::LoadLanguage("alpha"));
    EXPECT_EQ(Texts({-1, 1, 2, 0}), Strings({"Alpha", "A one", "Options", "!!!Str not found"}));
    const char* held = StringTable::Lookup(1);

    StringTable::LoadLanguage("Beta");
    EXPECT_EQ(Texts({1, 2, 3}), Strings({"B one", "Options", "B three"}));
    EXPECT_STREQ(held, "A one") << "a text handed out earlier is never freed";
    StringTable::LoadLanguage("Alpha");
    EXPECT_EQ(StringTable::Lookup(1), held) << "loading again finds the same texts";

    // A name no file carries brings back the built-in set.
    EXPECT_TRUE(StringTable::LoadLanguage("Klingon"));
    EXPECT_EQ(Text(1), "About");
    EXPECT_EQ(StringTable::CurrentLanguageName(), "English");
}

TEST_F(StringTableTest, ListAndLoadFollowFolderOrderAndSkipWhatCannotBeRead) {
    WriteWholeFile(first_.File("one.lng"), "1,\"x\"\n-1,\"One\"\n-1,\"Uno\"\n");
    WriteWholeFile(first_.File("two.lng"), "-1,\"Two\"\n1,\"two from the first folder\"\n");
    WriteWholeFile(first_.File("none.lng"), "1,\"no name line\"\n");
    WriteWholeFile(first_.File("other.txt"), "-1,\"Text file\"\n");
    std::filesystem::create_directory(first_.File("folder.lng"));
    WriteWholeFile(first_.File("locked.lng"), "-1,\"Locked\"\n");
    std::filesystem::permissions(first_.File("locked.lng"), std::filesystem::perms::none);
    WriteWholeFile(second_.File("two.lng"), "-1,\"TWO\"\n1,\"two from the second folder\"\n");
    WriteWholeFile(second_.File("three.lng"), "-1,\"Three\"\n");

    bool can_read_locked = ::access(first_.File("locked.lng").c_str(), R_OK) == 0;  // root can

    // Within a folder the order is the file system's; the first folder comes first.
    std::vector<std::string> names = StringTable::ListLanguages();
    const size_t first_end = can_read_locked ? 4 : 3;
    ASSERT_EQ(names.size(), first_end + 2);
    std::sort(names.begin() + 1, names.begin() + first_end);
    std::sort(names.begin() + first_end, names.end());
    Strings expected = {"English", "One", "Two", "TWO", "Three"};
    if (can_read_locked) {
        expected.insert(expected.begin() + 1, "Locked");
    }
    EXPECT_EQ(names, expected);

    // Loading by a later id -1 line of a file, and the first folder wins for equal names.
    StringTable::LoadLanguage("uno");
    EXPECT_EQ(StringTable::CurrentLanguageName(), "Uno");
    EXPECT_EQ(Text(-1), "One") << "the first id -1 line is the text of id -1";
    StringTable::LoadLanguage("two");
    EXPECT_EQ(Text(1), "two from the first folder");
    StringTable::LoadLanguage("Text file");
    EXPECT_EQ(StringTable::CurrentLanguageName(), "English") << "only *.lng files count";
    StringTable::LoadLanguage("three");
    EXPECT_EQ(StringTable::CurrentLanguageName(), "Three");
    if (!can_read_locked) {
        StringTable::LoadLanguage("Locked");
        EXPECT_EQ(StringTable::CurrentLanguageName(), "English");
    }

    // A missing folder is no error.
    StringTable::SetLanguageFolders({first_.File("missing"), second_.Path()});
    EXPECT_EQ(StringTable::ListLanguages().size(), 3u);
}

TEST_F(StringTableTest, FileNamedEnglishReplacesTheBuiltInSet) {
    WriteWholeFile(first_.File("english.lng"), "-1,\"English\"\n3,\"Rescan\"\n");
    StringTable::LoadLanguage("English");
    EXPECT_EQ(Text(3), "Rescan");
    EXPECT_EQ(StringTable::ListLanguages(), (Strings{"English", "English"}));
}

TEST_F(StringTableTest, ShippedGermanFile) {
    std::filesystem::path shipped =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / "lng" /
        "Deutsch.lng";
    ASSERT_TRUE(std::filesystem::exists(shipped)) << shipped;
    std::filesystem::copy_file(shipped, first_.File("Deutsch.lng"));

    EXPECT_EQ(StringTable::ListLanguages(), (Strings{"English", "Deutsch"}));
    StringTable::LoadLanguage("Deutsch");
    // Every id of the built-in set has a German text.
    for (const BuiltinString& entry : BuiltinStrings()) {
        if (entry.id > 0 && entry.id != 8 && entry.id != 14 && entry.id != 61) {
            EXPECT_NE(Text(entry.id), entry.text) << "id " << entry.id;
        }
    }
}

// A language file that vanishes (or turns into something else) while loaded: the texts already
// read stay, and asking for the language again later falls back to the built-in texts.
TEST_F(StringTableTest, ALanguageFileThatVanishesWhileLoadedLeavesItsTextsInUse) {
    const auto file = first_.File("mine.lng");
    WriteWholeFile(file, "-1,\"Mine\"\n52,\"Neuer Host gefunden\"\n");
    StringTable::LoadLanguage("Mine");
    std::filesystem::remove(file);
    EXPECT_EQ(Texts({52, 53}), Strings({"Neuer Host gefunden", "Dead host"}));
    std::filesystem::create_directory(file);
    StringTable::LoadLanguage("Mine");
    EXPECT_EQ(Text(52), "Found new host");
}

TEST_F(StringTableTest, LookupsStaySoundWhileLanguagesChange) {
    WriteWholeFile(first_.File("a.lng"), "-1,\"Alpha\"\n1,\"A one\"\n2,\"A two\"\n");
    WriteWholeFile(first_.File("b.lng"), "-1,\"Beta\"\n1,\"B one\"\n");
    const std::set<std::string> allowed_1 = {"About", "A one", "B one"};
    const std::set<std::string> allowed_2 = {"Options", "A two"};

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::atomic<long> lookups{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                std::string one = StringTable::Lookup(1);
                std::string two = StringTable::Lookup(2);
                if (!allowed_1.count(one) || !allowed_2.count(two) ||
                    std::strcmp(StringTable::Lookup(60), "!!!Str not found") != 0) {
                    ++bad;
                }
                ++lookups;
            }
        });
    }
    const char* names[] = {"Alpha", "Beta", "English", "nothing"};
    // Until the readers have surely overlapped the changes, however late their threads start.
    for (int round = 0; round < 400 || lookups.load() < 1000; ++round) {
        StringTable::LoadLanguage(names[round % 4]);
        if (round % 50 == 0) {
            StringTable::UseBuiltIn();
        }
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(lookups.load(), 0);
}

}  // namespace
}  // namespace corvimap
