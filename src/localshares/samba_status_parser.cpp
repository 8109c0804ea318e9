#include "localshares/samba_status_parser.h"

#include <pwd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace corvimap {
namespace {

using Json = nlohmann::json;

constexpr char kAuthInProgress[] = "(auth in progress)";
// Access mask bits of an open (FILE_READ_DATA, FILE_WRITE_DATA, FILE_APPEND_DATA).
constexpr uint32_t kReadData = 0x1;
constexpr uint32_t kWriteData = 0x2;
constexpr uint32_t kAppendData = 0x4;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsYes(std::string_view value) {
    const std::string folded = FoldCase(value);
    return folded == "yes" || folded == "true" || folded == "1" || folded == "y";
}

int32_t ParseLimit(std::string_view value) {
    int32_t limit = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), limit);
    return (error != std::errc() || end != value.data() + value.size() || limit <= 0) ? -1 : limit;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// A section header "[name]", or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        return line.substr(1, line.size() - 2);
    }
    return std::nullopt;
}

// ---- smbstatus --json ----------------------------------------------------------------------

const Json* Member(const Json& object, const char* name) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

const std::string* StringMember(const Json& object, const char* name) {
    const Json* value = Member(object, name);
    return value != nullptr && value->is_string() ? value->get_ptr<const std::string*>() : nullptr;
}

const std::string* ServerPid(const Json& object) {
    const Json* server = Member(object, "server_id");
    return server == nullptr ? nullptr : StringMember(*server, "pid");
}

struct SessionEntry {
    SambaSession session;
    std::string pid;
    std::optional<int64_t> uid;
};

std::optional<int64_t> IntMember(const Json& object, const char* name) {
    const Json* value = Member(object, name);
    if (value == nullptr || !value->is_number_integer()) {
        return std::nullopt;
    }
    return value->get<int64_t>();
}

// Every session, transient ones included (their process may still hold opens); none when the
// "sessions" or "tcons" part is unreadable.
std::optional<std::vector<SessionEntry>> ReadSessions(const Json& doc,
                                                      std::map<std::string, uint32_t>& uses) {
    const Json* sessions = Member(doc, "sessions");
    const Json* tcons = Member(doc, "tcons");
    if (sessions == nullptr || !sessions->is_object() || tcons == nullptr || !tcons->is_object()) {
        return std::nullopt;
    }
    std::vector<SessionEntry> entries;
    for (const auto& [key, value] : sessions->items()) {
        const std::string* id = StringMember(value, "session_id");
        const std::string* user = StringMember(value, "username");
        const std::string* machine = StringMember(value, "remote_machine");
        const std::string* pid = ServerPid(value);
        if (id == nullptr || user == nullptr || machine == nullptr || pid == nullptr) {
            return std::nullopt;
        }
        entries.push_back({{*id, *machine, *user, std::nullopt}, *pid, IntMember(value, "uid")});
    }
    for (const auto& [key, value] : tcons->items()) {
        const std::string* service = StringMember(value, "service");
        const std::string* session_id = StringMember(value, "session_id");
        const std::string* at_text = StringMember(value, "connected_at");
        const std::optional<int64_t> parsed = at_text ? ParseSambaTime(*at_text) : std::nullopt;
        if (service == nullptr || session_id == nullptr || !parsed) {
            return std::nullopt;
        }
        const int64_t at = parsed.value_or(0);
        ++uses[FoldCase(*service)];
        for (SessionEntry& entry : entries) {
            auto& connected = entry.session.connected_at;
            if (entry.session.session_id == *session_id && connected.value_or(at + 1) > at) {
                connected = at;
            }
        }
    }
    return entries;
}

std::string NameOfUid(int64_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (uid >= 0 &&
        getpwuid_r(static_cast<uid_t>(uid), &entry, buffer, sizeof buffer, &found) == 0 &&
        found != nullptr) {
        return found->pw_name;
    }
    return "uid " + std::to_string(uid);
}

// The user of an open: the session of the same server process with the open's uid, then any
// settled session of that process, then the account of the uid.
std::string UserOfOpen(const std::vector<SessionEntry>& sessions, const std::string& pid,
                       int64_t uid) {
    const SessionEntry* fallback = nullptr;
    for (const SessionEntry& entry : sessions) {
        if (entry.pid != pid || entry.session.user_name == kAuthInProgress) {
            continue;
        }
        if (entry.uid == uid) {
            return entry.session.user_name;
        }
        if (fallback == nullptr) {
            fallback = &entry;
        }
    }
    return fallback != nullptr ? fallback->session.user_name : NameOfUid(uid);
}

std::optional<uint32_t> AccessOfMask(const Json& open) {
    const Json* mask = Member(open, "access_mask");
    const std::string* hex = mask ? StringMember(*mask, "hex") : nullptr;
    if (hex == nullptr || hex->size() < 3 || hex->compare(0, 2, "0x") != 0) {
        return std::nullopt;
    }
    uint32_t bits = 0;
    const char* begin = hex->data() + 2;
    const char* end = hex->data() + hex->size();
    const auto [stop, error] = std::from_chars(begin, end, bits, 16);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    uint32_t access = kFileAccessNone;
    if ((bits & kReadData) != 0) {
        access |= kFileAccessRead;
    }
    if ((bits & (kWriteData | kAppendData)) != 0) {
        access |= kFileAccessWrite;
    }
    return access;
}

