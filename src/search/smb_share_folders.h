#pragma once

#include <memory>

#include "engine/share_list.h"
#include "search/file_search.h"

namespace corvimap {

// The search's folders through libsmbclient: one anonymous connection per host, kept while the
// search walks that host's shares. Search thread only. A cancel (may be null; it must outlive
// this object) that fires makes every listing fail without waiting (the program is ending).
class SmbShareFolders final : public ShareFolderSource {
public:
    explicit SmbShareFolders(ShareListTimeouts timeouts = {}, const WaitCancel* cancel = nullptr)
        : timeouts_(timeouts), cancel_(cancel) {}

    std::optional<ShareFolderListing> ListFolder(NetAddress host, const std::string& share,
                                                 const std::vector<std::string>& folders) override;
    void HostDone(NetAddress host) override;

private:
    ShareListTimeouts timeouts_;
    const WaitCancel* cancel_;
    NetAddress host_ = 0;
    std::unique_ptr<ShareFolderReader> reader_;
};

}  // namespace corvimap
