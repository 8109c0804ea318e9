// The search's walk over share listings of any shape a server can send: names of any bytes,
// folders that lead back to their parents, with and without file ids. The walk ends, reports
// only files whose names match a mask under the path it walked, and with file ids lists no
// folder twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>
#include <vector>

#include "engine/host_table.h"
#include "fuzz_check.h"
#include "search/file_search.h"
#include "search/mask_match.h"

namespace {

using namespace corvimap;

// A server that answers this often then goes away: enough to reach the walk's depth bound a few
// times over; every listing costs a run time in proportion to the path's depth.
constexpr size_t kMaxListings = 4 * kMaxWalkDepth;
// Names long enough that the walk's path length bound is reached before its depth bound.
constexpr size_t kMaxNameBytes = 2 * kMaxWalkPathLength / kMaxWalkDepth;

struct Node {
    ShareFolderListing listing;
    std::vector<size_t> targets;  // per entry, the node a folder entry leads to
};

// A share as a graph of folders; each folder entry leads to one of the nodes, itself included.
class FuzzedShare final : public ShareFolderSource {
public:
    FuzzedShare(FuzzedDataProvider& input, bool ids) : ids_(ids) {
        nodes_.resize(input.ConsumeIntegralInRange<size_t>(1, 8));
        for (size_t n = 0; n < nodes_.size(); ++n) {
            nodes_[n].listing.folder_id = ids ? n + 1 : 0;
            const size_t entries = input.ConsumeIntegralInRange<size_t>(0, 6);
            for (size_t e = 0; e < entries; ++e) {
                ShareFolderEntry entry;
                entry.name = input.ConsumeRandomLengthString(kMaxNameBytes);
                entry.folder = input.ConsumeBool();
                entry.size = input.ConsumeIntegral<uint64_t>();
                entry.mtime = input.ConsumeIntegral<int32_t>();
                const size_t target = input.ConsumeIntegralInRange<size_t>(0, nodes_.size() - 1);
                if (HasName(nodes_[n].listing, entry.name)) {
                    continue;  // a folder never lists one name twice
                }
                entry.file_id = ids && entry.folder ? target + 1 : 0;
                nodes_[n].listing.entries.push_back(entry);
                nodes_[n].targets.push_back(target);
            }
        }
    }

    std::optional<ShareFolderListing> ListFolder(NetAddress, const std::string&,
                                                 const std::vector<std::string>& folders) override {
        FUZZ_CHECK(folders.size() <= kMaxWalkDepth);
        if (++listings_ > kMaxListings) {
            return std::nullopt;
        }
        // Follow the path from the top: the walk names folders, the share maps them to nodes.
        // The part the previous path shares with this one was followed then already.
        size_t same = 0;
        while (same < folders.size() && same < path_.size() && folders[same] == path_[same]) {
            ++same;
        }
        path_.resize(same);
        path_nodes_.resize(same + 1);
        for (size_t k = same; k < folders.size(); ++k) {
            path_nodes_.push_back(Enter(path_nodes_.back(), folders[k]));
            path_.push_back(folders[k]);
        }
        const size_t node = path_nodes_.back();
        ++listed_[node];
        FUZZ_CHECK(!ids_ || listed_[node] == 1);
        return nodes_[node].listing;
    }

    size_t FilesListed() const {
        size_t files = 0;
        for (const auto& [node, times] : listed_) {
            for (const ShareFolderEntry& entry : nodes_[node].listing.entries) {
                files += entry.folder ? 0 : times;
            }
        }
        return files;
    }

private:
    // The node a folder entry of `node` leads to.
    size_t Enter(size_t node, const std::string& folder) const {
        const Node& at = nodes_[node];
        for (size_t e = 0; e < at.listing.entries.size(); ++e) {
            if (at.listing.entries[e].folder && at.listing.entries[e].name == folder) {
                return at.targets[e];
            }
        }
        FUZZ_CHECK(false);  // the walk only enters folders it was shown
        return 0;
    }

    static bool HasName(const ShareFolderListing& listing, const std::string& name) {
        for (const ShareFolderEntry& entry : listing.entries) {
            if (entry.name == name) {
                return true;
            }
        }
        return false;
    }

    const bool ids_;
    std::vector<Node> nodes_;
    std::map<size_t, size_t> listed_;
    std::vector<std::string> path_;      // the folders of the previous listing
    std::vector<size_t> path_nodes_{0};  // the node each part of path_ leads to, the top first
    size_t listings_ = 0;
};

class CheckingView final : public SearchView {
public:
    explicit CheckingView(std::vector<std::string> masks) : masks_(std::move(masks)) {}
    void SearchStarted() override {
        FUZZ_CHECK(!started_ && !ended_);
        started_ = true;
    }
    void ShowFolder(const std::string& path) override {
        FUZZ_CHECK(started_ && !ended_ && path.starts_with(kSharePath) && path.ends_with('\\'));
    }
    void AddResults(std::vector<SearchResult> rows) override {
        FUZZ_CHECK(started_ && !ended_ && !rows.empty());
        for (const SearchResult& row : rows) {
            bool matched = false;
            for (const std::string& mask : masks_) {
                matched = matched || MaskMatches(mask, row.name);
            }
            FUZZ_CHECK(matched);
            FUZZ_CHECK(row.path.starts_with(kSharePath) && row.path.ends_with("\\" + row.name));
            FUZZ_CHECK(row.host == "198.18.0.11" && row.share == "data");
            FUZZ_CHECK(row.size_text == ResultSizeText(row.size));
        }
        results_ += rows.size();
    }
    void ShowProgress(const std::string&) override { ++progress_; }
    void SearchEnded() override {
        FUZZ_CHECK(started_ && !ended_);
        ended_ = true;
    }

    static constexpr std::string_view kSharePath = "\\\\198.18.0.11\\data\\";
    bool started_ = false;
    bool ended_ = false;
    size_t results_ = 0;
    size_t progress_ = 0;

private:
    std::vector<std::string> masks_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ids = input.ConsumeBool();
    const std::string mask_text = input.ConsumeRandomLengthString(40);
    FuzzedShare share(input, ids);
    HostTable hosts;
    const HostHandle host = hosts.AddOrUpdate(InetAddr("198.18.0.11"), 100, "FILESRV", "LABGROUP",
                                              MacBlock{}, HostState::Known);
    hosts.AttachMarker(host, HostMarker{kSharesMarker, "data"});
    const std::vector<std::string> masks = SplitMasks(mask_text);
    CheckingView view(masks);
    FileSearch search(hosts, share, view);
    search.RunHere(mask_text);
    FUZZ_CHECK(view.started_ && view.ended_ && view.progress_ == 1);
    FUZZ_CHECK(view.results_ <= share.FilesListed() * masks.size());
    return 0;
}
