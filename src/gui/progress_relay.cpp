// The main window's transfers go through the progress window once it is
// attached; before that they simply run.
#include "gui/main_window.h"
#include "gui/progress_window.h"

namespace gvc::gui {

int MainWindow::ProgressRelay::RunTransfer(TransferMode mode, const std::function<int()>& operation) {
    return window != nullptr ? window->RunTransfer(mode, operation) : operation();
}

void MainWindow::ProgressRelay::PageStarted(std::string_view page) {
    if (window != nullptr) window->PageStarted(page);
}

void MainWindow::ProgressRelay::Advance(int steps) {
    if (window != nullptr) window->Advance(steps);
}

}  // namespace gvc::gui
