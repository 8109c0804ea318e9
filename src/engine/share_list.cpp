#include "engine/share_list.h"

#include "text/pipe_list.h"
#include "text/utf8_cut.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <mutex>

#include <libsmbclient.h>

namespace corvimap {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::array<uint16_t, 2> kSmbPorts = {445, 139};

// The SMB port of the host that accepts a TCP connection first, 445 when both do at once;
// 0 when neither does within the time-out or the cancel fired.
uint16_t FindOpenSmbPort(NetAddress address, int timeout_ms, const WaitCancel* cancel) {
    std::array<pollfd, kSmbPorts.size()> entries{};
    uint16_t found = 0;
    for (size_t i = 0; i < kSmbPorts.size(); ++i) {
        entries[i].fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        entries[i].events = POLLOUT;
        if (entries[i].fd < 0) {
            continue;
        }
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(kSmbPorts[i]);
        target.sin_addr.s_addr = address;
        if (connect(entries[i].fd, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) ==
            0) {
            found = found != 0 ? found : kSmbPorts[i];
        } else if (errno != EINPROGRESS) {
            close(entries[i].fd);
            entries[i].fd = -1;
        }
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (found == 0) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const bool any_pending = std::any_of(entries.begin(), entries.end(),
                                             [](const pollfd& entry) { return entry.fd >= 0; });
        if (!any_pending || remaining.count() <= 0 || IsCancelled(cancel)) {
            break;
        }
        // poll() skips the negative descriptors of ports already refused.
        const int ready = PollOrCancel(entries, remaining + std::chrono::milliseconds(1), cancel);
        if (ready < 0) {
            break;
        }
        for (size_t i = 0; i < entries.size() && ready > 0; ++i) {
            if (entries[i].fd < 0 || entries[i].revents == 0) {
                continue;
            }
            int error = 0;
            socklen_t length = sizeof(error);
            if (getsockopt(entries[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                error == 0 && (entries[i].revents & POLLOUT) != 0) {
                found = found != 0 ? found : kSmbPorts[i];
            } else {
                close(entries[i].fd);
                entries[i].fd = -1;
            }
        }
    }
    for (const pollfd& entry : entries) {
        if (entry.fd >= 0) {
            close(entry.fd);
        }
    }
    return found;
}

// Anonymous log-on: no workgroup, user or password.
void AnonymousAuth(SMBCCTX*, const char*, const char*, char* workgroup, int workgroup_length,
                   char* user, int user_length, char* password, int password_length) {
    if (workgroup_length > 0) {
        workgroup[0] = '\0';
    }
    if (user_length > 0) {
        user[0] = '\0';
    }
    if (password_length > 0) {
        password[0] = '\0';
    }
}

// libsmbclient keeps process-wide state (its talloc stack, the loaded configuration, a count
// of contexts) that it guards only through thread callbacks, and the library as packaged here
// does not even export smbc_thread_posix() to install them. So every use of the library goes
// through this lock; the TCP check before it keeps dead hosts from holding it.
std::mutex& LibraryLock() {
    static std::mutex lock;
    return lock;
}

SMBCCTX* NewContext(uint16_t port, int reply_ms) {
    SMBCCTX* context = smbc_new_context();
    if (context == nullptr) {
        return nullptr;
    }
    smbc_setDebug(context, 0);
    smbc_setOptionUseKerberos(context, 0);
    smbc_setOptionFallbackAfterKerberos(context, 1);
    smbc_setOptionUseCCache(context, 0);
    smbc_setOptionNoAutoAnonymousLogin(context, 0);
    smbc_setFunctionAuthDataWithContext(context, AnonymousAuth);
    smbc_setPort(context, port);
    smbc_setTimeout(context, reply_ms);
    if (smbc_init_context(context) == nullptr) {
        smbc_free_context(context, 1);
        return nullptr;
    }
    return context;
}

// Freeing the last context unloads the library's configuration, and the next context loads it
// again; one context kept for the whole run avoids that churn. Under the library lock.
void KeepConfigurationLoaded(int reply_ms) {
    static SMBCCTX* const keep_loaded = NewContext(0, reply_ms);
    (void)keep_loaded;
}

// One context per listing, created and freed under the library lock.
class SmbContext {
public:
    SmbContext(uint16_t port, int reply_ms) {
        KeepConfigurationLoaded(reply_ms);
        context_ = NewContext(port, reply_ms);
    }
    ~SmbContext() {
        if (context_ != nullptr) {
            smbc_free_context(context_, 1);
        }
    }
    SmbContext(const SmbContext&) = delete;
    SmbContext& operator=(const SmbContext&) = delete;

    SMBCCTX* get() const { return context_; }

private:
    SMBCCTX* context_ = nullptr;
};

// Lists the shares through one context. The errno of the failure when the host's share list
// could not be opened.
struct Listing {
    bool opened = false;
    int error = 0;
    std::string shares;
};

Listing ListThrough(const SmbContext& context, NetAddress address) {
    Listing listing;
    SMBCCTX* ctx = context.get();
    if (ctx == nullptr) {
        listing.error = ENOMEM;
        return listing;
    }
    const std::string url = "smb://" + FormatAddress(address) + "/";
    errno = 0;
    SMBCFILE* directory = smbc_getFunctionOpendir(ctx)(ctx, url.c_str());
    if (directory == nullptr) {
        listing.error = errno;
        return listing;
    }
    listing.opened = true;
    while (const smbc_dirent* entry = smbc_getFunctionReaddir(ctx)(ctx, directory)) {
        if (entry->smbc_type == SMBC_FILE_SHARE) {
            AppendField(listing.shares, CutUtf8(entry->name, kShareNameLimit));
        }
    }
    smbc_getFunctionClosedir(ctx)(ctx, directory);
    return listing;
}

// Failures that speaking SMB1 cannot mend: the host took too long, or it refused the anonymous
// log-on. Everything else may be a host that refused the newer dialects: an SMB1-only server
// ends the negotiation (ECONNABORTED from Samba) or answers that it knows none of them.
bool MaySpeakOnlySmb1(int error) {
    return error != ETIMEDOUT && error != EACCES && error != EPERM && error != ENOMEM;
}

// The library keeps its protocol range in the process-wide configuration, not in a context, so
// the range is narrowed to SMB1 only for one listing (under the library lock) and then set back
// to Samba's defaults, SMB2 up to the newest dialect. The library cannot read a range back, so
// one that the system's smb.conf set is not restored; hosts then still get both tries.
class Smb1OnlyScope {
public:
    explicit Smb1OnlyScope(const SmbContext& context) : context_(context) {
        if (context_.get() != nullptr) {
            smbc_setOptionProtocols(context_.get(), "NT1", "NT1");
        }
    }
    ~Smb1OnlyScope() {
        if (context_.get() != nullptr) {
            smbc_setOptionProtocols(context_.get(), "SMB2_02", "default");
        }
    }
    Smb1OnlyScope(const Smb1OnlyScope&) = delete;
    Smb1OnlyScope& operator=(const Smb1OnlyScope&) = delete;

private:
    const SmbContext& context_;
};

}  // namespace

std::string ListShares(NetAddress address, const ShareListTimeouts& timeouts,
                       const WaitCancel* cancel) {
    const uint16_t port = FindOpenSmbPort(address, timeouts.connect_ms, cancel);
    if (port == 0) {
        return {};
    }
    const std::lock_guard<std::mutex> lock(LibraryLock());
    // Other probes may have held the library for a reply time each meanwhile.
    if (IsCancelled(cancel)) {
        return {};
    }
    const auto start = Clock::now();
    Listing listing;
    {
        const SmbContext context(port, timeouts.reply_ms);
        listing = ListThrough(context, address);
    }
    if (listing.opened || !MaySpeakOnlySmb1(listing.error)) {
        return listing.shares;
    }
    // Old NAS boxes, printers and Windows machines speak only SMB1: ask once more over it, in
    // what is left of the reply time.
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    const int remaining_ms = timeouts.reply_ms - static_cast<int>(spent);
    if (remaining_ms <= 0) {
        return {};
    }
    const SmbContext context(port, remaining_ms);
    const Smb1OnlyScope smb1_only(context);
    return ListThrough(context, address).shares;
}

ShareFolderReader::ShareFolderReader(NetAddress address, const ShareListTimeouts& timeouts,
                                     const WaitCancel* cancel)
    : address_(address), cancel_(cancel) {
    const uint16_t port = FindOpenSmbPort(address, timeouts.connect_ms, cancel);
    if (port == 0) {
        return;
    }
    const std::lock_guard<std::mutex> lock(LibraryLock());
    if (IsCancelled(cancel)) {
        return;
    }
    KeepConfigurationLoaded(timeouts.reply_ms);
    context_ = NewContext(port, timeouts.reply_ms);
}

ShareFolderReader::~ShareFolderReader() {
    if (context_ != nullptr) {
        const std::lock_guard<std::mutex> lock(LibraryLock());
        smbc_free_context(context_, 1);
    }
}

std::string ShareFolderUrl(NetAddress address, std::string_view share,
                           const std::vector<std::string>& folders) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "smb://" + FormatAddress(address);
    auto append_name = [&url](std::string_view name) {
        url += '/';
        for (const char c : name) {
            const auto byte = static_cast<unsigned char>(c);
            if (std::isalnum(byte) != 0 && byte < 0x80) {
                url += c;
            } else if (c == '-' || c == '.' || c == '_' || c == '~') {
                url += c;
            } else {
                url += '%';
                url += kHex[byte >> 4];
                url += kHex[byte & 0xF];
            }
        }
    };
    append_name(share);
    for (const std::string& folder : folders) {
        append_name(folder);
    }
    url += '/';
    return url;
}

std::optional<ShareFolderListing> ShareFolderReader::List(std::string_view share,
                                                          const std::vector<std::string>& folders) {
    if (context_ == nullptr || lost_) {
        return std::nullopt;
    }
    const std::string url = ShareFolderUrl(address_, share, folders);
    const std::lock_guard<std::mutex> lock(LibraryLock());
    if (IsCancelled(cancel_)) {
        return std::nullopt;
    }
    SMBCFILE* directory = smbc_getFunctionOpendir(context_)(context_, url.c_str());
    if (directory == nullptr) {
        // A host that went away would cost a reply time-out, then a connect attempt of the
        // library's own (20 s) for every folder still to go; one such failure ends its listing.
        const int error = errno;
        lost_ = lost_ || error == ETIMEDOUT || error == ECONNRESET || error == ECONNREFUSED ||
                error == ECONNABORTED || error == EHOSTUNREACH || error == ENETUNREACH ||
                error == EHOSTDOWN || error == EPIPE || error == ENOTCONN;
        return std::nullopt;
    }
    ShareFolderListing listing;
    // The stat form costs several microseconds of CPU per entry, more than the listing's share
    // of the round trips; it is used only until "." (listed first) has given the folder's id.
    const auto read_with_id = smbc_getFunctionReaddirPlus2(context_);
    const auto read_plain = smbc_getFunctionReaddirPlus(context_);
    bool want_id = true;
    struct stat status {};
    while (const libsmb_file_info* info = want_id ? read_with_id(context_, directory, &status)
                                                  : read_plain(context_, directory)) {
        const std::string_view name = info->name != nullptr ? info->name : "";
        const bool folder = (info->attrs & 0x10) != 0;  // FILE_ATTRIBUTE_DIRECTORY
        if (name == ".") {
            listing.folder_id = want_id ? status.st_ino : 0;
            want_id = false;
            continue;
        }
        if (name.empty() || name == "..") {
            continue;
        }
        listing.entries.push_back(
            ShareFolderEntry{std::string(name), folder, info->size, info->mtime_ts.tv_sec,
                             want_id ? static_cast<uint64_t>(status.st_ino) : 0});
    }
    smbc_getFunctionClosedir(context_)(context_, directory);
    return listing;
}

}  // namespace corvimap
