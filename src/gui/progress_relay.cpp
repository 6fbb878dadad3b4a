// The main window's transfers go through the progress window once it is
// attached; before that they simply run. A transfer runs on the device thread
// and its page names and bar steps are shown on the window's thread.
#include "gui/main_window.h"
#include "gui/progress_window.h"

namespace gvc::gui {

int MainWindow::ProgressRelay::RunTransfer(TransferMode mode, const std::function<int()>& operation) {
    return window != nullptr ? window->RunTransfer(mode, operation) : operation();
}

void MainWindow::ProgressRelay::OnWindowThread(std::function<void()> show) {
    if (device != nullptr && device->OnDeviceThread()) {
        host->Post(std::move(show));
    } else {
        show();
    }
}

void MainWindow::ProgressRelay::PageStarted(std::string_view page) {
    if (window == nullptr) return;
    OnWindowThread([w = window, copy = std::string(page)] { w->PageStarted(copy); });
}

void MainWindow::ProgressRelay::Advance(int steps) {
    if (window == nullptr) return;
    OnWindowThread([w = window, steps] { w->Advance(steps); });
}

}  // namespace gvc::gui
