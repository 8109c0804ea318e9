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
