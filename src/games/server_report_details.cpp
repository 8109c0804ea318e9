#include "games/server_report_details.h"

#include "games/server_report.h"
#include "text/utf8_cut.h"

namespace corvimap {
namespace {

constexpr size_t kMaxFieldBytes = 255;

std::string FieldText(std::string_view field) {
    return std::string(CutUtf8(field, kMaxFieldBytes));
}

}  // namespace

ServerReportDetails ReadServerReportDetails(std::string_view report) {
    ServerReportDetails details;
    auto field = [report](size_t index) { return ServerReport::PipeField(report, index); };

    size_t b = 4;
    if (field(b)) {
        while (true) {
            const auto frags = field(b + 1);
            const auto ping = field(b + 2);
            if (!frags || !ping) {
                return details;
            }
            if (*ping == "end") {
                break;
            }
            details.players.push_back({FieldText(*field(b)), FieldText(*frags), FieldText(*ping)});
            b += 3;
            if (!field(b)) {
                break;
            }
        }
    }
    details.rules_read = true;
    for (size_t d = b + 3; field(d); d += 2) {
        if (const auto value = field(d + 1)) {
            details.rules.emplace_back(FieldText(*field(d)), FieldText(*value));
        }
    }
    return details;
}

}  // namespace corvimap
