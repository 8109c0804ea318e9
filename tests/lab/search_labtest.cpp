// The file search against a real Samba server in the lab: what it finds equals what smbclient
// lists, names and sizes and times included; a folder loop on the server ends; corvimap-scan
// --search prints the same files.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <sstream>

#include "engine/share_list.h"
#include "lab.h"
#include "lab_search.h"
#include "search/file_search.h"
#include "search/mask_match.h"
#include "search/smb_share_folders.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using lab::Lab;
using lab::LabHost;

class CollectingView final : public SearchView {
public:
    void SearchStarted() override {}
    void ShowFolder(const std::string&) override {
        if (on_folder) {
            on_folder();
        }
    }
    void AddResults(std::vector<SearchResult> rows) override {
        for (auto& row : rows) {
            results.push_back(std::move(row));
        }
    }
    void ShowProgress(const std::string&) override {}
    void SearchEnded() override { ended = true; }

    std::vector<SearchResult> results;
    bool ended = false;
    std::function<void()> on_folder;  // on the search thread
};

class SearchLabTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!lab::LabUnavailableReason(lab::LabNeeds::kSamba).empty()) {
            return;
        }
        lab_ = new Lab();
        server_ = &lab_->AddSambaHost("search", 30, lab::SearchServer());
        lab::FillSearchShares(*lab_, *server_);
        lab::FillBulkShare(*lab_, *server_, 60, 2);
        ASSERT_TRUE(lab_->WaitForSamba(30s));
    }
    static void TearDownTestSuite() {
        delete lab_;
        lab_ = nullptr;
    }
    void SetUp() override { CORVIMAP_REQUIRE_LAB(lab::LabNeeds::kSamba); }

    // A search of the given shares of the server, made and run in the scanner namespace.
    static void InSearch(const std::string& shares, SearchView& view,
                         const std::function<void(FileSearch&)>& run) {
        lab_->InScanner([&] {
            HostTable table;
            const HostHandle host = table.AddOrUpdate(InetAddr(server_->address), 0, "SEARCHSRV",
                                                      "LABGROUP", MacBlock{}, HostState::Answered);
            table.AttachMarker(host, HostMarker{kSharesMarker, shares});
            SmbShareFolders folders;
            FileSearch search(table, folders, view);
            run(search);
        });
    }
    static CollectingView Search(const std::string& shares, const std::string& masks) {
        CollectingView view;
        InSearch(shares, view, [&](FileSearch& search) { search.RunHere(masks); });
        return view;
    }

    static std::string Unc(const std::string& share, const std::string& path) {
        return "\\\\" + server_->address + "\\" + share + "\\" + path;
    }

    static inline Lab* lab_ = nullptr;
    static inline const LabHost* server_ = nullptr;
};

TEST_F(SearchLabTest, FindsWhatSmbclientListsWithSizesAndTimes) {
    const auto listed = lab::SmbclientRecursiveList(*lab_, *server_, "tree", 30s);
    ASSERT_EQ(listed.size(), lab::TreeFiles().size());  // the locked folder is not listed

    const CollectingView all = Search("tree", "*");
    EXPECT_TRUE(all.ended);
    std::map<std::string, const SearchResult*> found;
    for (const SearchResult& row : all.results) {
        EXPECT_TRUE(found.emplace(row.path, &row).second) << "twice: " << row.path;
    }
    EXPECT_EQ(found.size(), listed.size());
    for (const lab::SmbclientFile& file : listed) {
        const auto it = found.find(Unc("tree", file.path));
        ASSERT_NE(it, found.end()) << file.path;
        const SearchResult& row = *it->second;
        EXPECT_EQ(row.size, file.size) << file.path;
        EXPECT_EQ(row.mtime, file.mtime) << file.path;
        EXPECT_EQ(row.name, file.path.substr(file.path.rfind('\\') + 1));
    }
}

TEST_F(SearchLabTest, FolderLoopOnTheServerEnds) {
    const CollectingView view = Search("loop", "*");
    ASSERT_TRUE(view.ended);
    std::vector<std::string> paths;
    for (const SearchResult& row : view.results) {
        paths.push_back(row.path);
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{Unc("loop", "a\\b\\in b.mp3"),
                                               Unc("loop", "a\\in a.mp3")}));
}

TEST_F(SearchLabTest, HostThatGoesAwayMidWalkIsPassedOverSoon) {
    int folders_seen = 0;
    CollectingView view;
    view.on_folder = [&] {
        if (++folders_seen == 5) {
            const auto down = lab_->RunIn(*server_, {"ip", "link", "set", "eth0", "down"}, 10s);
            EXPECT_TRUE(down.Ok()) << down.Describe();
        }
    };
    InSearch("bulk|tree|loop", view, [](FileSearch& search) {
        ASSERT_TRUE(search.Start("*"));
        // About two reply time-outs of 5 s, not a time-out and a connect attempt per folder.
        EXPECT_TRUE(search.WaitFinished(40s)) << "the walk of a vanished host went on";
    });
    EXPECT_LT(folders_seen, 60 + 10);
    const auto up = lab_->RunIn(*server_, {"ip", "link", "set", "eth0", "up"}, 10s);
    ASSERT_TRUE(up.Ok()) << up.Describe();
    ASSERT_TRUE(lab_->WaitForSamba(30s));
}

TEST_F(SearchLabTest, CommandLineSearchPrintsLinesAndJson) {
    const std::string program = CORVIMAP_SCAN_PROGRAM;
    const std::string music = "M\xC3\xBCsik #1 100%\\";
    auto plain = lab_->RunInScanner(
        {program, "--timeout", "400", "--search", "*.avi", server_->address}, 120s);
    ASSERT_TRUE(plain.Ok()) << plain.Describe();
    std::vector<std::string> lines;
    std::istringstream out(plain.out);
    for (std::string line; std::getline(out, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    const std::time_t tree_time = lab::TreeFiles().front().mtime;
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  Unc("tree", music + "clip.avi") + "\t1048577\t" + IsoLocalTime(tree_time),
                  Unc("tree", "big 3M.avi") + "\t3145728\t" + IsoLocalTime(tree_time + 86400),
              }));
    EXPECT_NE(plain.err.find("Searching... Hosts: 1, shares: 3, found files: 2"), std::string::npos)
        << plain.err;

    auto json = lab_->RunInScanner(
        {program, "--timeout", "400", "--json", "--search", "lied*", server_->address}, 120s);
    ASSERT_TRUE(json.Ok()) << json.Describe();
    const nlohmann::json result = nlohmann::json::parse(json.out);
    ASSERT_EQ(result["hosts"].size(), 1u);
    EXPECT_EQ(result["hosts"][0]["shares"], nlohmann::json({"bulk", "tree", "loop"}));
    const nlohmann::json expected = {{{"path", Unc("tree", music + "lied \xC3\xBC.mp3")},
                                      {"host", server_->address},
                                      {"share", "tree"},
                                      {"name", "lied \xC3\xBC.mp3"},
                                      {"size", 1025},
                                      {"mtime", IsoLocalTime(tree_time)}}};
    EXPECT_EQ(result["files"], expected);
}

}  // namespace
}  // namespace corvimap
