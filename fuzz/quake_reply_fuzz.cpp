// A QuakeWorld, Quake II or Quake III Arena reply from any server: the first byte picks the game,
// the rest is the status reply (for Quake III the bytes after its first zero byte are the info
// reply). Lists never outgrow the reply, fields keep their caps, and the report text holds
// exactly the fields the lists give when no value carries a "|".
#include <string.h>

#include <algorithm>
#include <string>

#include "fuzz_check.h"
#include "games/quake_reply_parser.h"
#include "games/quake_report.h"

namespace {

using namespace corvimap;

size_t CountOf(std::string_view text, char c) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

// Whether `text` holds `part`, in one search: a search that compares at every candidate position
// hands each of those comparisons to the fuzzer's comparison hooks, a quarter of a run's time.
bool Holds(std::string_view text, std::string_view part) {
    return part.empty() || ::memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
}

void CheckLists(std::string_view datagram, const StatusLists& lists) {
    const std::string_view reply = ReplyText(datagram);
    const bool utf8 = fuzz::IsUtf8(reply);
    // Every player line follows a line feed; every rule takes two backslashes.
    FUZZ_CHECK(lists.players.size() <= CountOf(reply, '\n'));
    FUZZ_CHECK(lists.rules.size() * 2 <= CountOf(reply, '\\') + 1);
    for (const PlayerRow& player : lists.players) {
        for (const std::string* token : {&player.name, &player.frags, &player.ping}) {
            FUZZ_CHECK(token->size() <= kMaxTokenBytes);
            FUZZ_CHECK(Holds(reply, *token));
            FUZZ_CHECK(!utf8 || fuzz::IsUtf8(*token));
        }
    }
    for (const RulePair& rule : lists.rules) {
        FUZZ_CHECK(rule.key.size() <= kMaxValueBytes && rule.value.size() <= kMaxValueBytes);
        FUZZ_CHECK(!utf8 || (fuzz::IsUtf8(rule.key) && fuzz::IsUtf8(rule.value)));
    }
}

void CheckReport(std::string_view status, std::string_view info, const StatusLists& lists,
                 const ServerReport& report) {
    const std::string& text = report.Text();
    FUZZ_CHECK(report.Length() == text.size() + 1);
    if (ReplyText(status).find('|') != std::string_view::npos ||
        ReplyText(info).find('|') != std::string_view::npos) {
        return;
    }
    const size_t fields = CountOf(text, '|') + 1;
    FUZZ_CHECK(fields == 4 + 3 * lists.players.size() + 3 + 2 * lists.rules.size());
    const size_t end_mark = 4 + 3 * lists.players.size();
    FUZZ_CHECK(report.Field(end_mark) == "" && report.Field(end_mark + 2) == "end");
    FUZZ_CHECK(report.Field(0) == "server:27960");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view bytes = fuzz::AsText(data + 1, size - 1);
    const std::string_view status = bytes.substr(0, bytes.find('\0'));
    const std::string_view info =
        status.size() < bytes.size() ? bytes.substr(status.size() + 1) : std::string_view();
    StatusLists lists;
    ServerReport report;
    switch (data[0] % 3) {
        case 0:
            lists = ParseQuakeWorldStatus(status);
            report = BuildQuakeWorldReport("server:27960", status);
            break;
        case 1:
            lists = ParseQuake2Status(status);
            report = BuildQuake2Report("server:27960", status);
            break;
        default:
            lists = ParseQuake3Status(status);
            report = BuildQuake3Report("server:27960", status, info);
            break;
    }
    CheckLists(status, lists);
    CheckReport(status, info, lists, report);
    return 0;
}
