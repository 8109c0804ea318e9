#include "games/host_check.h"

namespace corvimap {

void CheckHostForGameServers(const GameServerBrowser& browser, NetAddress address,
                             std::chrono::milliseconds exchange_timeout, GameHostRecord& record,
                             ServerReportSink& sink, const WaitCancel* cancel) {
    for (size_t i = 0; i < browser.Count() && !IsCancelled(cancel); ++i) {
        const GameServerType& type = browser.At(i);
        if (!type.CheckedDuringScan()) {
            continue;
        }
        record.SetState(type.ImageIndex());
        const GameServerType::PortList ports = type.Ports();
        for (const uint16_t port : *ports) {
            QueryOutcome outcome = type.Query()(address, port, exchange_timeout, cancel);
            if (IsCancelled(cancel)) {
                break;
            }
            if (!outcome.answered) {
                continue;
            }
            if (outcome.report) {
                sink.UpdateServer(type.ImageIndex(), std::move(*outcome.report));
            }
            record.AttachGameMarker(type.ImageIndex());
        }
    }
    record.FinishProbe();
}

}  // namespace corvimap
