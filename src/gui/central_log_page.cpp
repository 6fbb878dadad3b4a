// The "Журнал" page and the central server: the choice between this
// workstation's records and the laboratory's, the laboratory's records read in
// the background, and the status line of this workstation's sending.
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>

#include "central/central_settings.h"
#include "gui/central_laboratory_read.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/log_records_model.h"

namespace gvc::gui {

using namespace gvc::literals;

void LogPage::BuildCentralRow() {
    rbWorkstation = new QRadioButton(Qs("Это рабочее место"_cp), this);
    Place(rbWorkstation, "rbWorkstation", {6, 289, 126, 17});
    rbWorkstation->setToolTip(Qs("Записи этого рабочего места"_cp));
    rbLaboratory = new QRadioButton(Qs("Вся лаборатория"_cp), this);
    Place(rbLaboratory, "rbLaboratory", {136, 289, 126, 17});
    rbLaboratory->setToolTip(Qs("Записи всех рабочих мест из центральной базы"_cp));
    auto* group = new QButtonGroup(this);
    group->addButton(rbWorkstation);
    group->addButton(rbLaboratory);
    rbWorkstation->setChecked(true);
    rbWorkstation->setEnabled(false);
    rbLaboratory->setEnabled(false);
    stCentral =
        MakeLabel(this, "stCentral", {268, 289, 360, 17}, QString(), Qt::AlignRight | Qt::AlignVCenter);

    stLaboratory = new QLabel(tvLog);
    stLaboratory->setObjectName(QStringLiteral("stLaboratory"));
    stLaboratory->setGeometry(8, 24, tvLog->width() - 16, tvLog->height() - 32);
    stLaboratory->setAlignment(Qt::AlignCenter);
    stLaboratory->setWordWrap(true);
    SetTextColour(stLaboratory, colour::kRed);
    stLaboratory->hide();

    connect(rbLaboratory, &QRadioButton::toggled, this,
            [this](bool checked) { SetScope(checked ? Scope::kLaboratory : Scope::kWorkstation); });
}

void LogPage::SetCentral(std::shared_ptr<const CentralSettings> settings) {
    central_ = std::move(settings);
    const bool available = central_ != nullptr;
    rbWorkstation->setEnabled(available);
    rbLaboratory->setEnabled(available);
    const QString why =
        available ? QString() : Qs("Центральная база не настроена (нет файла central.ini)"_cp);
    rbWorkstation->setToolTip(available ? Qs("Записи этого рабочего места"_cp) : why);
    rbLaboratory->setToolTip(available ? Qs("Записи всех рабочих мест из центральной базы"_cp) : why);
    if (!available) SetScope(Scope::kWorkstation);
}

void LogPage::SetScope(Scope scope) {
    if (scope == Scope::kLaboratory && !central_) scope = Scope::kWorkstation;
    // The buttons follow a choice made here (the tests, SetCentral).
    QRadioButton* button = scope == Scope::kLaboratory ? rbLaboratory : rbWorkstation;
    if (!button->isChecked()) {
        const QSignalBlocker quiet(rbLaboratory);
        button->setChecked(true);
    }
    if (scope == scope_) return;
    scope_ = scope;
    selectedSensor_.clear();
    laboratoryRuns_.clear();
    lvHistory->setToolTip(QString());
    // The records of the other scope stay on show until the new ones are read.
    Reload();
}

void LogPage::ShowCentralState(const QString& text, bool problem, const QString& detail) {
    stCentral->setText(text);
    stCentral->setToolTip(detail);
    SetTextColour(stCentral, problem ? colour::kRed : Qt::black);
}

void LogPage::ApplyLaboratory(std::shared_ptr<LaboratoryLog> read) {
    if (scope_ != Scope::kLaboratory) {
        // The operator went back to this workstation while the server was read.
        loading_ = false;
        reloadAgain_ = false;
        Reload();
        return;
    }
    if (!read->ok) {
        records_.reset();
        workstations_.reset();
        model_->SetFlagged({});
        model_->SetRecords(nullptr);
        stLaboratory->setText(Qs(read->message));
        stLaboratory->show();
        stLog->setText(Qs("Нет связи с центральной базой"_cp));
        stLog->setToolTip(Qs(read->message));
        SetTextColour(stLog, colour::kRed);
        lvDue->setRowCount(0);
        lDue->setText(Qs("Срок градуировки подошел (30 дней) или прошел"_cp));
        lDue->setToolTip(QString());
        SetTextColour(lDue, Qt::black);
        ShowHistory();
        LoadingDone();
        return;
    }
    stLaboratory->hide();
    auto shared = std::shared_ptr<LaboratoryLog>(std::move(read));
    records_ = std::shared_ptr<const std::vector<ReportRecord>>(shared, &shared->records);
    workstations_ = std::shared_ptr<const std::vector<std::string>>(shared, &shared->workstations);
    model_->SetFlagged(shared->flagged);
    model_->SetRecords(records_, workstations_);
    stLog->setText(Qs("Записей лаборатории: "_cp) + QString::number(records_->size()));
    stLog->setToolTip(QString());
    SetTextColour(stLog, Qt::black);
    ShowDueRows(shared->due);
    lDue->setText(Qs("Срок градуировки подошел (30 дней) или прошел"_cp));
    lDue->setToolTip(QString());
    SetTextColour(lDue, Qt::black);
    ShowHistory();
    if (!selectedSensor_.empty()) ReadLaboratoryHistoryLater();
    LoadingDone();
}

void LogPage::ReadLaboratoryHistoryLater() {
    if (historyLoading_ || !central_ || selectedSensor_.empty()) return;
    historyLoading_ = true;
    if (historyWorker_.joinable()) historyWorker_.join();
    historyWorker_ = std::thread([this, central = central_, sensor = selectedSensor_] {
        auto read = std::make_shared<LaboratoryHistory>(ReadLaboratoryHistory(*central, sensor));
        QMetaObject::invokeMethod(
            this, [this, sensor, read] { ApplyLaboratoryHistory(sensor, read); }, Qt::QueuedConnection);
    });
}

void LogPage::ApplyLaboratoryHistory(const std::string& sensorNumber,
                                     std::shared_ptr<LaboratoryHistory> read) {
    historyLoading_ = false;
    if (scope_ != Scope::kLaboratory) return;
    if (sensorNumber != selectedSensor_) {
        // Another sensor was chosen meanwhile: its runs are read now.
        ReadLaboratoryHistoryLater();
        return;
    }
    laboratoryRuns_ = std::move(read->runs);
    lvHistory->setToolTip(read->ok ? QString() : Qs(read->message));
    ShowHistory();
}

}  // namespace gvc::gui
