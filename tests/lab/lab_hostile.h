#pragma once

// Peers that misbehave on purpose, for scans that must shrug them off. Each is created on a
// thread that has joined a lab host's namespace (lab::InNetns), so its sockets and its own
// serving thread live there; the destructor stops and joins that thread.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "lab/fake_quake_server.h"

namespace corvimap::lab {

enum class HostileNetbios {
    kControlNames,  // name and workgroup full of tabs, line breaks, "|", control bytes, high bytes
    kClaimsMore,    // says it carries 40 names, carries one and no statistics
    kOtherAddress,  // answers from another address of its host
    kFlood,         // answers each query with a thousand copies of its reply
    kPlain,         // an ordinary reply, for a live host among many silent addresses
};

// A NetBIOS name service responder on UDP port 137 of `own_address`. kOtherAddress sends from
// `other_address`, which must be an address of the same namespace.
class HostileNetbiosResponder {
public:
    HostileNetbiosResponder(HostileNetbios kind, const std::string& own_address,
                            const std::string& other_address = "");
    ~HostileNetbiosResponder();
    HostileNetbiosResponder(const HostileNetbiosResponder&) = delete;
    HostileNetbiosResponder& operator=(const HostileNetbiosResponder&) = delete;

    bool Ok() const {
        return socket_ >= 0 && (kind_ != HostileNetbios::kOtherAddress || from_ >= 0);
    }
    int Queries() const { return queries_.load(); }

    // The name bytes this kind puts into its replies (15 at most, no spaces), and its workgroup.
    static std::string NameBytes(HostileNetbios kind);
    static std::string WorkgroupBytes(HostileNetbios kind);

private:
    void Serve();
    std::vector<uint8_t> Reply(const uint8_t* request, size_t length) const;

    HostileNetbios kind_;
    int socket_ = -1;
    int from_ = -1;  // kOtherAddress: the socket replies leave from
    int wake_[2] = {-1, -1};
    std::atomic<int> queries_{0};
    std::thread thread_;
};

// Accepts TCP connections on ports 445 and 139 of every address and never sends a byte.
class SilentSmbServer {
public:
    SilentSmbServer();
    ~SilentSmbServer();
    SilentSmbServer(const SilentSmbServer&) = delete;
    SilentSmbServer& operator=(const SilentSmbServer&) = delete;

    bool Ok() const { return sockets_[0] >= 0 && sockets_[1] >= 0; }
    int Accepted() const { return accepted_.load(); }

private:
    void Serve();

    int sockets_[2] = {-1, -1};
    int wake_[2] = {-1, -1};
    std::atomic<int> accepted_{0};
    std::vector<int> held_;  // accepted connections, kept open until the end
    std::thread thread_;
};

// A QuakeWorld server state that stays within one 4 KiB reply but is full of what a careless
// reader trips over: names of more than 99 bytes with colour codes, "|" and quotes, and rules
// with empty values.
corvimap::testing::FakeServerState HostileQuakeWorldServer();
inline constexpr size_t kHostileQuakeWorldPlayers = 20;

// A Quake III Arena server state whose status reply is far past 4 KiB: thousands of players,
// names of more than 99 bytes full of colour codes, and rules with empty values.
corvimap::testing::FakeServerState HugeQuake3Server();
// The status reply of that server with a rule key that has no value at all at the end.
std::string HugeQuake3StatusReply();

}  // namespace corvimap::lab
