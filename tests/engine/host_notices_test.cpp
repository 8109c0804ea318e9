#include "engine/host_notices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

namespace corvimap {
namespace {

HostNotice Found(uint8_t last, const char* name) {
    return {HostNotice::Kind::Found, MakeAddress(198, 18, 0, last), name};
}

HostNotice Dead(uint8_t last) {
    return {HostNotice::Kind::Dead, MakeAddress(198, 18, 0, last), {}};
}

TEST(HostNoticesTest, OneNotificationNamesEveryHostInTheLogsWords) {
    // Notices, lines at most, summary, body.
    const std::tuple<std::vector<HostNotice>, std::size_t, const char*, const char*> cases[] = {
        {{Found(2, "A"), Dead(3), Found(4, "")},
         3,
         "Found new host (2), Dead host",
         "Found new host: 198.18.0.2 (A)\nDead host: 198.18.0.3\nFound new host: 198.18.0.4 ()"},
        {{Found(5, "<b>R&D</b>")},
         8,
         "Found new host",
         "Found new host: 198.18.0.5 (&lt;b&gt;R&amp;D&lt;/b&gt;)"},
        {{Dead(1), Dead(2), Dead(3), Dead(4)},
         2,
         "Dead host (4)",
         "Dead host: 198.18.0.1\nDead host: 198.18.0.2\n... and 2 more"},
    };
    for (const auto& [notices, max_lines, summary, body] : cases) {
        const NotificationText text = FormatHostNotices(notices, max_lines);
        EXPECT_EQ(std::tie(text.summary, text.body), std::tie(summary, body));
    }
}

TEST(HostNoticesTest, BatchCollectsFromManyThreadsAndSaysWhenItStartsAgain) {
    HostNoticeBatch batch;
    std::atomic<int> firsts = 0;
    {
        std::vector<std::jthread> workers;
        for (uint8_t k = 0; k < 8; ++k) {
            workers.emplace_back([&batch, &firsts, k] {
                for (int i = 0; i < 50; ++i) {
                    firsts += batch.Add(Found(k, "x")) ? 1 : 0;
                }
            });
        }
    }  // joined here
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(batch.Take().size(), 400u);
    EXPECT_TRUE(batch.Add(Dead(1))) << "a taken batch starts a new one";
}

}  // namespace
}  // namespace corvimap
