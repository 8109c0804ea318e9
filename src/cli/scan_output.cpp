#include "cli/scan_output.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "engine/host_columns.h"
#include "games/server_report_details.h"
#include "search/mask_match.h"

namespace corvimap {
namespace {

using Json = nlohmann::ordered_json;

std::string TypeName(const GameServerBrowser& browser, uint8_t image_index) {
    for (size_t i = 0; i < browser.Count(); ++i) {
        if (browser.At(i).ImageIndex() == image_index) {
            return browser.At(i).Name();
        }
    }
    return "";
}

// Frags and pings are numbers when the report holds numbers there; a field shifted by a "|" in
// a name stays text rather than becoming a made-up number.
Json NumberOrString(std::string_view field) {
    long long value = 0;
    const char* end = field.data() + field.size();
    auto [ptr, error] = std::from_chars(field.data(), end, value);
    if (!field.empty() && error == std::errc() && ptr == end) {
        return value;
    }
    return std::string(field);
}

Json SplitShares(std::string_view text) {
    Json shares = Json::array();
    for (size_t start = 0; start <= text.size();) {
        const size_t bar = text.find('|', start);
        const size_t end = bar == std::string_view::npos ? text.size() : bar;
        shares.push_back(std::string(text.substr(start, end - start)));
        start = end + 1;
    }
    return shares;
}

Json HostObject(const HostRecord& record, const MacVendors* vendors,
                const GameServerBrowser& browser) {
    Json shares = Json::array();
    Json games = Json::array();
    for (const HostMarker& marker : record.markers) {
        if (marker.kind == kSharesMarker && marker.text) {
            for (Json& share : SplitShares(*marker.text)) {
                shares.push_back(std::move(share));
            }
        } else if (std::string name = TypeName(browser, marker.kind); !name.empty()) {
            games.push_back(std::move(name));
        }
    }
    // Keys keep this order in the output, so people reading it see the host list's columns.
    return Json{{"address", FormatAddress(record.address)},
                {"name", record.name},
                {"workgroup", record.workgroup},
                {"mac", FormatMacText(record.mac)},
                {"vendor", MacVendorText(vendors, record.mac)},
                {"time_us", record.time},
                {"shares", std::move(shares)},
                {"games", std::move(games)}};
}

Json ServerObject(const ServerCollector::Entry& entry, const GameServerBrowser& browser) {
    const ServerReport& report = entry.report;
    auto field = [&report](size_t index) { return std::string(report.Field(index).value_or("")); };
    const ServerReportDetails details = ReadServerReportDetails(report.Text());
    Json players = Json::array();
    for (const ServerPlayer& player : details.players) {
        players.push_back(Json{{"name", player.name},
                               {"frags", NumberOrString(player.frags)},
                               {"ping", NumberOrString(player.ping)}});
    }
    Json rules = Json::object();
    for (const auto& [key, value] : details.rules) {
        rules[key] = value;
    }
    return Json{{"type", TypeName(browser, entry.image_index)},
                {"address", field(0)},
                {"name", field(1)},
                {"map", field(2)},
                {"players", field(3)},
                {"player_list", std::move(players)},
                {"rules", std::move(rules)}};
}

}  // namespace

void ServerCollector::UpdateServer(uint8_t image_index, ServerReport report) {
    const auto address = report.Field(0);
    if (!address) {
        return;
    }
    std::lock_guard lock(mutex_);
    for (Entry& entry : servers_) {
        if (entry.report.Field(0) == address) {
            entry = Entry{image_index, std::move(report)};
            return;
        }
    }
    servers_.push_back(Entry{image_index, std::move(report)});
}

std::vector<ServerCollector::Entry> ServerCollector::Servers() const {
    std::lock_guard lock(mutex_);
    return servers_;
}

std::string ScanResultJson(const HostTable& hosts,
                           const std::vector<ServerCollector::Entry>& servers,
                           const GameServerBrowser& browser,
                           const std::vector<SearchResult>* files) {
    // Scripts tell the formats apart by "schema"; a change that breaks readers raises it.
    Json result{{"schema", 1}, {"hosts", Json::array()}, {"servers", Json::array()}};
    const std::shared_ptr<const MacVendors> vendors = hosts.Vendors();
    for (size_t row = 0;; ++row) {
        const auto record = hosts.RecordAt(row);
        if (!record) {
            break;
        }
        result["hosts"].push_back(HostObject(*record, vendors.get(), browser));
    }
    for (const ServerCollector::Entry& entry : servers) {
        result["servers"].push_back(ServerObject(entry, browser));
    }
    if (files != nullptr) {
        Json& list = result["files"] = Json::array();
        for (const SearchResult& file : *files) {
            list.push_back(Json{{"path", file.path},
                                {"host", file.host},
                                {"share", file.share},
                                {"name", file.name},
                                {"size", file.size},
                                {"mtime", IsoLocalTime(file.mtime)}});
        }
    }
    // Texts from the wire may hold bytes that are not UTF-8 (Quake servers send their own
    // high-bit characters); they become U+FFFD, so the output is always valid JSON.
    return result.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string SearchResultLines(const std::vector<SearchResult>& files) {
    std::string out;
    for (const SearchResult& file : files) {
        out +=
            file.path + "\t" + std::to_string(file.size) + "\t" + IsoLocalTime(file.mtime) + "\n";
    }
    return out;
}

}  // namespace corvimap
