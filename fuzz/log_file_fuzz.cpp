// A log file of any bytes read back into the log pane: rows keep to the pane's limit, and rows
// written out again as log lines read back to the same rows.
#include <string>

#include "fuzz_check.h"
#include "log/log_file.h"
#include "log/log_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace corvimap;
    if (size == 0) {
        return 0;
    }
    // The first byte is the pane's line limit, 0 meaning none kept.
    const int32_t limit = data[0];
    LogRows rows(limit);
    ReadLogRows(fuzz::AsText(data + 1, size - 1), rows);
    FUZZ_CHECK(rows.Size() <= static_cast<size_t>(limit));
    std::string written;
    for (const LogRow& row : rows) {
        FUZZ_CHECK(row.stamp.find_first_of("\t\n") == std::string::npos);
        FUZZ_CHECK(row.text.find_first_of("\t\n") == std::string::npos);
        const std::string line = FormatLogLine(row.stamp, row.text, row.kind);
        if (line.size() - 1 > kLogLinePieceBytes) {
            return 0;  // the reader cuts a longer line into pieces of its own
        }
        FUZZ_CHECK(ParseLogLine(std::string_view(line).substr(0, line.size() - 1)) == row);
        written += line;
    }
    LogRows again(limit);
    ReadLogRows(written, again);
    FUZZ_CHECK(again.Size() == rows.Size());
    for (size_t k = 0; k < rows.Size(); ++k) {
        FUZZ_CHECK(again[k] == rows[k]);
    }
    return 0;
}