std::optional<std::vector<LocalOpenFile>> ReadOpenFiles(const Json& doc,
                                                        const std::vector<SessionEntry>& sessions) {
    const Json* files = Member(doc, "open_files");
    if (files == nullptr || !files->is_object()) {
        return std::nullopt;
    }
    std::vector<LocalOpenFile> result;
    for (const auto& item : files->items()) {
        // A plain reference: clang 14 cannot capture a structured binding in a lambda.
        const std::string& path = item.key();
        const Json* opens = Member(item.value(), "opens");
        if (opens == nullptr || !opens->is_object()) {
            return std::nullopt;
        }
        for (const auto& [key, open] : opens->items()) {
            const std::string* pid = ServerPid(open);
            const std::optional<int64_t> uid = IntMember(open, "uid");
            const std::optional<uint32_t> access = AccessOfMask(open);
            if (pid == nullptr || !uid || !access) {
                return std::nullopt;
            }
            const std::string user = UserOfOpen(sessions, *pid, *uid);
            auto same = std::find_if(result.begin(), result.end(), [&](const LocalOpenFile& f) {
                return f.path == path && f.user_name == user;
            });
            if (same == result.end()) {
                result.push_back({path, user, *access});
            } else {
                same->access |= *access;
            }
        }
    }
    return result;
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

SambaConfigShares ParseTestparmShares(std::string_view text) {
    SambaConfigShares config;
    LocalShare defaults;
    std::optional<LocalShare> share;
    bool skip = false;
    const auto finish = [&] {
        if (share && !skip) {
            config.shares.push_back(std::move(*share));
        }
        share.reset();
        skip = false;
    };
    for (std::string_view line : Lines(text)) {
        line = Trim(line);
        if (const auto name = SectionName(line)) {
            finish();
            if (FoldCase(*name) != "global") {
                share = defaults;
                share->net_name = std::string(*name);
            }
            continue;
        }
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || line.front() == ';' ||
            equals == std::string_view::npos) {
            continue;
        }
        const std::string key = FoldCase(Trim(line.substr(0, equals)));
        const std::string_view value = Trim(line.substr(equals + 1));
        LocalShare& target = share ? *share : defaults;
        if (!share && key == "usershare max shares") {
            config.usershares = ParseLimit(value) > 0;
        } else if (!share && key == "usershare path") {
            config.usershare_path = std::string(value);
        } else if (!share && key == "pid directory") {
            config.pid_directory = std::string(value);
        } else if (key == "read only") {
            target.read_only = IsYes(value);
        } else if (key == "writeable" || key == "writable" || key == "write ok") {
            target.read_only = !IsYes(value);
        } else if (key == "max connections") {
            target.max_uses = ParseLimit(value);
        } else if (!share) {
            continue;
        } else if (key == "path") {
            share->path = std::string(value);
        } else if (key == "comment") {
            share->remark = std::string(value);
        } else if ((key == "printable" || key == "print ok") && IsYes(value)) {
            skip = true;
        } else if (key == "available" && !IsYes(value)) {
            skip = true;
        }
    }
    finish();
    return config;
}

std::vector<LocalShare> ParseUsershareInfo(std::string_view text) {
    std::vector<LocalShare> shares;
    for (std::string_view line : Lines(text)) {
        line = Trim(line);
        if (const auto name = SectionName(line)) {
            shares.push_back({std::string(*name), {}, {}, true, -1, 0});
            continue;
        }
        const auto equals = line.find('=');
        if (shares.empty() || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "path") {
            shares.back().path = std::string(value);
        } else if (key == "comment") {
            shares.back().remark = std::string(value);
        } else if (key == "usershare_acl") {
            shares.back().read_only = value.find(":F") == std::string_view::npos &&
                                      value.find(":f") == std::string_view::npos;
        }
    }
    return shares;
}

SambaStatus ParseSmbstatusJson(std::string_view text) {
    SambaStatus status;
    const Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        return status;
    }
    std::map<std::string, uint32_t> uses;
    const auto entries = ReadSessions(doc, uses);
    if (!entries) {
        return status;
    }
    status.share_uses = std::move(uses);
    status.sessions.emplace();
    for (const SessionEntry& entry : *entries) {
        if (entry.session.user_name != kAuthInProgress) {
            status.sessions->push_back(entry.session);
        }
    }
    status.open_files = ReadOpenFiles(doc, *entries);
    return status;
}

std::optional<int64_t> ParseSambaTime(std::string_view text) {
    if (text.size() < 19 || text.size() > 40) {
        return std::nullopt;
    }
    const std::string copy(text);
    std::tm parts{};
    int consumed = 0;
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &consumed) != 6 ||
        consumed != 19 || parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 ||
        parts.tm_mday > 31 || parts.tm_hour > 23 || parts.tm_min > 59 || parts.tm_sec > 60) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(19);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
            rest.remove_prefix(1);
        }
    }
    int64_t offset = 0;
    if (rest == "Z" || rest.empty()) {
        offset = 0;
    } else if (rest.size() == 6 && (rest[0] == '+' || rest[0] == '-') && rest[3] == ':') {
        int hours = 0;
        int minutes = 0;
        if (std::from_chars(rest.data() + 1, rest.data() + 3, hours).ec != std::errc() ||
            std::from_chars(rest.data() + 4, rest.data() + 6, minutes).ec != std::errc()) {
            return std::nullopt;
        }
        offset = (rest[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    } else {
        return std::nullopt;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return static_cast<int64_t>(timegm(&parts)) - offset;
}

}  // namespace corvimap
