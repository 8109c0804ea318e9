#pragma once

// What the window tests in the lab share. Main thread only.

#include <QCoreApplication>
#include <chrono>
#include <functional>

namespace corvimap::lab {

// Runs the event loop until done() or a deadline far beyond a lab scan, even a sanitized one.
inline bool ProcessEventsUntil(const std::function<bool()>& done,
                               std::chrono::seconds limit = std::chrono::seconds(180)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace corvimap::lab
