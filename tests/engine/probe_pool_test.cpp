#include "engine/probe_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

namespace corvimap {
namespace {

// Every address is probed once, never more at once than the slots allow (a limit of 0 allows
// one), on no more threads than that (reused, not one per address), and taken up in the order
// handed over; a stopped pool takes nothing more.
TEST(ProbePoolTest, ReusesAtMostLimitThreadsAndProbesEachAddressOnceInOrder) {
    std::vector<NetAddress> expected(501);
    std::iota(expected.begin(), expected.end(), 1);
    for (const int32_t limit : {0, 1, 3, 64}) {
        SCOPED_TRACE(limit);
        WorkerSlots slots;
        slots.Reset(limit);
        std::mutex mutex;
        std::vector<NetAddress> probed;
        std::set<std::thread::id> threads;
        int in_flight = 0;
        int most_in_flight = 0;
        std::atomic<bool> stop{false};
        {
            ProbePool pool(
                slots,
                [&](NetAddress address) {
                    {
                        std::lock_guard lock(mutex);
                        most_in_flight = std::max(most_in_flight, ++in_flight);
                        probed.push_back(address);
                        threads.insert(std::this_thread::get_id());
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    std::lock_guard lock(mutex);
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
        EXPECT_LE(most_in_flight, std::max(limit, 1));
        EXPECT_LE(threads.size(), static_cast<size_t>(std::max(limit, 1)) + 1);
        if (limit <= 1) {
            EXPECT_EQ(probed, expected);
        }
        std::sort(probed.begin(), probed.end());
        EXPECT_EQ(probed, expected);
    }
}

}  // namespace
}  // namespace corvimap
