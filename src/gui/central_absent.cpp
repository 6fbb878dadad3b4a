// The window built without the central database client (a Windows build
// without libpq): there is no sending, the "Журнал" page's choice stays
// disabled, and a laboratory view asked for says why there is none.
#include "gui/central_laboratory_read.h"
#include "gui/central_sending.h"
#include "gui/main_window.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

std::string NotBuilt() {
    return std::string("Программа собрана без центральной базы"_cp);
}

}  // namespace

CentralSending::~CentralSending() = default;

void MainWindow::StartCentral() {}

void MainWindow::RunStored() {}

void MainWindow::ShowCentralState(const CentralSendState&) {}

void MainWindow::StopCentral(bool) {}

LaboratoryLog ReadLaboratoryLog(const CentralSettings&, const CivilDate&, std::int64_t) {
    LaboratoryLog log;
    log.message = NotBuilt();
    return log;
}

LaboratoryHistory ReadLaboratoryHistory(const CentralSettings&, const std::string&) {
    LaboratoryHistory history;
    history.message = NotBuilt();
    return history;
}

}  // namespace gvc::gui
