#include "controls/qt/ui_handover.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <thread>

#include "options/qt/options_test_helpers.h"

namespace corvimap {
namespace {

using testing::ProcessEventsUntil;

TEST(UiHandoverTest, WorkFromAWorkerRunsOnTheUiThreadBeforeTheWorkerGoesOn) {
    UiHandover handover;
    QThread* ui_thread = QThread::currentThread();
    QThread* ran_on = nullptr;
    int order = 0;
    int seen_by_worker = -1;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        const bool ran = handover.Run([&] {
            ran_on = QThread::currentThread();
            order = 1;
        });
        EXPECT_TRUE(ran);
        seen_by_worker = order;
        finished = true;
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(ran_on, ui_thread);
    EXPECT_EQ(seen_by_worker, 1);

    bool direct = false;
    EXPECT_TRUE(handover.Run([&] { direct = true; }));
    EXPECT_TRUE(direct) << "on the UI thread the work runs at once";
}

TEST(UiHandoverTest, ClosingReleasesAWaitingWorkerWhileTheUiThreadWaitsForIt) {
    UiHandover handover;
    std::atomic<bool> waiting{false};
    std::atomic<bool> ran{false};
    bool result = true;
    std::thread worker([&] {
        waiting = true;
        result = handover.Run([&] { ran = true; });
    });
    while (!waiting) {
        std::this_thread::yield();
    }
    // The UI thread does not process events here: like a window that closes and waits for its
    // workers. Without the release this join would never return.
    handover.Close();
    worker.join();
    EXPECT_FALSE(result);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran.load()) << "abandoned work never runs later";
    EXPECT_FALSE(handover.Run([&] { ran = true; }));
    EXPECT_FALSE(ran.load());
}

}  // namespace
}  // namespace corvimap
