// Output of the local Samba tools, which the monitor reads every few seconds: `testparm -s`,
// `net usershare info --long`, `smbstatus --json` and its time stamps. The first byte picks the
// reader. None crashes; each keeps the promises its callers rely on.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "localshares/samba_status_parser.h"

namespace {

using namespace corvimap;

void CheckShares(const std::vector<LocalShare>& shares) {
    for (const LocalShare& share : shares) {
        FUZZ_CHECK(share.max_uses == -1 || share.max_uses > 0);
        FUZZ_CHECK(share.current_uses == 0);
    }
}

void CheckTestparm(std::string_view text) {
    const SambaConfigShares config = ParseTestparmShares(text);
    CheckShares(config.shares);
    for (const LocalShare& share : config.shares) {
        FUZZ_CHECK(FoldCase(share.net_name) != "global");
        FUZZ_CHECK(text.find("[" + share.net_name + "]") != std::string_view::npos);
    }
}

void CheckUsershares(std::string_view text) {
    const std::vector<LocalShare> shares = ParseUsershareInfo(text);
    CheckShares(shares);
    FUZZ_CHECK(shares.size() <= static_cast<size_t>(std::count(text.begin(), text.end(), '[')));
}

void CheckSmbstatus(std::string_view text) {
    const SambaStatus status = ParseSmbstatusJson(text);
    if (!status.sessions) {
        // Without sessions nothing else of the document is trusted.
        FUZZ_CHECK(status.share_uses.empty() && !status.open_files);
        return;
    }
    for (const SambaSession& session : *status.sessions) {
        FUZZ_CHECK(session.user_name != "(auth in progress)");
    }
    for (const auto& [share, uses] : status.share_uses) {
        FUZZ_CHECK(FoldCase(share) == share && uses > 0);
    }
    if (status.open_files) {
        std::set<std::pair<std::string, std::string>> seen;
        for (const LocalOpenFile& file : *status.open_files) {
            FUZZ_CHECK((file.access & ~uint32_t{kFileAccessRead | kFileAccessWrite}) == 0);
            FUZZ_CHECK(seen.emplace(file.path, file.user_name).second);  // one per user and path
        }
    }
}

// A time that reads, written back as UTC, reads as the same second.
void CheckTime(std::string_view text) {
    const std::optional<int64_t> seconds = ParseSambaTime(text);
    if (!seconds) {
        return;
    }
    const std::time_t when = static_cast<std::time_t>(*seconds);
    std::tm utc{};
    if (gmtime_r(&when, &utc) == nullptr || utc.tm_year + 1900 < 1000 ||
        utc.tm_year + 1900 > 9999) {
        return;
    }
    char written[40];
    std::strftime(written, sizeof written, "%Y-%m-%dT%H:%M:%S", &utc);
    FUZZ_CHECK(ParseSambaTime(std::string(written) + "Z") == seconds);
    FUZZ_CHECK(ParseSambaTime(std::string(written) + ".5+00:00") == seconds);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text = fuzz::AsText(data + 1, size - 1);
    switch (data[0] % 4) {
        case 0:
            CheckTestparm(text);
            break;
        case 1:
            CheckUsershares(text);
            break;
        case 2:
            CheckSmbstatus(text);
            break;
        default:
            CheckTime(text);
            break;
    }
    return 0;
}
