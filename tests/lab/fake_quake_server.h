#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvimap::testing {

// A stand-in for QuakeWorld, Quake II and Quake III Arena servers, none of which can run on a
// test machine: a UDP responder on 127.0.0.1 that answers the status queries with reply
// datagrams laid out as the real servers send them.

enum class FakeGame { kQuakeWorld, kQuake2, kQuake3 };

struct FakePlayer {
    std::string name;
    int frags = 0;
    int ping = 0;
};

struct FakeServerState {
    // The server info string, in the order the server sends it.
    std::vector<std::pair<std::string, std::string>> info;
    std::vector<FakePlayer> players;
};

// Busy servers with colour codes, quoted names with spaces and many rules.
FakeServerState RealisticQuakeWorldServer();
FakeServerState RealisticQuake2Server();
FakeServerState RealisticQuake3Server();

// Reply datagrams as the servers build them.
// "\xff\xff\xff\xffn" info "\n", then "userid frags time ping "name" "skin" top bottom" lines.
std::string QuakeWorldStatusReply(const FakeServerState& state);
// "\xff\xff\xff\xffprint\n" info "\n", then "frags ping "name"" lines.
std::string Quake2StatusReply(const FakeServerState& state);
// "\xff\xff\xff\xffstatusResponse\n" info "\n", then "score ping "name"" lines.
std::string Quake3StatusReply(const FakeServerState& state);
// "\xff\xff\xff\xffinfoResponse\n" and the summary info string (hostname, mapname, clients,
// sv_maxclients among others), without a final line feed.
std::string Quake3InfoReply(const FakeServerState& state);
// "\key\value" pairs in order.
std::string InfoString(const std::vector<std::pair<std::string, std::string>>& info);

class FakeQuakeServer {
public:
    // Listens on 127.0.0.1 and a free port unless told otherwise; the lab runs servers on every
    // address of a host and on the games' own ports.
    FakeQuakeServer(FakeGame game, FakeServerState state, uint16_t port = 0,
                    bool all_addresses = false);
    ~FakeQuakeServer();
    FakeQuakeServer(const FakeQuakeServer&) = delete;
    FakeQuakeServer& operator=(const FakeQuakeServer&) = delete;

    // Whether the socket could be bound; a server that failed answers nothing.
    bool Ok() const { return socket_ >= 0; }
    uint16_t Port() const { return port_; }

    // Replaces the reply to a command ("status", "getstatus", "getinfo") with these bytes;
    // nothing: the server stays silent on that command.
    void OverrideReply(const std::string& command, std::optional<std::string> reply);
    // How many requests with this command arrived, and the bytes of the last one.
    int RequestCount(const std::string& command) const;
    std::string LastRequest(const std::string& command) const;

private:
    void Serve();
    std::optional<std::string> ReplyTo(const std::string& command, const std::string& request);

    FakeGame game_;
    FakeServerState state_;
    int socket_ = -1;
    int wake_[2] = {-1, -1};
    uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, std::optional<std::string>> overrides_;
    std::map<std::string, int> requests_;
    std::map<std::string, std::string> last_requests_;
    std::thread thread_;
};

}  // namespace corvimap::testing
