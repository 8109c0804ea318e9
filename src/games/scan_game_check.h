#pragma once

#include "engine/host_table.h"
#include "engine/probe_network.h"
#include "games/game_server_browser.h"
#include "games/server_report_sink.h"
#include "settings/scan_settings.h"

namespace corvimap {

// The game server check as a probe runs it: the enabled types are asked on their ports while
// the host's row shows which, and answers leave markers on the row and reports in the sink.
class ScanGameCheck final : public GameHostCheck {
public:
    ScanGameCheck(const GameServerBrowser& browser, HostTable& hosts, const ScanSettings& settings,
                  ServerReportSink& sink);
    void CheckHost(NetAddress address, const HostHandle& record, const WaitCancel* cancel) override;

private:
    const GameServerBrowser& browser_;
    HostTable& hosts_;
    const ScanSettings& settings_;
    ServerReportSink& sink_;
};

}  // namespace corvimap
