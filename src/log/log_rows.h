#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace corvimap {

inline constexpr int32_t kDefaultMaxLogLines = 250;

// One message of the event log: its time stamp, its text and its kind (the row picture).
struct LogRow {
    std::string stamp;
    std::string text;
    int32_t kind = 0;

    bool operator==(const LogRow&) const = default;
};

// The rows the message list holds: at most max_rows, the oldest going first. A limit of 0 or less
// keeps no row at all.
class LogRows {
public:
    explicit LogRows(int32_t max_rows = kDefaultMaxLogLines)
        : limit_(max_rows > 0 ? static_cast<size_t>(max_rows) : 0) {}

    // Appends row; when that makes one row too many, the oldest row goes. Returns whether it did.
    bool Add(LogRow row);
    void Clear() { rows_.clear(); }

    size_t Size() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }
    size_t Limit() const { return limit_; }
    const LogRow& operator[](size_t index) const { return rows_[index]; }
    std::deque<LogRow>::const_iterator begin() const { return rows_.begin(); }
    std::deque<LogRow>::const_iterator end() const { return rows_.end(); }

private:
    size_t limit_;
    std::deque<LogRow> rows_;
};

}  // namespace corvimap
