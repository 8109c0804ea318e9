#include "localshares/local_share_lists.h"

#include <cstdio>
#include <functional>
#include <utility>

#include "localshares/samba_status_parser.h"
#include "log/event_kinds.h"
#include "log/event_log.h"
#include "settings/scan_settings.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"

namespace corvimap {
namespace {

using Cells = std::vector<std::pair<int, std::string>>;

// One record as its list sees it.
struct KeyedRecord {
    std::string first;
    std::string second;  // exact second key; unused without a second key column
    Cells on_create;
    Cells on_refresh;
};

struct ListHooks {
    int second_key_column = -1;  // -1: the first column alone names a row
    std::function<void(const KeyedRecord&)> row_added;
    std::function<void(RowTable&, int row)> row_removed;
};

int FindRow(const std::vector<std::string>& firsts, const std::vector<std::string>& seconds,
            const std::string& folded_first, const KeyedRecord& record, bool two_keys) {
    for (size_t row = 0; row < firsts.size(); ++row) {
        if (firsts[row] == folded_first && (!two_keys || seconds[row] == record.second)) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

bool UpdateRows(RowTable& table, const std::vector<KeyedRecord>& records, const ListHooks& hooks) {
    const int before = table.RowCount();
    const bool two_keys = hooks.second_key_column >= 0;
    // The key cells as they stand, read once, kept in step with the table below.
    std::vector<std::string> firsts;
    std::vector<std::string> seconds;
    for (int row = 0; row < before; ++row) {
        firsts.push_back(FoldCase(table.Text(row, 0)));
        seconds.push_back(two_keys ? table.Text(row, hooks.second_key_column) : std::string());
        table.SetData(row, table.Data(row) | kStaleRowMark);
    }
    for (const KeyedRecord& record : records) {
        std::string folded = FoldCase(record.first);
        int row = FindRow(firsts, seconds, folded, record, two_keys);
        if (row < 0) {
            row = table.AddRow(record.first);
            firsts.insert(firsts.begin() + row, std::move(folded));
            seconds.insert(seconds.begin() + row, record.second);
            for (const auto& [column, text] : record.on_create) {
                table.SetText(row, column, text);
            }
            if (hooks.row_added) {
                hooks.row_added(record);
            }
        }
        for (const auto& [column, text] : record.on_refresh) {
            if (table.Text(row, column) != text) {
                table.SetText(row, column, text);
            }
        }
        table.SetData(row, table.Data(row) & ~kStaleRowMark);
    }
    // From the end, so removing a row never skips its stale neighbour.
    for (int row = table.RowCount() - 1; row >= 0; --row) {
        if ((table.Data(row) & kStaleRowMark) != 0) {
            if (hooks.row_removed) {
                hooks.row_removed(table, row);
            }
            table.RemoveRow(row);
        }
    }
    return table.RowCount() != before;
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

}  // namespace

std::string DurationText(int64_t seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.1lld:%2.2d:%2.2d ", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60));
    return text;
}

std::string MaxUsesText(int32_t max_uses) {
    return max_uses == -1 ? "Any" : Number(max_uses);
}

std::string FileAccessText(uint32_t access) {
    std::string text;
    if ((access & kFileAccessRead) != 0) {
        text += 'R';
    }
    if ((access & kFileAccessWrite) != 0) {
        text += 'W';
    }
    return text;
}

std::string SharePermissionText(bool read_only) {
    return read_only ? "read only" : "read/write";
}

bool UpdateShareRows(RowTable& table, const std::vector<LocalShare>& shares, bool note_new_shares,
                     std::vector<LocalSharesEvent>& events) {
    std::vector<KeyedRecord> records;
    for (const LocalShare& share : shares) {
        records.push_back({share.net_name,
                           {},
                           {{share_column::kMaxUsers, MaxUsesText(share.max_uses)},
                            {share_column::kDescription, share.remark},
                            {share_column::kPath, share.path}},
                           {{share_column::kUsers, Number(share.current_uses)},
                            {share_column::kPermissions, SharePermissionText(share.read_only)}}});
    }
    ListHooks hooks;
    if (note_new_shares) {
        hooks.row_added = [&](const KeyedRecord& record) {
            events.push_back({LocalSharesEventType::kAddShare, record.first, {}});
        };
    }
    hooks.row_removed = [&](RowTable& rows, int row) {
        events.push_back(
            {LocalSharesEventType::kDeleteShare, rows.Text(row, share_column::kNetName), {}});
    };
    return UpdateRows(table, records, hooks);
}

bool UpdateSessionRows(RowTable& table, const std::vector<LocalSession>& sessions, int64_t now,
                       std::vector<LocalSharesEvent>& events) {
    std::vector<KeyedRecord> records;
    for (const LocalSession& session : sessions) {
        // Samba keeps no idle figure for a session, so that cell stays empty.
        records.push_back({session.client_name,
                           session.user_name,
                           {},
                           {{session_column::kUser, session.user_name},
                            {session_column::kTime, DurationText(now - session.connected_at)},
                            {session_column::kIdleTime, {}}}});
    }
    ListHooks hooks;
    hooks.second_key_column = session_column::kUser;
    hooks.row_added = [&](const KeyedRecord& record) {
        events.push_back({LocalSharesEventType::kConnectUser, record.second, record.first});
    };
    hooks.row_removed = [&](RowTable& rows, int row) {
        events.push_back({LocalSharesEventType::kDisconnectUser,
                          rows.Text(row, session_column::kUser),
                          rows.Text(row, session_column::kHost)});
    };
    return UpdateRows(table, records, hooks);
}

bool UpdateOpenFileRows(RowTable& table, const std::vector<LocalOpenFile>& files,
                        std::vector<LocalSharesEvent>& events) {
    std::vector<KeyedRecord> records;
    for (const LocalOpenFile& file : files) {
        records.push_back({file.user_name,
                           file.path,
                           {},
                           {{file_column::kPath, file.path},
                            {file_column::kPermission, FileAccessText(file.access)}}});
    }
    ListHooks hooks;
    hooks.second_key_column = file_column::kPath;
    hooks.row_added = [&](const KeyedRecord& record) {
        events.push_back({LocalSharesEventType::kOpenFile, record.first, record.second});
    };
    return UpdateRows(table, records, hooks);
}

LocalSharesRefresh::Result LocalSharesRefresh::Apply(const LocalSharesSnapshot& snapshot,
                                                     int64_t now,
                                                     std::vector<LocalSharesEvent>& events) {
    Result result;
    if (snapshot.generation == 0 ||
        (snapshot.generation == applied_generation_ && now == applied_second_)) {
        return result;
    }
    const bool fresh = snapshot.generation != applied_generation_;
    applied_generation_ = snapshot.generation;
    applied_second_ = now;
    if (fresh) {
        result.rows_changed = UpdateShareRows(shares_, snapshot.shares, shares_seen_, events);
        shares_seen_ = shares_seen_ || snapshot.shares_read;
    }
    result.rows_changed =
        UpdateSessionRows(sessions_, snapshot.sessions, now, events) || result.rows_changed;
    if (fresh) {
        UpdateOpenFileRows(files_, snapshot.open_files, events);
        result.note_changed = snapshot.note != note_;
        note_ = snapshot.note;
    }
    return result;
}

void WriteLocalSharesEvents(const std::vector<LocalSharesEvent>& events,
                            const ScanSettings& settings, EventLog& log) {
    const auto text = [](int32_t id) { return StringTable::Lookup(id); };
    for (const LocalSharesEvent& event : events) {
        const char* first = event.first.c_str();
        const char* second = event.second.c_str();
        switch (event.type) {
            case LocalSharesEventType::kAddShare:
                if (settings.HasFlag(LogEventBits::kLogAddShare)) {
                    log.Add(EventKind::kGeneral, "%s: %s", text(text_id::kAddShare), first);
                }
                break;
            case LocalSharesEventType::kDeleteShare:
                if (settings.HasFlag(LogEventBits::kLogDeleteShare)) {
                    log.Add(EventKind::kGeneral, "%s: %s", text(text_id::kDeleteShare), first);
                }
                break;
            case LocalSharesEventType::kConnectUser:
                if (settings.HasFlag(LogEventBits::kLogConnectUser)) {
                    log.Add(EventKind::kGeneral, "%s: %s, %s %s", text(text_id::kConnectNewUser),
                            first, text(text_id::kHostPrefix), second);
                }
                break;
            case LocalSharesEventType::kDisconnectUser:
                if (settings.HasFlag(LogEventBits::kLogDisconnectUser)) {
                    log.Add(EventKind::kGeneral, "%s: %s, %s %s", text(text_id::kDisconnectUser),
                            first, text(text_id::kHostPrefix), second);
                }
                break;
            case LocalSharesEventType::kOpenFile:
                if (settings.HasFlag(LogEventBits::kLogOpenLocalFile)) {
                    log.Add(EventKind::kGeneral, "%s %s: %s", first, text(text_id::kOpenFile),
                            second);
                }
                break;
        }
    }
}

}  // namespace corvimap
