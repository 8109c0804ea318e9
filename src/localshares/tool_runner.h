#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace corvimap {

// What one run of an external tool gave.
struct ToolResult {
    bool started = false;    // false: the program could not be run (start_error says why)
    int start_error = 0;     // errno of the failed start, e.g. ENOENT for a missing tool
    int exit_code = -1;      // -1 when killed (time-out, stop request) or ended by a signal
    bool timed_out = false;  // killed because the time-out passed
    bool stopped = false;    // killed because the stop flag was set
    bool truncated = false;  // output beyond the cap was dropped
    std::string out;
    std::string err;
    std::chrono::microseconds cpu{0};  // user and system CPU time the tool used

    bool Ok() const { return started && exit_code == 0 && !truncated; }
};

// Runs argv (argv[0] looked up in PATH) directly, never through a shell, with stdin from
// /dev/null, and collects stdout and stderr up to `max_output` bytes each. The tool is killed
// when `timeout` passes or when `stop` becomes true (checked every few milliseconds). Blocks
// the calling thread for the tool's run: call it off the UI thread. Thread-safe.
ToolResult RunTool(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                   const std::atomic<bool>& stop, size_t max_output = 16u << 20);

}  // namespace corvimap
