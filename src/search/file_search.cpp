#include "search/file_search.h"

#include <cstdio>
#include <unordered_set>

#include "search/mask_match.h"
#include "text/pipe_list.h"

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

// The depth-first walk of one share. Rows found are collected in walk order and handed to the
// view in batches (every kResultBatchInterval and at the end of the share), since each hand-over
// to the window costs a wake-up of its thread.
class FileSearch::ShareWalk {
public:
    ShareWalk(FileSearch& search, const std::vector<std::string>& masks, NetAddress host,
              std::string share)
        : search_(search),
          masks_(masks),
          host_(host),
          host_text_(FormatAddress(host)),
          share_(std::move(share)) {}

    // Returns the number of rows found.
    std::size_t Walk() {
        std::vector<std::string> folders;
        WalkFolder(folders, "\\\\" + host_text_ + "\\" + share_);
        Flush();
        return found_;
    }

private:
    void WalkFolder(std::vector<std::string>& folders, std::string path) {
        if (path.empty() || path.back() != '\\') {
            path += '\\';
        }
        search_.view_.ShowFolder(path);
        auto listing = search_.folders_.ListFolder(host_, share_, folders);
        if (!listing) {
            return;
        }
        // A folder reached a second time (through a link on the server) is not walked again.
        if (listing->folder_id != 0 && !visited_.insert(listing->folder_id).second) {
            return;
        }
        if (listing->folder_id == 0) {
            ++listed_without_id_;
        }
        for (ShareFolderEntry& entry : listing->entries) {
            if (search_.aborted_) {
                break;
            }
            if (entry.folder) {
                if (!ShouldEnter(entry, folders, path)) {
                    continue;
                }
                FlushIfDue();
                folders.push_back(entry.name);
                WalkFolder(folders, path + entry.name);
                folders.pop_back();
                continue;
            }
            for (const std::string& mask : masks_) {
                if (MaskMatches(mask, entry.name)) {
                    pending_.push_back(MakeRow(entry, path));
                }
            }
        }
        FlushIfDue();
    }

    bool ShouldEnter(const ShareFolderEntry& entry, const std::vector<std::string>& folders,
                     const std::string& path) const {
        if (entry.file_id != 0 && visited_.count(entry.file_id) != 0) {
            return false;
        }
        // Without file ids only the bounds stop a loop.
        if (entry.file_id == 0 && listed_without_id_ >= kMaxListingsWithoutIds) {
            return false;
        }
        return folders.size() < kMaxWalkDepth &&
               path.size() + entry.name.size() < kMaxWalkPathLength;
    }

    SearchResult MakeRow(const ShareFolderEntry& entry, const std::string& path) const {
        SearchResult row;
        row.name = entry.name;
        row.size_text = ResultSizeText(entry.size);
        row.time_text = ResultTimeText(static_cast<std::time_t>(entry.mtime));
        row.path = path + entry.name;
        row.host = host_text_;
        row.share = share_;
        row.size = entry.size;
        row.mtime = static_cast<std::time_t>(entry.mtime);
        return row;
    }

    void FlushIfDue() {
        if (!pending_.empty() && Clock::now() - last_flush_ >= kResultBatchInterval) {
            Flush();
        }
    }

    void Flush() {
        last_flush_ = Clock::now();
        if (pending_.empty()) {
            return;
        }
        found_ += pending_.size();
        search_.view_.AddResults(std::move(pending_));
        pending_.clear();
    }

    FileSearch& search_;
    const std::vector<std::string>& masks_;
    NetAddress host_;
    std::string host_text_;
    std::string share_;
    std::unordered_set<uint64_t> visited_;
    std::vector<SearchResult> pending_;
    Clock::time_point last_flush_ = Clock::now();
    std::size_t found_ = 0;
    std::size_t listed_without_id_ = 0;
};

FileSearch::FileSearch(HostTable& hosts, ShareFolderSource& folders, SearchView& view)
    : hosts_(hosts), folders_(folders), view_(view) {}

FileSearch::~FileSearch() {
    Abort();
    const std::lock_guard lock(thread_mutex_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool FileSearch::Start(std::string mask_text) {
    // The flag is set before the thread starts, so a second press never starts a second search.
    int32_t idle = 0;
    if (aborted_ || !running_.compare_exchange_strong(idle, 1)) {
        return false;
    }
    stop_requested_ = 0;
    const std::lock_guard lock(thread_mutex_);
    // The thread of the last search has cleared its flag and only returns.
    if (thread_.joinable()) {
        thread_.join();
    }
    thread_ = std::thread([this, text = std::move(mask_text)] { Run(text); });
    return true;
}

void FileSearch::Abort() {
    aborted_ = true;
    stop_requested_ = 1;
}

bool FileSearch::WaitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock lock(finished_mutex_);
    return finished_.wait_for(lock, timeout, [this] { return running_ == 0; });
}

void FileSearch::RunHere(const std::string& mask_text) {
    int32_t idle = 0;
    if (!running_.compare_exchange_strong(idle, 1)) {
        return;
    }
    stop_requested_ = 0;
    Run(mask_text);
}

void FileSearch::Run(const std::string& mask_text) {
    view_.SearchStarted();
    hosts_.ResetShareWalk();
    const std::vector<std::string> masks = SplitMasks(mask_text);
    int hosts = 0;
    int shares = 0;
    std::size_t files = 0;
    bool stopped = false;
    while (!stopped) {
        const std::optional<ShareHost> host = hosts_.NextShareHost();
        if (!host) {
            break;
        }
        ++hosts;
        for (std::size_t i = 0;; ++i) {
            const auto share = PipeField(host->shares, i);
            if (!share) {
                break;
            }
            // The share being walked always completes; the stop is seen here.
            if (stop_requested_ != 0) {
                stopped = true;
                break;
            }
            files += ShareWalk(*this, masks, host->address, std::string(*share)).Walk();
            ++shares;
            char progress[96];
            std::snprintf(progress, sizeof(progress),
                          "Searching... Hosts: %d, shares: %d, found files: %d", hosts, shares,
                          static_cast<int>(files));
            view_.ShowProgress(progress);
        }
        folders_.HostDone(host->address);
        stopped = stopped || stop_requested_ != 0;
    }
    view_.SearchEnded();
    {
        const std::lock_guard lock(finished_mutex_);
        running_ = 0;
    }
    finished_.notify_all();
}

}  // namespace corvimap
