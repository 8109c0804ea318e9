#include "controls/qt/ui_handover.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace corvimap {

// One hand-over: the worker waits on it, the UI thread runs it, Close abandons it.
struct UiHandover::Pending {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ran = false;
};

UiHandover::UiHandover(QObject* parent) : QObject(parent) {}

UiHandover::~UiHandover() {
    Close();
}

bool UiHandover::Run(std::function<void()> work) {
    if (closed_) {
        return false;
    }
    if (QThread::currentThread() == thread()) {
        work();
        return true;
    }
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        this,
        [this, pending, work = std::move(work)] {
            std::unique_lock lock(pending->mutex);
            if (!pending->done && !closed_) {
                // Run under the lock: Close cannot declare it abandoned half way.
                work();
                pending->ran = true;
            }
            pending->done = true;
            pending->finished.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    // Woken by the work finishing or, every few milliseconds, to notice that the window went.
    while (!pending->done) {
        if (closed_) {
            pending->done = true;
            return pending->ran;
        }
        pending->finished.wait_for(lock, std::chrono::milliseconds(10));
    }
    return pending->ran;
}

void UiHandover::Close() {
    closed_ = true;
}

}  // namespace corvimap
