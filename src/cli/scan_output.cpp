#include "cli/scan_output.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "cli/json_text.h"
#include "engine/host_columns.h"
#include "games/server_report_details.h"
#include "search/mask_match.h"

namespace corvimap {
namespace {

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
std::string NumberOrString(std::string_view field) {
    long long value = 0;
    const char* end = field.data() + field.size();
    auto [ptr, error] = std::from_chars(field.data(), end, value);
    if (!field.empty() && error == std::errc() && ptr == end) {
        return std::to_string(value);
    }
    return JsonString(field);
}

std::vector<std::string_view> SplitShares(std::string_view text) {
    std::vector<std::string_view> shares;
    for (size_t start = 0; start <= text.size();) {
        const size_t bar = text.find('|', start);
        const size_t end = bar == std::string_view::npos ? text.size() : bar;
        shares.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return shares;
}

void AppendHost(std::string& out, const HostRecord& record, const MacVendors* vendors,
                const GameServerBrowser& browser) {
    out += "{\"address\":" + JsonString(FormatAddress(record.address));
    out += ",\"name\":" + JsonString(record.name);
    out += ",\"workgroup\":" + JsonString(record.workgroup);
    out += ",\"mac\":" + JsonString(FormatMacText(record.mac));
    out += ",\"vendor\":" + JsonString(MacVendorText(vendors, record.mac));
    out += ",\"time_us\":" + std::to_string(record.time);
    std::string shares;
    std::string games;
    for (const HostMarker& marker : record.markers) {
        if (marker.kind == kSharesMarker && marker.text) {
            for (std::string_view share : SplitShares(*marker.text)) {
                shares += (shares.empty() ? "" : ",") + JsonString(share);
            }
        } else if (const std::string name = TypeName(browser, marker.kind); !name.empty()) {
            games += (games.empty() ? "" : ",") + JsonString(name);
        }
    }
    out += ",\"shares\":[" + shares + "],\"games\":[" + games + "]}";
}

void AppendServer(std::string& out, const ServerCollector::Entry& entry,
                  const GameServerBrowser& browser) {
    const ServerReport& report = entry.report;
    auto field = [&report](size_t index) { return JsonString(report.Field(index).value_or("")); };
    out += "{\"type\":" + JsonString(TypeName(browser, entry.image_index));
    out += ",\"address\":" + field(0) + ",\"name\":" + field(1) + ",\"map\":" + field(2) +
           ",\"players\":" + field(3) + ",\"player_list\":[";
    const ServerReportDetails details = ReadServerReportDetails(report.Text());
    for (size_t i = 0; i < details.players.size(); ++i) {
        const ServerPlayer& player = details.players[i];
        out += (i == 0 ? "" : ",");
        out += "{\"name\":" + JsonString(player.name) +
               ",\"frags\":" + NumberOrString(player.frags) +
               ",\"ping\":" + NumberOrString(player.ping) + "}";
    }
    out += "],\"rules\":{";
    for (size_t i = 0; i < details.rules.size(); ++i) {
        out += (i == 0 ? "" : ",");
        out += JsonString(details.rules[i].first) + ":" + JsonString(details.rules[i].second);
    }
    out += "}}";
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
    std::string out = "{\"schema\":1,\"hosts\":[";
    const std::shared_ptr<const MacVendors> vendors = hosts.Vendors();
    for (size_t row = 0;; ++row) {
        const auto record = hosts.RecordAt(row);
        if (!record) {
            break;
        }
        out += (row == 0 ? "" : ",");
        AppendHost(out, *record, vendors.get(), browser);
    }
    out += "],\"servers\":[";
    for (size_t i = 0; i < servers.size(); ++i) {
        out += (i == 0 ? "" : ",");
        AppendServer(out, servers[i], browser);
    }
    out += "]";
    if (files != nullptr) {
        nlohmann::json list = nlohmann::json::array();
        for (const SearchResult& file : *files) {
            list.push_back({{"path", file.path},
                            {"host", file.host},
                            {"share", file.share},
                            {"name", file.name},
                            {"size", file.size},
                            {"mtime", IsoLocalTime(file.mtime)}});
        }
        out += ",\"files\":" + list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    out += "}\n";
    return out;
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
