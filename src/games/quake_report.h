#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ipv4.h"
#include "games/server_report.h"

namespace corvimap {

// Field 0 of a report: "a.b.c.d:port".
std::string ServerAddressField(NetAddress address, uint16_t port);

// Reports built from non-empty reply datagrams (the callers treat an empty datagram as an answer
// without a report). server is field 0. The player count of QuakeWorld and Quake II is the
// number of player lines read; Quake III Arena takes "clients" from its info reply.
ServerReport BuildQuakeWorldReport(std::string_view server, std::string_view status_reply);
ServerReport BuildQuake2Report(std::string_view server, std::string_view status_reply);
ServerReport BuildQuake3Report(std::string_view server, std::string_view status_reply,
                               std::string_view info_reply);

}  // namespace corvimap
