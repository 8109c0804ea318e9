#pragma once

#include <chrono>
#include <cstdint>

#include "engine/ipv4.h"
#include "engine/wait_cancel.h"
#include "games/game_server_browser.h"
#include "games/server_report_sink.h"

namespace corvimap {

// The host's record as the game server check changes it; the scan engine implements it over its
// host table (each call one thread-safe table operation).
class GameHostRecord {
public:
    virtual ~GameHostRecord() = default;
    // The row's state picture: the image index of the game being asked.
    virtual void SetState(uint8_t state) = 0;
    // A marker of this kind without text, replacing an earlier one of the same kind.
    virtual void AttachGameMarker(uint8_t kind) = 0;
    // The probe of this host is over: its state goes back to normal.
    virtual void FinishProbe() = 0;
};

// Asks one live host on every port of every type that is checked during scans, in list order,
// going on after a port has answered. An answer leaves the type's marker on the record and, when
// it carried a report, hands that to the sink. A cancel (may be null) that fires ends the
// waits and the check. Ends with FinishProbe, also when no type is enabled or it was cancelled.
void CheckHostForGameServers(const GameServerBrowser& browser, NetAddress address,
                             std::chrono::milliseconds exchange_timeout, GameHostRecord& record,
                             ServerReportSink& sink, const WaitCancel* cancel = nullptr);

}  // namespace corvimap
