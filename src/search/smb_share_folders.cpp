#include "search/smb_share_folders.h"

namespace corvimap {

std::optional<ShareFolderListing> SmbShareFolders::ListFolder(
    NetAddress host, const std::string& share, const std::vector<std::string>& folders) {
    if (!reader_ || host_ != host) {
        reader_ = std::make_unique<ShareFolderReader>(host, timeouts_, cancel_);
        host_ = host;
    }
    return reader_->List(share, folders);
}

void SmbShareFolders::HostDone(NetAddress host) {
    if (reader_ && host_ == host) {
        reader_.reset();
    }
}

}  // namespace corvimap
