#pragma once

// Collects what the game server checks hand over, for the tests of those checks.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "games/server_report_sink.h"

namespace corvimap::testing {

// Keeps every report with its game's image index, in the order handed over. Any thread.
class ServerReportList final : public ServerReportSink {
public:
    void UpdateServer(uint8_t image_index, ServerReport report) override {
        std::lock_guard lock(mutex_);
        reports_.emplace_back(image_index, report.Text());
    }
    std::vector<std::pair<int, std::string>> Reports() const {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, std::string>> reports_;
};

}  // namespace corvimap::testing
