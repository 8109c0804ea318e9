#include "games/quake_report.h"

#include "games/quake_reply_parser.h"
#include "text/utf8_cut.h"

namespace corvimap {
namespace {

// Players, the "||end" mark (two empty fields and "end"), then the rules.
void AppendLists(const StatusLists& lists, ServerReport& report) {
    for (const PlayerRow& player : lists.players) {
        report.AppendField(player.name);
        report.AppendField(player.frags);
        report.AppendField(player.ping);
    }
    report.AppendField("||end");
    for (const RulePair& rule : lists.rules) {
        report.AppendField(rule.key);
        report.AppendField(rule.value);
    }
}

ServerReport BuildCountedReport(std::string_view server, std::string_view reply,
                                std::string_view map_key, const StatusLists& lists) {
    ServerReport report;
    report.AppendField(CutUtf8(server, kMaxValueBytes));
    report.AppendField(FindInfoValue(reply, "\\hostname"));
    report.AppendField(FindInfoValue(reply, map_key));
    report.AppendField(std::to_string(lists.players.size()) + "/" +
                       FindInfoValue(reply, "\\maxclients"));
    AppendLists(lists, report);
    return report;
}

}  // namespace

std::string ServerAddressField(NetAddress address, uint16_t port) {
    return FormatAddress(address) + ":" + std::to_string(port);
}

ServerReport BuildQuakeWorldReport(std::string_view server, std::string_view status_reply) {
    const std::string_view reply = ReplyText(status_reply);
    return BuildCountedReport(server, reply, "\\map", ParseQuakeWorldStatus(reply));
}

ServerReport BuildQuake2Report(std::string_view server, std::string_view status_reply) {
    const std::string_view reply = ReplyText(status_reply);
    return BuildCountedReport(server, reply, "\\mapname", ParseQuake2Status(reply));
}

ServerReport BuildQuake3Report(std::string_view server, std::string_view status_reply,
                               std::string_view info_reply) {
    const std::string_view status = ReplyText(status_reply);
    const std::string_view info = ReplyText(info_reply);
    ServerReport report;
    report.AppendField(CutUtf8(server, kMaxValueBytes));
    report.AppendField(FindInfoValue(info, "hostname"));
    report.AppendField(FindInfoValue(info, "mapname"));
    report.AppendField(FindInfoValue(info, "\\clients") + "/" +
                       FindInfoValue(info, "\\sv_maxclients"));
    AppendLists(ParseQuake3Status(status), report);
    return report;
}

}  // namespace corvimap
