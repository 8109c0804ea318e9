// Walks a lab share of 5,000 files in 250 folders with the mask "*", the way the search pane
// does (its own thread, its changes handed to a UI thread that waits for nothing else), and
// lists the same share with `smbclient -N -c 'recurse; ls'`. Prints both times, their ratio and
// the longest the UI thread was kept busy by the walk; needs root.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "lab.h"
#include "lab_search.h"
#include "search/file_search.h"
#include "search/smb_share_folders.h"

namespace corvimap {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFolders = 250;
constexpr int kFilesPerFolder = 20;
constexpr int kRuns = 7;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A stand-in for the window's thread: runs what the search hands over, one task at a time, and
// notes how long its loop was ever kept from turning.
class UiLoop final : public SearchView {
public:
    void SearchStarted() override {
        Run([] {});
    }
    // Posted without waiting, latest folder only, as the window's view does.
    void ShowFolder(const std::string& path) override {
        std::lock_guard lock(mutex_);
        latest_ = path;
        if (!label_posted_) {
            label_posted_ = true;
            tasks_.push_back([this] {
                label_ = latest_;
                label_posted_ = false;
            });
            wake_.notify_all();
        }
    }
    void AddResults(std::vector<SearchResult> rows) override {
        Run([this, &rows] {
            for (auto& row : rows) {
                rows_.push_back(std::move(row));
            }
        });
    }
    void ShowProgress(const std::string&) override {}
    void SearchEnded() override {
        Run([this] { ended_ = true; });
    }

    // Turns until the search has ended; returns the longest gap between two turns.
    double Spin() {
        double longest = 0;
        auto last = Clock::now();
        std::unique_lock lock(mutex_);
        while (!ended_) {
            wake_.wait_for(lock, 1ms, [this] { return !tasks_.empty(); });
            while (!tasks_.empty()) {
                auto task = std::move(tasks_.front());
                tasks_.pop_front();
                task();
                done_.notify_all();
            }
            const auto now = Clock::now();
            longest = std::max(longest, Ms(now - last));
            last = now;
        }
        return longest;
    }
    std::size_t Rows() const { return rows_.size(); }
    void Reset() {
        rows_.clear();
        ended_ = false;
    }

private:
    // Hands a task over and waits until the loop has run it.
    void Run(std::function<void()> task) {
        std::unique_lock lock(mutex_);
        bool finished = false;
        tasks_.push_back([&] {
            task();
            finished = true;
        });
        wake_.notify_all();
        done_.wait(lock, [&] { return finished; });
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<void()>> tasks_;
    std::deque<SearchResult> rows_;
    std::string label_;
    std::string latest_;
    bool label_posted_ = false;
    bool ended_ = false;
};

int Main() {
    const std::string reason = lab::LabUnavailableReason(lab::LabNeeds::kSamba);
    if (!reason.empty()) {
        std::printf("bench_search: skipped: %s\n", reason.c_str());
        return 0;
    }
    lab::Lab lab;
    auto options = lab::SearchServer();
    options.shares = {{"bulk", "Many files", {}, {}}};
    const lab::LabHost& server = lab.AddSambaHost("search", 30, options);
    lab::FillBulkShare(lab, server, kFolders, kFilesPerFolder);
    if (!lab.WaitForSamba(30s)) {
        std::printf("bench_search: the lab's Samba host did not come up\n");
        return 1;
    }

    std::vector<double> walks;
    std::vector<double> tools;
    double longest_ui_gap = 0;
    std::size_t found = 0;
    std::size_t listed = 0;
    for (int run = 0; run < kRuns; ++run) {
        UiLoop ui;
        const auto [walk_ms, gap_ms] = lab.InScanner([&] {
            HostTable table;
            const HostHandle host = table.AddOrUpdate(InetAddr(server.address), 0, "SEARCHSRV",
                                                      "LABGROUP", MacBlock{}, HostState::Answered);
            table.AttachMarker(host, HostMarker{kSharesMarker, "bulk"});
            SmbShareFolders folders;
            FileSearch search(table, folders, ui);
            const auto start = Clock::now();
            search.Start("*");
            const double gap = ui.Spin();
            search.WaitFinished(60s);
            return std::pair(Ms(Clock::now() - start), gap);
        });
        found = ui.Rows();
        const auto start = Clock::now();
        const lab::CommandResult tool = lab.RunInScanner(
            {"smbclient", "//" + server.address + "/bulk", "-N", "-c", "recurse; ls"}, 120s);
        const double tool_ms = Ms(Clock::now() - start);
        listed = lab::ParseSmbclientRecursiveList(tool.out).size();
        std::printf(
            "run %d: walk %.1f ms (%zu files), smbclient %.1f ms (%zu files), UI gap %.2f ms\n",
            run + 1, walk_ms, found, tool_ms, listed, gap_ms);
        walks.push_back(walk_ms);
        tools.push_back(tool_ms);
        longest_ui_gap = std::max(longest_ui_gap, gap_ms);
    }
    std::sort(walks.begin(), walks.end());
    std::sort(tools.begin(), tools.end());
    const double walk_median = walks[walks.size() / 2];
    const double tool_median = tools[tools.size() / 2];
    std::printf("share walk, %d folders of %d files, mask \"*\", %d runs (best / median):\n",
                kFolders, kFilesPerFolder, kRuns);
    std::printf("  corvimap walk      %8.1f / %8.1f ms  %zu files\n", walks.front(), walk_median,
                found);
    std::printf("  smbclient recurse  %8.1f / %8.1f ms  %zu files (process start included)\n",
                tools.front(), tool_median, listed);
    std::printf("  ratio walk/smbclient %.2f / %.2f\n", walks.front() / tools.front(),
                walk_median / tool_median);
    std::printf("  longest UI-thread turn during the walks %.2f ms\n", longest_ui_gap);
    return 0;
}

}  // namespace
}  // namespace corvimap

int main() {
    return corvimap::Main();
}
