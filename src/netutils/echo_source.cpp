#include "netutils/echo_source.h"

#include "engine/net_api_layer.h"

namespace corvimap {

bool NetApiEchoSource::Available() const {
    return !layer_.IcmpUnavailable();
}

std::optional<EchoReply> NetApiEchoSource::Echo(NetAddress address, uint32_t timeout_ms,
                                                uint16_t data_size, uint8_t ttl,
                                                const EchoCancel& cancel) {
    return layer_.EchoRequest(address, timeout_ms, data_size, ttl, &cancel);
}

}  // namespace corvimap

namespace corvimap {
namespace {

class OwnLayerEchoSource final : public EchoSource {
public:
    bool Available() const override { return source_.Available(); }
    std::optional<EchoReply> Echo(NetAddress address, uint32_t timeout_ms, uint16_t data_size,
                                  uint8_t ttl, const EchoCancel& cancel) override {
        return source_.Echo(address, timeout_ms, data_size, ttl, cancel);
    }

private:
    NetApiLayer layer_;
    NetApiEchoSource source_{layer_};
};

}  // namespace

std::unique_ptr<EchoSource> MakeSystemEchoSource(const NetApiLayer* shared) {
    if (shared != nullptr) {
        return std::make_unique<NetApiEchoSource>(*shared);
    }
    return std::make_unique<OwnLayerEchoSource>();
}

}  // namespace corvimap
