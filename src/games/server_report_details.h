#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

struct ServerPlayer {
    std::string name;
    std::string frags;
    std::string ping;
};

// What the detail lists show of one server report: its players and its rules, read field by
// field as the report was built, so a "|" inside a name shifts what follows it.
struct ServerReportDetails {
    std::vector<ServerPlayer> players;
    // False when the player fields ran out before "end": the rules list is then left as it was.
    bool rules_read = false;
    std::vector<std::pair<std::string, std::string>> rules;
};

// Fields are cut to 255 bytes, as the lists read them.
ServerReportDetails ReadServerReportDetails(std::string_view report);

}  // namespace corvimap
