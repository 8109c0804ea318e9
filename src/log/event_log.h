#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>

#include "log/event_kinds.h"
#include "log/log_rows.h"
#include "settings/scan_settings.h"
#include "settings/settings_store.h"

namespace corvimap {

// Where log rows are shown: the message list of the window.
class EventLogSink {
public:
    virtual ~EventLogSink() = default;

    // Called on the thread that adds the message, with no lock of the log held, so it may wait
    // for the window's thread. Rows read back from the log file come on the thread that loads
    // the settings.
    virtual void AddRow(const LogRow& row) = 0;
};

// Time-stamped messages of the chosen events, shown through a sink and, when a log file was
// taken at start, appended to that file. A file that cannot be written is told once in the list,
// as an "Internal errors" row, until it can be written again. Add may be called from any thread.
class EventLog {
public:
    // Texts longer than this are cut (never inside a UTF-8 sequence).
    static constexpr size_t kMaxTextBytes = 1023;

    EventLog(const ScanSettings& settings, EventLogSink& sink, const SettingsStore& store);
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Once, when the message list is created: takes MaxLogLines and the log file path, and reads
    // the file back into the list when that is chosen.
    void LoadSettings();

    // Formats a message printf-style and records it, unless the log is switched off. The flags
    // are read on every call, so switching takes effect at once.
    void Add(EventKind kind, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:
    const ScanSettings& settings_;
    EventLogSink& sink_;
    const SettingsStore& store_;

    std::mutex file_mutex_;  // guards the path and orders the appends
    std::filesystem::path log_file_path_;
    bool file_failed_ = false;  // the last append failed and the list was told
};

}  // namespace corvimap
