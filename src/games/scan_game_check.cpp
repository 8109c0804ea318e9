#include "games/scan_game_check.h"

#include "games/game_query.h"
#include "games/host_check.h"

namespace corvimap {
namespace {

class TableGameRecord final : public GameHostRecord {
public:
    TableGameRecord(HostTable& hosts, const HostHandle& record) : hosts_(hosts), record_(record) {}
    void SetState(uint8_t state) override {
        hosts_.SetState(record_, static_cast<HostState>(state));
    }
    void AttachGameMarker(uint8_t kind) override {
        hosts_.AttachMarker(record_, HostMarker{kind, std::nullopt});
    }
    // The probe finishes the record itself, once, after this check.
    void FinishProbe() override {}

private:
    HostTable& hosts_;
    const HostHandle& record_;
};

}  // namespace

ScanGameCheck::ScanGameCheck(const GameServerBrowser& browser, HostTable& hosts,
                             const ScanSettings& settings, ServerReportSink& sink)
    : browser_(browser), hosts_(hosts), settings_(settings), sink_(sink) {}

void ScanGameCheck::CheckHost(NetAddress address, const HostHandle& record,
                              const WaitCancel* cancel) {
    TableGameRecord table_record(hosts_, record);
    CheckHostForGameServers(browser_, address, ExchangeTimeout(settings_.PingTimeout), table_record,
                            sink_, cancel);
}

}  // namespace corvimap
