// The main window and the calibration database: opening it when the window
// is first shown, one message when it cannot be opened or written, the
// settings a run records, the cylinders the reference dialog offers, and the
// "Журнал" page reachable without a sensor.
#include <QTabWidget>

#include "gui/cylinder_dialog.h"
#include "gui/gui_text.h"
#include "gui/log_page.h"
#include "gui/main_window.h"
#include "gui/settings_dialog.h"
#include "records/report_timestamp.h"
#include "store/calibration_store.h"
#include "store/store_recovery.h"

namespace gvc::gui {

using namespace gvc::literals;

void MainWindow::OpenStore() {
    settings_ = LoadSettings(parts_.fs);
    // The window holds the single-instance lock: no run of this workstation
    // is under way, and the runs a stop left unfinished are closed now.
    const StoreSession session = OpenWorkstationStore(storePlaces_, true);
    if (!session.store) {
        ShowStoreProblem(std::string("База данных градуировок недоступна: "_cp) + session.message + "\r\n" +
                         std::string("Отчет и сертификаты сохраняются в файлах как обычно."_cp));
        return;
    }
    if (session.imported && session.import.added > 0)
        parts_.op.Show(MessageKind::kWarning, RebuiltStoreText(storePlaces_.database, session.import.added));
    for (const RunRecord& run : session.unfinished)
        parts_.op.Show(MessageKind::kWarning, UnfinishedRunText(run));
    for (const std::string& p : session.problems)
        parts_.op.Show(MessageKind::kWarning, p);
}

void MainWindow::ShowStoreProblem(const std::string& message) {
    // The same trouble is said once; the files of record are saved regardless.
    if (message == lastStoreProblem_) return;
    lastStoreProblem_ = message;
    parts_.op.Show(MessageKind::kWarning, message);
}

std::string MainWindow::OperatorName() {
    return OperatorNameFor(settings_);
}

double MainWindow::AsFoundTolerancePercent() {
    return settings_.tolerancePercent;
}

void MainWindow::btLogClick() {
    // Without a sensor the log is the only page: the others stay hidden.
    const bool connected = connectionState_ == 0;
    pcGrad->setTabVisible(pcGrad->indexOf(tsPar), connected);
    pcGrad->setTabVisible(pcGrad->indexOf(tsCal), connected);
    pcGrad->show();
    pcGrad->setCurrentWidget(tsLog);
}

std::vector<CylinderOffer> MainWindow::SensorCylinders(std::string& none) {
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(storePlaces_.database, problem);
    if (!store) {
        none = std::string("База данных недоступна: "_cp) + problem;
        return {};
    }
    const StoreRead<std::vector<Cylinder>> read = store->CylindersForGas(sensor_.NewParams.GasCode);
    if (!read.ok) {
        none = read.message;
        return {};
    }
    std::vector<gvc::ReferenceCylinder> cylinders;
    for (const Cylinder& c : read.value)
        cylinders.push_back({c.id, c.gasCode, c.concentration, c.unitText, c.lot, c.expiry});
    return OfferCylinders(cylinders, sensor_.NewParams.GasCode, SensorReferenceRange(), LocalDateToday());
}

void MainWindow::OpenCylinders() {
    std::vector<std::pair<int, std::string>> gases;
    for (unsigned code = 0; code < 100; ++code) {
        const std::string& name = table_.GasName(code);
        if (!name.empty()) gases.emplace_back(static_cast<int>(code), name);
    }
    CylinderDialog dialog(parts_.op, storePlaces_.database, std::move(gases), this);
    dialog.exec();
}

void MainWindow::OpenSettings() {
    SettingsDialog dialog(parts_.op, parts_.fs, settings_, this);
    if (dialog.exec() == QDialog::Accepted) settings_ = dialog.Settings();
}

}  // namespace gvc::gui
