#include "netutils/utility_worker.h"

namespace corvimap {

UtilityWorker::~UtilityWorker() {
    CancelAndJoin();
}

bool UtilityWorker::Start(Run run, std::function<void()> finished) {
    if (running_.load()) {
        return false;
    }
    Join();
    running_.store(true);
    control_ = std::make_shared<RunControl>();
    thread_ = std::thread(
        [this, control = control_, run = std::move(run), finished = std::move(finished)] {
            run(*control);
            if (finished) {
                finished();
            }
            running_.store(false);
        });
    return true;
}

void UtilityWorker::RequestStop() {
    if (control_) {
        control_->stop_requested.store(true);
    }
}

void UtilityWorker::CancelAndJoin() {
    if (control_) {
        control_->stop_requested.store(true);
        control_->cancel.Cancel();
    }
    Join();
}

void UtilityWorker::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace corvimap
