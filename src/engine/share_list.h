#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ipv4.h"
#include "engine/wait_cancel.h"

struct _SMBCCTX;  // libsmbclient's context

namespace corvimap {

// Share names are cut to this many bytes, never inside a UTF-8 sequence.
inline constexpr size_t kShareNameLimit = 100;

struct ShareListTimeouts {
    // How long the TCP connection to the host's SMB port (445, else 139) may take. Without a
    // bound of our own a host that drops SMB packets would hold its probe for 20 s per port.
    int connect_ms = 1500;
    // How long each SMB request may wait for its answer. A host that refuses the newer dialects
    // is asked again over SMB1 in what is left of this time after the first try.
    int reply_ms = 5000;
};

// Lists the disk shares of the host at the address (hidden "$" shares too; printers, IPC and
// devices left out) in the server's order, joined by "|". Logs on anonymously, with the
// system's SMB dialects first and over SMB1 (NT1) when the host refuses those. Empty when the
// host has no disk share or cannot be listed for any reason.
//
// A cancel (may be null) ends the TCP check at once and the wait for another thread's listing
// with nothing listed. The library's own requests cannot be woken: one under way when the cancel
// fires still ends only on its answer or reply_ms.
std::string ListShares(NetAddress address, const ShareListTimeouts& timeouts = {},
                       const WaitCancel* cancel = nullptr);

// One entry of a folder listing, with what the listing itself reports (no request per entry).
struct ShareFolderEntry {
    std::string name;  // UTF-8, as the server lists it
    bool folder = false;
    uint64_t size = 0;
    int64_t mtime = 0;     // last write, seconds since the epoch
    uint64_t file_id = 0;  // the server's file id, 0 when it reports none or was not asked
};

struct ShareFolderListing {
    uint64_t folder_id = 0;                 // the listed folder's own file id ("."), 0 if unknown
    std::vector<ShareFolderEntry> entries;  // listing order, "." and ".." left out
};

// Lists folders on the shares of one host over one anonymous connection. Every libsmbclient
// call takes the same process-wide lock as ListShares, for one folder at a time, so a share
// walk never holds the library away from the scan's share listing for longer than that. One
// object belongs to one thread at a time. A cancel (may be null; it must outlive the reader)
// cuts the TCP check and the waits for the lock short, as for ListShares; every List after it
// fails at once.
class ShareFolderReader {
public:
    explicit ShareFolderReader(NetAddress address, const ShareListTimeouts& timeouts = {},
                               const WaitCancel* cancel = nullptr);
    ~ShareFolderReader();
    ShareFolderReader(const ShareFolderReader&) = delete;
    ShareFolderReader& operator=(const ShareFolderReader&) = delete;

    // Lists the folder `folders` (names, outermost first; none: the share's top) of the share.
    // Nothing when the folder cannot be opened (no access, gone, host down). Once the host has
    // stopped answering (time-out, connection lost or refused) every later call fails at once.
    std::optional<ShareFolderListing> List(std::string_view share,
                                           const std::vector<std::string>& folders);

private:
    NetAddress address_;
    const WaitCancel* cancel_;
    _SMBCCTX* context_ = nullptr;
    bool lost_ = false;
};

// The folder's smb:// URL for libsmbclient: every name byte outside letters, digits and
// "-._~" percent-encoded, since the library decodes "%" and stops the path at "?" or "#".
std::string ShareFolderUrl(NetAddress address, std::string_view share,
                           const std::vector<std::string>& folders);

}  // namespace corvimap
