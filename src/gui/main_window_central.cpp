// The main window and the laboratory's central server: with central.ini
// beside the data, the window sends its runs on a worker thread at start-up
// and after each stored run, shows the state on the "Журнал" page, and lets
// the page show the laboratory's records. Without the file nothing of it
// happens.
#include "central/central_settings.h"
#include "gui/central_sending.h"
#include "gui/gui_text.h"
#include "gui/log_page.h"
#include "gui/main_window.h"

namespace gvc::gui {

using namespace gvc::literals;

void MainWindow::StartCentral() {
    if (central_) return;
    std::string problem;
    const std::optional<CentralSettings> settings = LoadCentralSettings(problem);
    if (!settings) {
        // No file: the central database is not used, and nothing is said.
        if (!problem.empty())
            ShowStoreProblem(std::string("Центральная база не используется: "_cp) + problem);
        return;
    }
    tsLog->SetCentral(std::make_shared<const CentralSettings>(*settings));
    central_ = std::make_unique<CentralSending>(
        *settings, storePlaces_.database, [this](const CentralSendState& state) { ShowCentralState(state); });
}

void MainWindow::RunStored() {
    // The run may end on the device thread; the sending is told on the window's.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (central_) central_->SendNow();
        },
        Qt::QueuedConnection);
}

void MainWindow::ShowCentralState(const CentralSendState& state) {
    centralState_ = std::make_unique<CentralSendState>(state);
    tsLog->ShowCentralState(Qs(state.text), state.state != CentralState::kSent, Qs(state.detail));
    // The laboratory's view shows what the server has just taken.
    if (state.sentNow > 0 && tsLog->CurrentScope() == LogPage::Scope::kLaboratory) tsLog->Reload();
}

void MainWindow::StopCentral(bool wait) {
    if (!central_) return;
    if (wait)
        central_->Stop();
    else
        central_->RequestStop();
}

}  // namespace gvc::gui
