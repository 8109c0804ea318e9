#pragma once

#include <QPointer>

#include "engine/scan_driver.h"

namespace corvimap {

class MainWindow;
class UiHandover;

// What the scan driver shows, handed over to the window's thread. Once the window is gone (or
// the hand-over closed) every call returns without touching anything.
class WindowScanView final : public ScanDriverView {
public:
    explicit WindowScanView(UiHandover& handover);
    ~WindowScanView() override;

    // On the UI thread: the window that shows the scan, or none.
    void Attach(MainWindow* window);

    void SetScanButtonText(const std::string& text) override;
    void EnableHostListButtons(bool enabled) override;
    void KillScanTimer() override;
    void ArmScanTimer(std::chrono::milliseconds period) override;
    void ShowScanStatus(const std::string& text) override;

private:
    UiHandover& handover_;
    QPointer<MainWindow> window_;  // read on the UI thread only
};

}  // namespace corvimap
