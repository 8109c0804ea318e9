#include "engine/probe_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

namespace corvimap {
namespace {

// Every address is probed once, never more at once than the slots allow, on no more threads
// than that (reused, not one per address), and taken up in the order handed over; a stopped
// pool takes nothing more.
TEST(ProbePoolTest, ReusesAtMostLimitThreadsAndProbesEachAddressOnceInOrder) {
    for (const int32_t limit : {1, 3, 64}) {
        SCOPED_TRACE(limit);
        WorkerSlots slots;
        slots.Reset(limit);
        std::mutex mutex;
        std::vector<NetAddress> probed;
        std::set<std::thread::id> threads;
        std::atomic<int> in_flight{0};
        std::atomic<int> most_in_flight{0};
        std::atomic<bool> stop{false};
        {
            ProbePool pool(
                slots,
                [&](NetAddress address) {
                    const int now = ++in_flight;
                    int seen = most_in_flight.load();
                    while (now > seen && !most_in_flight.compare_exchange_weak(seen, now)) {
                    }
                    {
                        std::lock_guard lock(mutex);
                        probed.push_back(address);
                        threads.insert(std::this_thread::get_id());
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    --in_flight;
                },
                stop);
            for (NetAddress address = 1; address <= 500; ++address) {
                EXPECT_TRUE(pool.Run(address));
            }
            pool.Finish();
            EXPECT_TRUE(slots.Idle());
            EXPECT_EQ(probed.size(), 500u);
            // Handed over again after Finish: new threads take up the work.
            EXPECT_TRUE(pool.Run(501));
            pool.Finish();
            // Once stopped, nothing more is taken.
            stop = true;
            EXPECT_FALSE(pool.Run(502));
        }
        ASSERT_EQ(probed.size(), 501u);
        EXPECT_LE(most_in_flight.load(), limit);
        EXPECT_LE(threads.size(), static_cast<size_t>(limit) + 1);
        std::set<NetAddress> distinct(probed.begin(), probed.end());
        EXPECT_EQ(distinct.size(), 501u);
        if (limit == 1) {
            for (size_t k = 0; k < probed.size(); ++k) {
                EXPECT_EQ(probed[k], k + 1);
            }
        }
    }
}

}  // namespace
}  // namespace corvimap
