#include "log/event_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "log/log_file.h"
#include "log/log_file_limit.h"
#include "text/builtin_strings.h"
#include "text/string_table.h"
#include "text/text_fill.h"
#include "text/utf8_cut.h"

namespace corvimap {
namespace {

constexpr const char* kLogOptionsSection = "LogOptions";

// The message text, at most EventLog::kMaxTextBytes long. Each call formats into its own buffer,
// so messages of different threads can't mix. One byte more than the limit is formatted so the
// cut can tell whether it falls inside a UTF-8 sequence.
std::string FormatText(const char* format, va_list args) {
    char buffer[EventLog::kMaxTextBytes + 2];
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0) {
        return {};
    }
    std::string_view text(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
    return std::string(text.substr(0, Utf8PrefixLength(text, EventLog::kMaxTextBytes)));
}

}  // namespace

EventLog::EventLog(const ScanSettings& settings, EventLogSink& sink, const SettingsStore& store)
    : settings_(settings), sink_(sink), store_(store) {}

void EventLog::LoadSettings() {
    const int32_t max_lines =
        store_.GetProfileInt(kLogOptionsSection, "MaxLogLines", kDefaultMaxLogLines);
    uint32_t flags = settings_.FlagsGroup0.load();
    std::filesystem::path path;
    if (flags & LogEventBits::kEnableLogFile) {
        path = store_.GetProfileString(kLogOptionsSection, "LogFile", "");
    }
    {
        std::lock_guard lock(file_mutex_);
        log_file_path_ = path;
    }

    if ((flags & LogEventBits::kAutoLoadLogFile) && !path.empty()) {
        // Only the rows the list would keep are built, however long the file is.
        LogRows rows(max_lines);
        ReadLogFile(path, rows);
        for (const LogRow& row : rows) {
            sink_.AddRow(row);
        }
    }
}

void EventLog::Add(EventKind kind, const char* format, ...) {
    if (!(settings_.FlagsGroup0.load() & LogEventBits::kEnableLog)) {
        return;
    }
    LogRow row;
    va_list args;
    va_start(args, format);
    row.text = FormatText(format, args);
    va_end(args);
    row.stamp = FormatLogStamp(std::time(nullptr));
    row.kind = static_cast<int32_t>(kind);

    // The sink may wait for the window's thread, which may itself be adding a message: no lock of
    // ours is held while it runs.
    sink_.AddRow(row);

    std::string line = FormatLogLine(row.stamp, row.text, row.kind);
    std::optional<LogRow> notice;
    {
        std::lock_guard lock(file_mutex_);
        if (log_file_path_.empty()) {
            return;
        }
        // The limit is read for every message, so a size set on the options page counts at once.
        const int32_t max_kb =
            store_.GetProfileInt(kLogOptionsSection, "MaxLogfileSize", kDefaultMaxLogfileSizeKb);
        errno = 0;
        const bool written =
            AppendLogLineWithinLimit(log_file_path_, line, LogFileLimitBytes(max_kb));
        // The list says so once per run of failures, not once per message; a file that can be
        // written again starts a new run.
        if (!written && !file_failed_) {
            notice =
                LogRow{row.stamp,
                       FillText(StringTable::Lookup(text_id::kLogFileNotWritten),
                                {log_file_path_.string(), std::strerror(errno != 0 ? errno : EIO)}),
                       static_cast<int32_t>(EventKind::kInternalError)};
        }
        file_failed_ = !written;
    }
    if (notice) {
        sink_.AddRow(*notice);
    }
}

}  // namespace corvimap
