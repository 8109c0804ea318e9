#include "engine/host_notices.h"

#include <utility>

#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

std::string EscapeMarkup(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string NoticeLine(const HostNotice& notice) {
    if (notice.kind == HostNotice::Kind::Dead) {
        return std::string(StringTable::Lookup(text_id::kDeadHost)) + ": " +
               FormatAddress(notice.address);
    }
    return std::string(StringTable::Lookup(text_id::kFoundNewHost)) + ": " +
           FormatAddress(notice.address) + " (" + notice.name + ")";
}

}  // namespace

bool HostNoticeBatch::Add(HostNotice notice) {
    std::lock_guard lock(mutex_);
    notices_.push_back(std::move(notice));
    return notices_.size() == 1;
}

std::vector<HostNotice> HostNoticeBatch::Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
}

NotificationText FormatHostNotices(const std::vector<HostNotice>& notices, std::size_t max_lines) {
    std::size_t found = 0;
    NotificationText text;
    for (std::size_t k = 0; k < notices.size(); ++k) {
        found += notices[k].kind == HostNotice::Kind::Found ? 1 : 0;
        if (k < max_lines) {
            text.body += (k == 0 ? "" : "\n") + EscapeMarkup(NoticeLine(notices[k]));
        }
    }
    if (notices.size() > max_lines) {
        text.body += "\n... and " + std::to_string(notices.size() - max_lines) + " more";
    }
    const std::size_t dead = notices.size() - found;
    auto part = [](int32_t id, std::size_t count) {
        return std::string(StringTable::Lookup(id)) +
               (count > 1 ? " (" + std::to_string(count) + ")" : "");
    };
    if (found > 0) {
        text.summary = part(text_id::kFoundNewHost, found);
    }
    if (dead > 0) {
        text.summary += (found > 0 ? ", " : "") + part(text_id::kDeadHost, dead);
    }
    return text;
}

}  // namespace corvimap
