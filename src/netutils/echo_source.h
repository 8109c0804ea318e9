#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "engine/icmp_echo.h"
#include "engine/ipv4.h"

namespace corvimap {

class NetApiLayer;

// Where the ping and traceroute workers get their echoes from: the system's network layer, or a
// script in tests. Called from one worker thread at a time per run.
class EchoSource {
public:
    virtual ~EchoSource() = default;

    // False when no echo can be sent at all (no ICMP socket may be opened).
    virtual bool Available() const = 0;
    // One echo request with data_size zero bytes of data and the TTL, waiting up to timeout_ms
    // (cut short by the cancel). None only when ICMP is unavailable.
    virtual std::optional<EchoReply> Echo(NetAddress address, uint32_t timeout_ms,
                                          uint16_t data_size, uint8_t ttl,
                                          const EchoCancel& cancel) = 0;
};

// The echoes of the system's network layer, which must outlive this source.
class NetApiEchoSource final : public EchoSource {
public:
    explicit NetApiEchoSource(const NetApiLayer& layer) : layer_(layer) {}

    bool Available() const override;
    std::optional<EchoReply> Echo(NetAddress address, uint32_t timeout_ms, uint16_t data_size,
                                  uint8_t ttl, const EchoCancel& cancel) override;

private:
    const NetApiLayer& layer_;
};

}  // namespace corvimap

namespace corvimap {

// The system's echoes: over the shared layer when there is one (it must outlive the source),
// else over a layer of the source's own.
std::unique_ptr<EchoSource> MakeSystemEchoSource(const NetApiLayer* shared);

}  // namespace corvimap
