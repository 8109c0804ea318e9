#include "app/qt/window_scan_view.h"

#include "app/qt/main_window.h"
#include "controls/qt/ui_handover.h"
#include "controls/window_layout.h"

namespace corvimap {

WindowScanView::WindowScanView(UiHandover& handover) : handover_(handover) {}

WindowScanView::~WindowScanView() = default;

void WindowScanView::Attach(MainWindow* window) {
    window_ = window;
}

void WindowScanView::SetScanButtonText(const std::string& text) {
    handover_.Run([&] {
        if (window_) {
            window_->SetScanButtonText(QString::fromStdString(text));
        }
    });
}

void WindowScanView::EnableHostListButtons(bool enabled) {
    handover_.Run([&] {
        if (window_) {
            window_->SetHostListButtonsEnabled(enabled);
        }
    });
}

void WindowScanView::KillScanTimer() {
    handover_.Run([&] {
        if (window_) {
            window_->StopScanTimer();
        }
    });
}

void WindowScanView::ArmScanTimer(std::chrono::milliseconds period) {
    handover_.Run([&] {
        if (window_) {
            window_->StartScanTimer(period);
        }
    });
}

void WindowScanView::ShowScanStatus(const std::string& text) {
    handover_.Run([&] {
        if (window_) {
            window_->ShowStatus(kHostListPane, text);
        }
    });
}

}  // namespace corvimap
