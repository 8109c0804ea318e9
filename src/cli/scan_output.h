#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/host_table.h"
#include "games/game_server_browser.h"
#include "games/server_report_sink.h"
#include "search/file_search.h"

namespace corvimap {

// Keeps the latest report of every game server, one per "address:port", in the order the
// servers were first seen (as the server list does).
class ServerCollector final : public ServerReportSink {
public:
    struct Entry {
        uint8_t image_index = 0;
        ServerReport report;
    };
    void UpdateServer(uint8_t image_index, ServerReport report) override;
    std::vector<Entry> Servers() const;

private:
    mutable std::mutex mutex_;
    std::vector<Entry> servers_;
};

// The scan result as one JSON object: {"schema":1,"hosts":[...],"servers":[...]}, with the found
// files
// ("files":[{"path","host","share","name","size","mtime"}]) after a file search.
std::string ScanResultJson(const HostTable& hosts,
                           const std::vector<ServerCollector::Entry>& servers,
                           const GameServerBrowser& browser,
                           const std::vector<SearchResult>* files = nullptr);

// One line per found file: UNC path, size in bytes and last-write time (ISO 8601, local),
// separated by tabs.
std::string SearchResultLines(const std::vector<SearchResult>& files);

}  // namespace corvimap
