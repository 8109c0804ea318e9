#pragma once

#include <cstdint>

#include "games/server_report.h"

namespace corvimap {

// Receives the reports of the host check: the server list implements it. Called from probe
// worker threads; the sink takes ownership of the report.
class ServerReportSink {
public:
    virtual ~ServerReportSink() = default;
    virtual void UpdateServer(uint8_t image_index, ServerReport report) = 0;
};

}  // namespace corvimap
