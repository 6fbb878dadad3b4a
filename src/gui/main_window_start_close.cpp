// The main window's start and end: start-up checks when it is created, the
// rest when it is first shown, and the refusal to close during a run.
#include "gui/main_window.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QTimer>

#include "gui/gui_text.h"
#include "util/file_version.h"

namespace gvc::gui {

using namespace gvc::literals;

void MainWindow::AttachWindows(ProgressWindow* progress, ReferenceDialog* reference) {
    progress_ = progress;
    relay_.window = progress;
    RunTransfersOnDevice(progress);
    reference_dialog_ = reference;
}

void MainWindow::FormCreate(const std::string& programDir) {
    // The run's status field stays hidden until a run shows it.
    edStatusG->hide();
    // A refused second instance asks nothing and creates nothing: its show
    // handler only says so and closes the window.
    startupOk_ = !parts_.secondInstance && startup_.StartupChecks(programDir);
    connectionState_ = 1;
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void MainWindow::FormShow() {
    if (parts_.secondInstance) {
        parts_.op.Show(MessageKind::kError, "Повторный запуск программы ЗАПРЕЩЕН!"_cp);
        RequestClose();
    }
    tmSample->stop();
    tmDraw->stop();
    // A window that is closing creates nothing more: a second instance and a
    // failed start-up leave the data tree alone, and one error box is the end.
    if (closeRequested_) return;
    if (!startupOk_) {
        RequestClose();
        return;
    }
    if (!startup_.FinishStartup()) {
        RequestClose();
        return;
    }
    const std::string version = GetFileVersionText(parts_.programFile);
    setWindowTitle(windowTitle() + Qs(" (v_"_cp) + Qs(version) + QStringLiteral(")"));
    RefreshConnectionDisplay();
    reference_ = ReferenceSelection{};
    referenceCylinder_.reset();
    OpenStore();
    StartCentral();
    help_ = LocateHelpFiles(startup_.ProgramDir());
}

void MainWindow::RequestClose() {
    closeRequested_ = true;
    QTimer::singleShot(0, this, [this] { close(); });
}

bool MainWindow::RunIsActive() const {
    return run_->Running();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (RunIsActive()) {
        parts_.op.Show(MessageKind::kError, "Идет Градуировка - Выключение Запрещено!"_cp);
        event->ignore();
        return;
    }
    // A connection under way stops after the exchange on the line.
    if (connecting_) device_->Cancel();
    // A run that ended without its result and could not yet put the sensor
    // back does so before the program ends.
    run_->RestoreIfNeeded();
    // The sending to the central server stops; the window does not wait for it.
    StopCentral(false);
    event->accept();
}

}  // namespace gvc::gui
