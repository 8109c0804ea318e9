#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "localshares/local_share_records.h"

namespace corvimap {

// Readers of the Samba tools' output. Pure functions, callable from any thread; none throws.

// The shares of `testparm -s` (or `-sv`): every section but [global] and printer or unavailable
// sections, with "path", "comment", "read only" and "max connections" ("0" or absent: no limit);
// [global]'s values of the last two are the shares' defaults. `usershares` tells whether the
// configuration allows user shares ("usershare max shares" above 0).
struct SambaConfigShares {
    std::vector<LocalShare> shares;
    bool usershares = false;
    std::string usershare_path;  // as [global] gives them; empty when not printed
    std::string pid_directory;
};
SambaConfigShares ParseTestparmShares(std::string_view text);

// The shares of `net usershare info --long` (sections of "path=", "comment=" and "guest_ok="
// lines; a user share without write access in its "usershare_acl" is read only).
std::vector<LocalShare> ParseUsershareInfo(std::string_view text);

// One client session of `smbstatus --json`.
struct SambaSession {
    std::string session_id;
    std::string client_name;  // "remote_machine"
    std::string user_name;
    std::optional<int64_t> connected_at;  // earliest tree connection; none without one
};

// What `smbstatus --json` said. Each kind is read on its own; a kind whose part of the document
// is missing, truncated or of the wrong type is absent, so the caller keeps its previous records.
struct SambaStatus {
    std::optional<std::vector<SambaSession>> sessions;  // without "(auth in progress)" ones
    // Tree connections per share name folded to lower case; present with the sessions.
    std::map<std::string, uint32_t> share_uses;
    std::optional<std::vector<LocalOpenFile>> open_files;  // one per user and path
};
SambaStatus ParseSmbstatusJson(std::string_view text);

// "2026-12-07T01:10:36.996443+00:00" (fraction and offset optional; "Z" allowed) as seconds
// since 1970 UTC; none when malformed.
std::optional<int64_t> ParseSambaTime(std::string_view text);

// ASCII lower case, for share names and case-insensitive keys.
std::string FoldCase(std::string_view text);

}  // namespace corvimap
