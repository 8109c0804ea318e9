#include "search/file_search.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

#include "search/mask_match.h"

namespace corvimap {
namespace {

TEST(MaskMatchTest, NamesAndNames) {
    using Names = std::vector<std::string>;
    const std::tuple<std::string, Names, Names> cases[] = {
        // mask, names it takes, names not
        {"*.mp3", {"song.mp3"}, {"SONG.MP3"}},
        {"a*b*c", {"abc", "aXbYc", "abcbc"}, {"abcd"}},
        {"*", {"any name.txt", "x"}, {}},
        {"?", {"a", "\xC3\xBC"}, {"ab"}},
        {"", {}, {"a"}},
        {"a**", {"a"}, {}},
        {"*a", {}, {"bab"}},
        {"*.avi", {}, {"clip.avi.txt"}},
    };
    for (const auto& [mask, taken, not_taken] : cases) {
        for (const auto& name : taken) {
            EXPECT_TRUE(MaskMatches(mask, name)) << mask << " / " << name;
        }
        for (const auto& name : not_taken) {
            EXPECT_FALSE(MaskMatches(mask, name)) << mask << " / " << name;
        }
    }
    EXPECT_EQ(SplitMasks("*.mp3|*.mpg|*.avi"), (Names{"*.mp3", "*.mpg", "*.avi"}));
    EXPECT_EQ(SplitMasks("a||b"), (Names{"a", "", "b"}));
    EXPECT_EQ(SplitMasks("a|"), (Names{"a"}));
    EXPECT_EQ(SplitMasks(""), Names{});
    EXPECT_EQ(SplitMasks(std::string(300, '*')), (Names{std::string(kSearchMaskLimit, '*')}));
}

TEST(MaskMatchTest, SizeAndTimeTexts) {
    const std::pair<uint64_t, const char*> sizes[] = {
        {0, "0"},           {1024, "1024"},        {1025, "1 kB"},
        {2048, "2 kB"},     {1048576, "1024 kB"},  {1048577, "01 Mb"},
        {3145728, "03 Mb"}, {0x100000400, "1024"}, {0x7FFFFFFF, "2047 Mb"},
    };
    for (const auto& [size, text] : sizes) {
        EXPECT_EQ(ResultSizeText(size), text) << size;
    }
    // Only these texts read the zone, so it is not put back.
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(ResultTimeText(0), "01.01.1970 01:00");
    EXPECT_EQ(IsoLocalTime(86399), "1970-01-02T00:59:59+01:00");
    setenv("TZ", "UTC5", 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(0), "1969-12-31T19:00:00-05:00");
}

// Folders by "host share/dir/dir"; a hook runs before each listing.
class FakeFolders final : public ShareFolderSource {
public:
    std::map<std::string, ShareFolderListing> tree;
    std::function<std::optional<ShareFolderListing>(const std::string& key)> generate;
    std::function<void(const std::string& key)> before_list;
    std::vector<std::string> listed;

    std::optional<ShareFolderListing> ListFolder(NetAddress host, const std::string& share,
                                                 const std::vector<std::string>& folders) override {
        std::string key = FormatAddress(host) + " " + share;
        for (const auto& folder : folders) {
            key += "/" + folder;
        }
        listed.push_back(key);
        if (before_list) {
            before_list(key);
        }
        if (generate) {
            return generate(key);
        }
        const auto it = tree.find(key);
        return it == tree.end() ? std::nullopt : std::optional(it->second);
    }
};

class RecordingView final : public SearchView {
public:
    void SearchStarted() override { Add("start"); }
    void ShowFolder(const std::string& path) override { Add("folder " + path); }
    void AddResults(std::vector<SearchResult> rows) override {
        for (const auto& row : rows) {
            Add("row " + row.path + " " + row.size_text);
        }
    }
    void ShowProgress(const std::string& text) override { Add(text); }
    void SearchEnded() override { Add("End"); }

    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (const auto& event : Events()) {
            if (event.starts_with("row ")) {
                rows.push_back(event.substr(4));
            }
        }
        return rows;
    }

private:
    void Add(std::string event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};

ShareFolderEntry File(std::string name, uint64_t size = 10) {
    return {std::move(name), false, size, 0, 0};
}
ShareFolderEntry Folder(std::string name, uint64_t id = 0) {
    return {std::move(name), true, 0, 0, id};
}

const NetAddress kHostA = MakeAddress(198, 18, 0, 11);
const NetAddress kHostB = MakeAddress(198, 18, 0, 12);

void AddHost(HostTable& table, NetAddress address, const std::string& shares) {
    const HostHandle handle =
        table.AddOrUpdate(address, 0, "H", "WG", MacBlock{}, HostState::Answered);
    if (!shares.empty()) {
        table.AttachMarker(handle, HostMarker{kSharesMarker, shares});
    }
}

struct SearchFixture : ::testing::Test {
    HostTable table;
    FakeFolders folders;
    RecordingView view;
    FileSearch search{table, folders, view};

