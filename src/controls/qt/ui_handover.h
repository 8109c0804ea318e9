#pragma once

#include <QObject>
#include <atomic>
#include <functional>

namespace corvimap {

// Hands work from worker threads to the UI thread and waits until it is done, so a worker sees
// its change on screen before it goes on. On the UI thread the work runs at once. Once the
// window is gone (Close), waiting workers are released and later hand-overs return without
// running anything, so no worker ever touches a destroyed widget and closing never deadlocks on
// a worker that waits for the UI.
class UiHandover final : public QObject {
    Q_OBJECT
public:
    // Must be created on the UI thread.
    explicit UiHandover(QObject* parent = nullptr);
    ~UiHandover() override;

    // True when the work ran; false when the window was already gone or went away meanwhile.
    bool Run(std::function<void()> work);

    // The window is going: no more work runs, waiting workers return false at once.
    void Close();
    bool Closed() const { return closed_.load(); }

private:
    struct Pending;
    std::atomic<bool> closed_{false};
};

}  // namespace corvimap
