#include "lab/fake_quake_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace corvimap::testing {
namespace {

const std::string kOutOfBand = "\xff\xff\xff\xff";

std::string ValueOf(const FakeServerState& state, const std::string& key) {
    for (const auto& [name, value] : state.info) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

// The command word of a connectionless request: after the four 0xFF bytes up to a space, a line
// feed or a zero byte. Empty when the datagram is no such request.
std::string CommandOf(const std::string& datagram) {
    if (datagram.compare(0, kOutOfBand.size(), kOutOfBand) != 0) {
        return {};
    }
    const size_t start = kOutOfBand.size();
    const size_t end = datagram.find_first_of(std::string(" \n\0", 3), start);
    return datagram.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

FakeServerState RealisticQuakeWorldServer() {
    FakeServerState state;
    state.info = {{"maxclients", "16"},
                  {"*version", "MVDSV 0.35-dev"},
                  {"*z_ext", "511"},
                  {"maxfps", "77"},
                  {"pm_ktjump", "1"},
                  {"*progs", "so"},
                  {"timelimit", "20"},
                  {"fraglimit", "150"},
                  {"teamplay", "0"},
                  {"deathmatch", "3"},
                  {"watervis", "1"},
                  {"maxspectators", "8"},
                  {"*gamedir", "qw"},
                  {"*admin", "admin@fragnet.example"},
                  {"hostname",
                   "\x90"
                   "FragNet\x91 Deathmatch #1"},
                  {"map", "dm6"},
                  {"status", "Countdown"}};
    state.players = {{"\x90Sarge\x91", 37, 24},
                     {"Mr. Fragalot", 12, 45},
                     {"[QW] Viper", -2, 110},
                     {"unnamed", 0, 999}};
    return state;
}

FakeServerState RealisticQuake2Server() {
    FakeServerState state;
    state.info = {{"mapname", "q2dm1"},
                  {"gamename", "baseq2"},
                  {"Admin", "Kobra"},
                  {"website", "http://q2.fragnet.example"},
                  {"gamedate", "Nov 30 1997"},
                  {"uptime", "3 days 4 hours"},
                  {"maxspectators", "4"},
                  {"dmflags", "16"},
                  {"fraglimit", "30"},
                  {"timelimit", "15"},
                  {"cheats", "0"},
                  {"protocol", "34"},
                  {"hostname", "Quake II Deathmatch Arena"},
                  {"maxclients", "12"},
                  {"deathmatch", "1"},
                  {"version", "3.20 x86 Nov 30 1997 Linux RELEASE"}};
    state.players = {{"Big Bad Wolf", 18, 61}, {"Phantom", 7, 33}, {"Tank Commander", 0, 152}};
    return state;
}

FakeServerState RealisticQuake3Server() {
    FakeServerState state;
    state.info = {{"sv_maxclients", "16"},
                  {"g_gametype", "0"},
                  {"sv_hostname", "^1Frag^7Net ^3Q3 ^7FFA"},
                  {"sv_minRate", "0"},
                  {"sv_maxRate", "25000"},
                  {"sv_dlRate", "100"},
                  {"sv_minPing", "0"},
                  {"sv_maxPing", "400"},
                  {"sv_floodProtect", "1"},
                  {"sv_allowDownload", "1"},
                  {"sv_dlURL", "http://maps.fragnet.example/q3"},
                  {"dmflags", "0"},
                  {"fraglimit", "30"},
                  {"timelimit", "15"},
                  {"capturelimit", "8"},
                  {"g_maxGameClients", "0"},
                  {"bot_minplayers", "4"},
                  {"version", "ioq3 1.36_GIT_ff6165e4-2020-04-07 linux-x86_64 Apr  7 2020"},
                  {"protocol", "68"},
                  {"mapname", "q3dm17"},
                  {"sv_privateClients", "0"},
                  {"sv_punkbuster", "0"},
                  {"gamename", "baseq3"},
                  {"g_needpass", "0"},
                  {"g_motd", "Welcome! Be nice, ^1no camping^7."},
                  {"sv_pure", "1"},
                  {"g_allowVote", "1"},
                  {"g_doWarmup", "1"},
                  {"g_warmup", "20"},
                  {"g_friendlyFire", "0"},
                  {"sv_fps", "20"}};
    state.players = {{"^1Red^7Baron", 25, 48},
                     {"Lucky ^3Star", 14, 62},
                     {"^4Blue ^5Steel^7", 9, 0},
                     {"Doom Guy", -1, 0},
                     {"Sarge", 3, 0}};
    return state;
}

std::string InfoString(const std::vector<std::pair<std::string, std::string>>& info) {
    std::string text;
    for (const auto& [key, value] : info) {
        text += "\\" + key + "\\" + value;
    }
    return text;
}

std::string QuakeWorldStatusReply(const FakeServerState& state) {
    std::string reply = kOutOfBand + "n" + InfoString(state.info) + "\n";
    int userid = 101;
    for (const FakePlayer& player : state.players) {
        char line[512];
        std::snprintf(line, sizeof line, "%d %d %d %d \"%s\" \"%s\" %d %d\n", userid, player.frags,
                      14 + userid % 7, player.ping, player.name.c_str(), "base", userid % 14, 4);
        reply += line;
        ++userid;
    }
    return reply;
}

std::string Quake2StatusReply(const FakeServerState& state) {
    std::string reply = kOutOfBand + "print\n" + InfoString(state.info) + "\n";
    for (const FakePlayer& player : state.players) {
        reply += std::to_string(player.frags) + " " + std::to_string(player.ping) + " \"" +
                 player.name + "\"\n";
    }
    return reply;
}

std::string Quake3StatusReply(const FakeServerState& state) {
    std::string reply = kOutOfBand + "statusResponse\n" + InfoString(state.info) + "\n";
    for (const FakePlayer& player : state.players) {
        reply += std::to_string(player.frags) + " " + std::to_string(player.ping) + " \"" +
                 player.name + "\"\n";
    }
    return reply;
}

std::string Quake3InfoReply(const FakeServerState& state) {
    int humans = 0;
    for (const FakePlayer& player : state.players) {
        humans += player.ping != 0 ? 1 : 0;  // bots show ping 0
    }
    return kOutOfBand + "infoResponse\n" +
           InfoString({{"gamename", ValueOf(state, "gamename")},
                       {"protocol", ValueOf(state, "protocol")},
                       {"hostname", ValueOf(state, "sv_hostname")},
                       {"mapname", ValueOf(state, "mapname")},
                       {"clients", std::to_string(state.players.size())},
                       {"g_humanplayers", std::to_string(humans)},
                       {"sv_maxclients", ValueOf(state, "sv_maxclients")},
                       {"gametype", ValueOf(state, "g_gametype")},
                       {"pure", ValueOf(state, "sv_pure")},
                       {"g_needpass", ValueOf(state, "g_needpass")}});
}

FakeQuakeServer::FakeQuakeServer(FakeGame game, FakeServerState state, uint16_t port,
                                 bool all_addresses)
    : game_(game), state_(std::move(state)) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(all_addresses ? INADDR_ANY : INADDR_LOOPBACK);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(fd);
        return;
    }
    socket_ = fd;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

FakeQuakeServer::~FakeQuakeServer() {
    if (thread_.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(wake_[1], &stop, 1);
        thread_.join();
    }
    for (const int fd : {socket_, wake_[0], wake_[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void FakeQuakeServer::OverrideReply(const std::string& command, std::optional<std::string> reply) {
    std::lock_guard lock(mutex_);
    overrides_[command] = std::move(reply);
}

int FakeQuakeServer::RequestCount(const std::string& command) const {
    std::lock_guard lock(mutex_);
    const auto it = requests_.find(command);
    return it == requests_.end() ? 0 : it->second;
}

std::string FakeQuakeServer::LastRequest(const std::string& command) const {
    std::lock_guard lock(mutex_);
    const auto it = last_requests_.find(command);
    return it == last_requests_.end() ? std::string() : it->second;
}

std::optional<std::string> FakeQuakeServer::ReplyTo(const std::string& command,
                                                    const std::string& request) {
    {
        std::lock_guard lock(mutex_);
        ++requests_[command];
        last_requests_[command] = request;
        const auto it = overrides_.find(command);
        if (it != overrides_.end()) {
            return it->second;
        }
    }
    switch (game_) {
        case FakeGame::kQuakeWorld:
            if (command == "status") {
                return QuakeWorldStatusReply(state_);
            }
            break;
        case FakeGame::kQuake2:
            if (command == "status") {
                return Quake2StatusReply(state_);
            }
            break;
        case FakeGame::kQuake3:
            if (command == "getstatus") {
                return Quake3StatusReply(state_);
            }
            if (command == "getinfo") {
                return Quake3InfoReply(state_);
            }
            break;
    }
    return std::nullopt;
}

void FakeQuakeServer::Serve() {
    std::string datagram(65536, '\0');
    for (;;) {
        pollfd watch[2] = {{socket_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(watch, 2, -1) < 0) {
            continue;
        }
        if (watch[1].revents != 0) {
            return;
        }
        sockaddr_in from{};
        socklen_t from_length = sizeof from;
        const ssize_t received = ::recvfrom(socket_, datagram.data(), datagram.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &from_length);
        if (received < 0) {
            continue;
        }
        const std::string request = datagram.substr(0, static_cast<size_t>(received));
        const std::string command = CommandOf(request);
        if (command.empty()) {
            continue;
        }
        const std::optional<std::string> reply = ReplyTo(command, request);
        if (reply) {
            ::sendto(socket_, reply->data(), reply->size(), 0,
                     reinterpret_cast<const sockaddr*>(&from), from_length);
        }
    }
}

}  // namespace corvimap::testing
