#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/host_table.h"
#include "engine/share_list.h"

namespace corvimap {

// Where the search lists folders: libsmbclient in the program, a fake tree in tests. Called on
// the search thread only.
class ShareFolderSource {
public:
    virtual ~ShareFolderSource() = default;
    // The folder `folders` (outermost first; none: the top) of the share on the host. Nothing
    // when it cannot be listed.
    virtual std::optional<ShareFolderListing> ListFolder(
        NetAddress host, const std::string& share, const std::vector<std::string>& folders) = 0;
    // The search is done with this host (its connection may go).
    virtual void HostDone(NetAddress host) { (void)host; }
};

// One row of the results list.
struct SearchResult {
    std::string name;       // "Filename"
    std::string size_text;  // "Size"
    std::string time_text;  // "Date/Time"
    std::string path;       // "Full path": \\addr\share\dir\name
    std::string host;       // the host's address, dotted
    std::string share;
    uint64_t size = 0;
    std::time_t mtime = 0;
};

// What the search shows, in this order: Started, then per folder ShowFolder, the rows found (in
// walk order, in batches that may cover several folders, all of a share's before its
// ShowProgress), per share ShowProgress, and Ended. Called on the
// search thread; an implementation hands each call to its display and may drop it once the
// display is gone.
class SearchView {
public:
    virtual ~SearchView() = default;
    // The button becomes "Stop", the mask field is disabled, the results list is emptied.
    virtual void SearchStarted() = 0;
    virtual void ShowFolder(const std::string& path) = 0;
    // Rows to append, in walk order.
    virtual void AddResults(std::vector<SearchResult> rows) = 0;
    virtual void ShowProgress(const std::string& text) = 0;
    // The label reads "End", the button "Start", the mask field is enabled again.
    virtual void SearchEnded() = 0;
};

// Bounds of one share's walk where the server reports no file ids, so that a folder that
// contains itself (a symlink to its parent) cannot keep the walk going for ever.
inline constexpr std::size_t kMaxWalkDepth = 64;
inline constexpr std::size_t kMaxWalkPathLength = 4096;
// Two such links in one folder make the paths within those bounds grow as 2^depth, so the
// folders listed without an id are counted too: a share walk ends after this many.
inline constexpr std::size_t kMaxListingsWithoutIds = 65536;

// How often found rows are handed to the view while a share is walked.
inline constexpr std::chrono::milliseconds kResultBatchInterval{100};

// The global file search: one thread walks the shares of every host of the host table that has
// some, host by host in table order (hosts a running scan adds are visited too), depth first,
// and lists the files whose names match one of the masks. Start and the stop calls may come
// from any thread.
class FileSearch {
public:
    FileSearch(HostTable& hosts, ShareFolderSource& folders, SearchView& view);
    // Aborts a running search and waits for its thread.
    ~FileSearch();
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // Starts a search over the masks of mask_text; false (and nothing happens) while one runs.
    bool Start(std::string mask_text);
    // Ends the search after the share being walked (the Stop button).
    void RequestStop() { stop_requested_ = true; }
    // Ends the search at once, between two directory entries (the window is closing).
    void Abort();
    bool Running() const { return running_; }
    // Waits for the search thread; true when none runs any more.
    bool WaitFinished(std::chrono::milliseconds timeout);

    // The whole search on the calling thread (corvimap-scan). Returns when it has ended.
    void RunHere(const std::string& mask_text);

private:
    class ShareWalk;
    void Run(const std::string& mask_text);

    HostTable& hosts_;
    ShareFolderSource& folders_;
    SearchView& view_;
    std::atomic<int32_t> running_{0};
    std::atomic<int32_t> stop_requested_{0};
    std::atomic<bool> aborted_{false};
    std::mutex thread_mutex_;
    std::thread thread_;
    std::mutex finished_mutex_;
    std::condition_variable finished_;
};

}  // namespace corvimap
