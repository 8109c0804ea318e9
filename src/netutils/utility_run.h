#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "engine/icmp_echo.h"

namespace corvimap {

// Where a ping or trace run shows its progress: the page's text area and list. Called on the
// worker thread; an implementation hands each call to the UI thread and returns once it is shown.
class UtilitySink {
public:
    virtual ~UtilitySink() = default;
    // The whole text of the text area.
    virtual void ShowText(const std::string& text) = 0;
    virtual void ClearRows() = 0;
    // Appends a row; cells beyond the given ones stay empty.
    virtual void AddRow(const std::vector<std::string>& cells) = 0;
    virtual void SetCell(int row, int column, const std::string& text) = 0;
};

// The flags a page shares with its running worker. The stop request is read after each packet or
// hop; the cancel ends the run at once, echo waits included (the window is closing).
struct RunControl {
    std::atomic<bool> stop_requested{false};
    EchoCancel cancel;

    bool Cancelled() const { return cancel.Cancelled(); }
};

}  // namespace corvimap
