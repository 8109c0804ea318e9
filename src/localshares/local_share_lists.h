#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "localshares/local_share_records.h"

namespace corvimap {

class EventLog;
struct ScanSettings;

// The rows of one list of the local shares pane, whatever shows them. The update below works
// through this, so it runs the same against the window's list models and against a plain table.
// Used on one thread (the UI thread in the program).
class RowTable {
public:
    virtual ~RowTable() = default;
    virtual int RowCount() const = 0;
    virtual std::string Text(int row, int column) const = 0;
    virtual uint32_t Data(int row) const = 0;
    virtual void SetData(int row, uint32_t data) = 0;
    virtual void SetText(int row, int column, const std::string& text) = 0;
    // Adds a row with this first column, empty elsewhere, data 0, at the table's place for it
    // (the end, or its sorted place in a sorted list); returns its index.
    virtual int AddRow(const std::string& first_column) = 0;
    virtual void RemoveRow(int row) = 0;
};

// Columns of the three lists, in the order they are created.
namespace share_column {
inline constexpr int kNetName = 0, kUsers = 1, kMaxUsers = 2, kPermissions = 3, kDescription = 4,
                     kPath = 5;
}
namespace session_column {
inline constexpr int kHost = 0, kUser = 1, kTime = 2, kIdleTime = 3;
}
namespace file_column {
inline constexpr int kUser = 0, kPermission = 1, kPath = 2;
}

// The top bit of a row's data marks it stale during an update.
inline constexpr uint32_t kStaleRowMark = 0x80000000u;

// What an update noticed, for the event log.
enum class LocalSharesEventType {
    kAddShare,
    kDeleteShare,
    kConnectUser,
    kDisconnectUser,
    kOpenFile
};
struct LocalSharesEvent {
    LocalSharesEventType type;
    std::string first;   // share name, or user name
    std::string second;  // client name (sessions), path (files); empty for shares
    friend bool operator==(const LocalSharesEvent&, const LocalSharesEvent&) = default;
};

// Brings one list in line with the records: every row is marked stale; each record finds its row
// (first column equal letter case aside and, for sessions and open files, the second key cell
// equal exactly) or gets a new one, whose creation-only cells are filled; the cells kept current
// are filled and the mark cleared; then every row still marked is removed, all in this call.
// Returns true when the list has a different number of rows than before. New and removed rows
// are appended to `events` (no "Add share" when `note_new_shares` is false).
bool UpdateShareRows(RowTable& table, const std::vector<LocalShare>& shares, bool note_new_shares,
                     std::vector<LocalSharesEvent>& events);
// `now`: seconds since 1970, for the "Time" column.
bool UpdateSessionRows(RowTable& table, const std::vector<LocalSession>& sessions, int64_t now,
                       std::vector<LocalSharesEvent>& events);
bool UpdateOpenFileRows(RowTable& table, const std::vector<LocalOpenFile>& files,
                        std::vector<LocalSharesEvent>& events);

// Cell texts: "1:02:05 " for 3725 seconds (negative counts as 0); "Any" or the limit; "R", "W",
// "RW" or nothing; "read only" or "read/write".
std::string DurationText(int64_t seconds);
std::string MaxUsesText(int32_t max_uses);
std::string FileAccessText(uint32_t access);
std::string SharePermissionText(bool read_only);

// The pane's three lists kept in line with the monitor's snapshots, one refresh at a time. Between
// two snapshots only the session times move, so a refresh with an already applied snapshot
// touches the sessions list alone, and only when the clock passed a second. One thread.
class LocalSharesRefresh {
public:
    LocalSharesRefresh(RowTable& shares, RowTable& sessions, RowTable& files)
        : shares_(shares), sessions_(sessions), files_(files) {}

    struct Result {
        bool rows_changed = false;  // the shares or sessions list has another number of rows
        bool note_changed = false;
    };
    // `now`: seconds since 1970. New and removed rows are appended to `events`; the shares of
    // the first reading are no news.
    Result Apply(const LocalSharesSnapshot& snapshot, int64_t now,
                 std::vector<LocalSharesEvent>& events);
    const std::string& Note() const { return note_; }

private:
    RowTable& shares_;
    RowTable& sessions_;
    RowTable& files_;
    uint64_t applied_generation_ = 0;
    int64_t applied_second_ = 0;
    bool shares_seen_ = false;
    std::string note_;
};

// Writes each event whose bit is chosen in the log options, with kind 0, in the language current
// now. Call on the thread that owns the log's list (the UI thread).
void WriteLocalSharesEvents(const std::vector<LocalSharesEvent>& events,
                            const ScanSettings& settings, EventLog& log);

}  // namespace corvimap