    // Runs the action just before share "one" of the first host is listed.
    void AtShareOne(std::function<void()> action) {
        folders.before_list = [action](const std::string& key) {
            if (key == "198.18.0.11 one") {
                action();
            }
        };
    }
    void RunToEnd(const std::string& masks) {
        ASSERT_TRUE(search.Start(masks));
        ASSERT_TRUE(search.WaitFinished(std::chrono::seconds(30)));
    }
};

TEST_F(SearchFixture, WalksDepthFirstWithOneRowPerMatchingMask) {
    AddHost(table, kHostA, "music|empty");
    AddHost(table, MakeAddress(198, 18, 0, 13), "");  // no shares: passed over
    folders.tree["198.18.0.11 music"] = {1, {File("a.mp3", 2048), Folder("sub", 2), File("b.txt")}};
    folders.tree["198.18.0.11 music/sub"] = {2, {File("c.mp3", 3145728), File("C.MP3")}};
    folders.tree["198.18.0.11 empty"] = {3, {}};

    search.RunHere("*.mp3|*.mp?|*.avi");
    const std::vector<std::string> expected = {
        "start",
        "folder \\\\198.18.0.11\\music\\",
        "folder \\\\198.18.0.11\\music\\sub\\",
        "row \\\\198.18.0.11\\music\\a.mp3 2 kB",
        "row \\\\198.18.0.11\\music\\a.mp3 2 kB",
        "row \\\\198.18.0.11\\music\\sub\\c.mp3 03 Mb",
        "row \\\\198.18.0.11\\music\\sub\\c.mp3 03 Mb",
        "Searching... Hosts: 1, shares: 1, found files: 4",
        "folder \\\\198.18.0.11\\empty\\",
        "Searching... Hosts: 1, shares: 2, found files: 4",
        "End",
    };
    EXPECT_EQ(view.Events(), expected);
    EXPECT_FALSE(search.Running());

    // No host with shares: the search ends at once.
    HostTable empty;
    RecordingView quiet;
    FileSearch nothing(empty, folders, quiet);
    nothing.RunHere("*");
    EXPECT_EQ(quiet.Events(), (std::vector<std::string>{"start", "End"}));
}

// Loops a server reports with folder ids are the search lab test's and share_walk_fuzz's.
// Without ids the depth and path-length bounds end the walk of each share.
TEST_F(SearchFixture, FolderLoopsWithoutIdsEnd) {
    AddHost(table, kHostA, "a|b");
    folders.generate = [](const std::string&) {
        return ShareFolderListing{0, {File("f"), Folder("loop")}};
    };
    search.RunHere("f");
    EXPECT_EQ(view.Rows().size(), 2 * (kMaxWalkDepth + 1));
    EXPECT_LT(folders.listed.back().size(), kMaxWalkPathLength);

    // Two links to the parent would make 2^64 paths within those bounds: the count of folders
    // listed without an id ends each share's walk.
    folders.listed.clear();
    folders.generate = [](const std::string&) {
        return ShareFolderListing{0, {Folder("x"), Folder("y")}};
    };
    search.RunHere("none");
    EXPECT_EQ(folders.listed.size(), 2 * kMaxListingsWithoutIds);
}

TEST_F(SearchFixture, StopEndsAfterTheShareAndAbortAtTheNextEntry) {
    AddHost(table, kHostA, "one|two");
    AddHost(table, kHostB, "three");
    for (const char* share : {"one", "two", "three"}) {
        folders.tree[std::string("198.18.0.11 ") + share] = {0, {File("f"), Folder("d")}};
        folders.tree[std::string("198.18.0.11 ") + share + "/d"] = {0, {File("g")}};
        folders.tree[std::string("198.18.0.12 ") + share] = {0, {File("h")}};
    }
    AtShareOne([this] {
        EXPECT_FALSE(search.Start("*"));  // a second press never starts a second search
        search.RequestStop();
    });
    RunToEnd("*");
    EXPECT_EQ(view.Rows().size(), 2u);  // the whole of share "one", nothing more
    EXPECT_EQ(view.Events().back(), "End");

    // A host a running scan adds is walked too.
    AtShareOne([this] { AddHost(table, MakeAddress(198, 18, 0, 20), "late"); });
    folders.tree["198.18.0.20 late"] = {0, {File("late.txt")}};
    RunToEnd("late*");
    EXPECT_EQ(view.Rows().back(), "\\\\198.18.0.20\\late\\late.txt 10");

    // The window closes: the walk ends before the next entry, even inside a share.
    folders.listed.clear();
    AtShareOne([this] { search.Abort(); });
    const std::size_t rows_before = view.Rows().size();
    RunToEnd("*");
    EXPECT_EQ(folders.listed, (std::vector<std::string>{"198.18.0.11 one"}));
    EXPECT_EQ(view.Rows().size(), rows_before);
    EXPECT_FALSE(search.Start("*"));
}

}  // namespace
}  // namespace corvimap
