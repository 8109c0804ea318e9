#include "lab_hostile.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace corvimap::lab {
namespace {

constexpr size_t kRequestQuestionEnd = 50;  // header (12), encoded name (34), type and class (4)
constexpr size_t kUnitIdAndStatistics = 46;
constexpr int kFloodCopies = 1000;

int BoundUdp(const std::string& address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (fd < 0 || inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

int ListeningTcp(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        listen(fd, 64) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

// Waits for one of the sockets or the wake pipe; the index of a readable socket, -1 to stop.
int WaitForWork(const int* sockets, size_t count, int wake) {
    std::array<pollfd, 3> fds{};
    fds[0] = {wake, POLLIN, 0};
    for (size_t k = 0; k < count; ++k) {
        fds[k + 1] = {sockets[k], POLLIN, 0};
    }
    for (;;) {
        if (poll(fds.data(), count + 1, -1) < 0) {
            return -1;
        }
        if (fds[0].revents != 0) {
            return -1;
        }
        for (size_t k = 0; k < count; ++k) {
            if (fds[k + 1].revents != 0) {
                return static_cast<int>(k);
            }
        }
    }
}

void Wake(int (&wake)[2], std::thread& thread) {
    if (wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t sent = write(wake[1], &byte, 1);
    }
    if (thread.joinable()) {
        thread.join();
    }
    for (int& fd : wake) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

}  // namespace

std::string HostileNetbiosResponder::NameBytes(HostileNetbios kind) {
    switch (kind) {
        case HostileNetbios::kControlNames:
            return "T\tN\nC\rP|\x01\x7f\xff";
        case HostileNetbios::kClaimsMore:
            return "SHORT";
        case HostileNetbios::kOtherAddress:
            return "ELSEWHERE";
        case HostileNetbios::kFlood:
            return "FLOOD";
        case HostileNetbios::kPlain:
            return "LIVEHOST";
    }
    return {};
}

std::string HostileNetbiosResponder::WorkgroupBytes(HostileNetbios kind) {
    return kind == HostileNetbios::kControlNames ? "W\x1b\xfe\x80G" : "HOSTILE";
}

HostileNetbiosResponder::HostileNetbiosResponder(HostileNetbios kind,
                                                 const std::string& own_address,
                                                 const std::string& other_address)
    : kind_(kind) {
    socket_ = BoundUdp(own_address, 137);
    if (kind == HostileNetbios::kOtherAddress) {
        from_ = BoundUdp(other_address, 137);
    }
    if (!Ok() || pipe2(wake_, O_CLOEXEC) != 0) {
        return;
    }
    thread_ = std::thread([this] { Serve(); });
}

HostileNetbiosResponder::~HostileNetbiosResponder() {
    Wake(wake_, thread_);
    for (const int fd : {socket_, from_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::vector<uint8_t> HostileNetbiosResponder::Reply(const uint8_t* request, size_t length) const {
    if (length < kRequestQuestionEnd) {
        return {};
    }
    std::vector<uint8_t> reply(request, request + kRequestQuestionEnd);
    reply[2] = 0x84;  // response, authoritative
    reply[3] = 0x00;
    reply[5] = 0x00;  // no question, one answer
    reply[7] = 0x01;
    const std::vector<std::pair<std::string, bool>> names = {{NameBytes(kind_), false},
                                                             {WorkgroupBytes(kind_), true}};
    const bool claims_more = kind_ == HostileNetbios::kClaimsMore;
    const size_t carried = claims_more ? 1 : names.size();
    const size_t data_length = 1 + carried * 18 + (claims_more ? 0 : kUnitIdAndStatistics);
    reply.insert(reply.end(), {0, 0, 0, 0});  // TTL
    reply.push_back(static_cast<uint8_t>(data_length >> 8));
    reply.push_back(static_cast<uint8_t>(data_length));
    reply.push_back(claims_more ? 40 : static_cast<uint8_t>(names.size()));
    for (size_t k = 0; k < carried; ++k) {
        std::string text = names[k].first;
        text.resize(15, ' ');
        reply.insert(reply.end(), text.begin(), text.end());
        reply.push_back(names[k].second ? 0x00 : 0x20);
        reply.push_back(names[k].second ? 0x84 : 0x04);
        reply.push_back(0x00);
    }
    if (!claims_more) {
        reply.resize(reply.size() + kUnitIdAndStatistics, 0);
    }
    return reply;
}

void HostileNetbiosResponder::Serve() {
    while (WaitForWork(&socket_, 1, wake_[0]) == 0) {
        std::array<uint8_t, 1500> request{};
        sockaddr_in peer{};
        socklen_t peer_length = sizeof peer;
        const ssize_t received = recvfrom(socket_, request.data(), request.size(), 0,
                                          reinterpret_cast<sockaddr*>(&peer), &peer_length);
        if (received <= 0) {
            continue;
        }
        ++queries_;
        const std::vector<uint8_t> reply = Reply(request.data(), static_cast<size_t>(received));
        const int from = kind_ == HostileNetbios::kOtherAddress ? from_ : socket_;
        const int copies = kind_ == HostileNetbios::kFlood ? kFloodCopies : 1;
        for (int k = 0; k < copies && !reply.empty(); ++k) {
            sendto(from, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&peer),
                   peer_length);
        }
    }
}

SilentSmbServer::SilentSmbServer() {
    sockets_[0] = ListeningTcp(445);
    sockets_[1] = ListeningTcp(139);
    if (!Ok() || pipe2(wake_, O_CLOEXEC) != 0) {
        return;
    }
    thread_ = std::thread([this] { Serve(); });
}

SilentSmbServer::~SilentSmbServer() {
    Wake(wake_, thread_);
    for (const int fd : held_) {
        close(fd);
    }
    for (const int fd : sockets_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void SilentSmbServer::Serve() {
    for (int ready; (ready = WaitForWork(sockets_, 2, wake_[0])) >= 0;) {
        const int connection = accept4(sockets_[ready], nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            held_.push_back(connection);
            ++accepted_;
        }
    }
}

corvimap::testing::FakeServerState HostileQuakeWorldServer() {
    corvimap::testing::FakeServerState state = corvimap::testing::RealisticQuakeWorldServer();
    state.info.emplace_back("emptyrule", "");
    state.info.emplace_back("another", "");
    state.players.clear();
    for (size_t k = 0; k < kHostileQuakeWorldPlayers; ++k) {
        std::string name = "\x8f" + std::to_string(k) + "^1";
        while (name.size() < 110) {
            name += "^" + std::to_string(name.size() % 10) + "\xe1";
        }
        state.players.push_back({name, static_cast<int>(k), 50});
    }
    return state;
}

corvimap::testing::FakeServerState HugeQuake3Server() {
    corvimap::testing::FakeServerState state = corvimap::testing::RealisticQuake3Server();
    state.info.emplace_back("emptyrule", "");
    state.info.emplace_back("sv_hostname", std::string(60, '^') + "1" + std::string(80, 'X'));
    std::string long_name;
    while (long_name.size() < 120) {
        long_name += "^" + std::to_string(long_name.size() % 10) + "N";
    }
    state.players.clear();
    for (int k = 0; k < 2500; ++k) {
        state.players.push_back({k % 50 == 0 ? long_name : "p" + std::to_string(k), k, k % 999});
    }
    return state;
}

std::string HugeQuake3StatusReply() {
    std::string reply = corvimap::testing::Quake3StatusReply(HugeQuake3Server());
    const size_t info_end = reply.find('\n', reply.find('\n') + 1);
    reply.insert(info_end, "\\lonelykey");
    return reply;
}

}  // namespace corvimap::lab
