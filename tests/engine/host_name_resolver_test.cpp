#include "engine/host_name_resolver.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <thread>

namespace corvimap {
namespace {

// The machine's own host table answers for loopback without any network (an unnamed address
// would send a DNS query), on many threads at once.
TEST(HostNameResolverTest, LoopbackResolvesToItsNameAndBackOnManyThreadsAtOnce) {
    const std::string name = ResolveHostName(MakeAddress(127, 0, 0, 1));
    ASSERT_FALSE(name.empty()) << "127.0.0.1 has no name in /etc/hosts here";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    ASSERT_EQ(getaddrinfo(name.c_str(), nullptr, &hints, &found), 0);
    EXPECT_EQ(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr,
              MakeAddress(127, 0, 0, 1));
    freeaddrinfo(found);

    std::vector<std::jthread> threads;
    std::atomic<int> mismatches{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            for (int round = 0; round < 50; ++round) {
                mismatches += ResolveHostName(MakeAddress(127, 0, 0, 1)) != name;
            }
        });
    }
    threads.clear();  // joins them
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace corvimap
