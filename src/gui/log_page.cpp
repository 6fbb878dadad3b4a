#include "gui/log_page.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QUrl>
#include <map>

#include "central/central_settings.h"
#include "gui/central_laboratory_read.h"
#include "gui/certificate_pdf.h"
#include "gui/certificate_run_section.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/log_records_model.h"
#include "gui/slope_plot.h"
#include "history/sensor_history.h"
#include "records/certificate.h"
#include "records/report_timestamp.h"
#include "store/calibration_store.h"
#include "store/run_texts.h"
#include "store/store_flagged_runs.h"
#include "util/native_path.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

void SetUpTable(QTableView* table, const std::vector<int>& widths) {
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(17);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setStretchLastSection(true);
    for (std::size_t i = 0; i < widths.size(); ++i)
        table->setColumnWidth(static_cast<int>(i), widths[i]);
}

QTableWidget* MakeTable(QWidget* parent, const char* name, const QRect& where,
                        std::initializer_list<std::string_view> titles, const std::vector<int>& widths) {
    auto* table = new QTableWidget(0, static_cast<int>(titles.size()), parent);
    Place(table, name, where);
    QStringList labels;
    for (std::string_view t : titles)
        labels << Qs(t);
    table->setHorizontalHeaderLabels(labels);
    SetUpTable(table, widths);
    return table;
}

QTableWidgetItem* Item(const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// The keys of the records the database marks: written, but the sensor's write
// or read-back failed. None when there is no database to ask.
std::set<std::string> FlaggedRecords(const std::filesystem::path& database) {
    std::set<std::string> keys;
    if (database.empty() || !std::filesystem::exists(database)) return keys;
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::OpenReadOnly(database, problem);
    if (!store) return keys;
    const StoreRead<std::vector<std::string>> lines = RecordLinesWithoutSensorWrite(*store);
    for (const std::string& line : lines.value) {
        if (const std::optional<ReportRecord> r = ParseReportRecord(line))
            keys.insert(LogRecordsModel::RecordKey(*r));
    }
    return keys;
}

// One sensor's runs from the database by the key of their report record, and
// the cylinders they name.
struct StoredHistory {
    std::map<std::string, StoredRun> runs;
    std::map<std::int64_t, Cylinder> cylinders;
};

StoredHistory ReadStoredHistory(const std::filesystem::path& database, const std::string& sensorNumber) {
    StoredHistory history;
    if (database.empty() || sensorNumber.empty() || !std::filesystem::exists(database)) return history;
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::OpenReadOnly(database, problem);
    if (!store) return history;
    StoreRead<std::vector<StoredRun>> runs = store->SensorRuns(sensorNumber);
    for (StoredRun& run : runs.value) {
        const std::optional<ReportRecord> r = ParseReportRecord(run.record.reportRecordLine);
        if (r) history.runs[LogRecordsModel::RecordKey(*r)] = std::move(run);
    }
    for (const Cylinder& c : store->Cylinders(true).value)
        history.cylinders[c.id] = c;
    return history;
}

}  // namespace

LogPage::LogPage(Operator& op, QWidget* parent) : QWidget(parent), op_(op) {
    setObjectName(QStringLiteral("tsLog"));
    lFilter = MakeLabel(this, "lFilter", {6, 6, 80, 17}, Qs("Номер Датчика"_cp));
    edFilter = new QLineEdit(this);
    Place(edFilter, "edFilter", {88, 4, 112, 21});
    edFilter->setToolTip(Qs("Показать записи датчиков, номер которых содержит этот текст"_cp));
    btPdf = new QPushButton(Qs("Сертификат в PDF"_cp), this);
    Place(btPdf, "btPdf", {206, 3, 110, 23});
    btPdf->setToolTip(
        Qs("Записать сертификат выбранного датчика в PDF рядом с файлом .dat и открыть его"_cp));
    btPdf->setEnabled(false);  // until a sensor is selected
    stLog = MakeStatic(this, "stLog", {322, 4, 146, 21}, QString());
    btCylinders = new QPushButton(Qs("Баллоны"_cp), this);
    Place(btCylinders, "btCylinders", {472, 3, 76, 23});
    btCylinders->setToolTip(Qs("Баллоны с эталонным газом: добавить, просмотреть, списать"_cp));
    btSettings = new QPushButton(Qs("Настройки"_cp), this);
    Place(btSettings, "btSettings", {552, 3, 76, 23});
    btSettings->setToolTip(Qs("Имя оператора и допуск \"как найдено\""_cp));

    tvLog = new QTableView(this);
    Place(tvLog, "tvLog", {4, 30, 374, 152});
    model_ = new LogRecordsModel(this);
    tvLog->setModel(model_);
    SetUpTable(tvLog, {66, 52, 106, 30, 52, 52});

    lDue = MakeLabel(this, "lDue", {6, 184, 372, 15}, Qs("Срок градуировки подошел (30 дней) или прошел"_cp));
    lvDue = MakeTable(this, "lvDue", {4, 200, 374, 86},
                      {"Номер Датчика"_cp, "Газ"_cp, "Градуирован"_cp, "Следующая"_cp, "Дней"_cp},
                      {106, 64, 68, 68, 40});

    pnSlope = new SlopePlot(this);
    Place(pnSlope, "pnSlope", {384, 30, 244, 118});
    pnSlope->setFont(ProgramFont());
    lvHistory = MakeTable(this, "lvHistory", {384, 152, 244, 134},
                          {"Дата"_cp, "№"_cp, "K<i>"_cp, "Изменение"_cp, "Как найдено"_cp,
                           "Как оставлено (расчётное)"_cp, "Баллон"_cp, "Оператор"_cp},
                          {66, 30, 56, 60, 120, 90, 150, 80});
    BuildCentralRow();

    openFile = [](const QString& file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };

    connect(edFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_->SetFilter(SensorNumberFromArgument(Cp(text.trimmed())));
        // No record left: no sensor's history, and no certificate to print.
        if (model_->rowCount() > 0)
            tvLog->selectRow(0);
        else
            SelectSensor({});
    });
    connect(tvLog->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (const ReportRecord* r = model_->RecordAt(current.row())) SelectSensor(r->sensorNew);
            });
    connect(lvDue, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && lvDue->item(row, 0) != nullptr) SelectSensor(Cp(lvDue->item(row, 0)->text()));
    });
    connect(btPdf, &QPushButton::clicked, this, [this] { btPdfClick(); });
    connect(btCylinders, &QPushButton::clicked, this, [this] {
        if (openCylinders) openCylinders();
    });
    connect(btSettings, &QPushButton::clicked, this, [this] {
        if (openSettings) openSettings();
    });
}

LogPage::~LogPage() {
    // The worker posts its result to this page; it must be done first.
    if (worker_.joinable()) worker_.join();
    if (historyWorker_.joinable()) historyWorker_.join();
}

void LogPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Reload();
}

void LogPage::Reload() {
    if (loading_) {
        reloadAgain_ = true;
        return;
    }
    loading_ = true;
    stLog->setText(Qs("Чтение журнала..."_cp));
    if (worker_.joinable()) worker_.join();
    if (scope_ == Scope::kLaboratory && central_) {
        worker_ = std::thread([this, central = central_] {
            auto read = std::make_shared<LaboratoryLog>(
                ReadLaboratoryLog(*central, LocalDateToday(), kDueWithinDays));
            QMetaObject::invokeMethod(
                this, [this, read] { ApplyLaboratory(read); }, Qt::QueuedConnection);
        });
        return;
    }
    worker_ = std::thread([this, database = database_] {
        auto read = std::make_shared<WorkstationRecords>(ReadWorkstationRecords());
        std::set<std::string> flagged = FlaggedRecords(database);
        QMetaObject::invokeMethod(
            this, [this, read, flagged = std::move(flagged)] { Apply(read, flagged); }, Qt::QueuedConnection);
    });
}

void LogPage::Apply(std::shared_ptr<WorkstationRecords> read, std::set<std::string> flagged) {
    QElapsedTimer busy;
    busy.start();
    if (scope_ != Scope::kWorkstation) {
        // The operator chose the laboratory while this workstation's log was read.
        loading_ = false;
        reloadAgain_ = false;
        Reload();
        return;
    }
    data_ = std::move(read);
    records_ = std::shared_ptr<const std::vector<ReportRecord>>(data_, &data_->log.records);
    workstations_.reset();
    laboratoryRuns_.clear();
    stLaboratory->hide();
    stLog->setToolTip(QString());
    model_->SetFlagged(std::move(flagged));
    model_->SetRecords(records_);
    if (data_->log.ok) {
        stLog->setText(Qs("Записей в журнале: "_cp) + QString::number(records_->size()));
        SetTextColour(stLog, Qt::black);
    } else {
        stLog->setText(Qs(data_->log.message));
        SetTextColour(stLog, colour::kRed);
    }
    ShowDue();
    ShowHistory();
    lastApplyMs_ = static_cast<double>(busy.nsecsElapsed()) / 1e6;
    LoadingDone();
}

void LogPage::LoadingDone() {
    loading_ = false;
    if (reloadAgain_) {
        reloadAgain_ = false;
        Reload();
    }
}

void LogPage::ShowDue() {
    std::vector<StoreDueSensor> due;
    for (const DueSensor& d :
         DueSensors(data_->certificates.certificates, LocalDateToday(), kDueWithinDays)) {
        const CertificateSummary& s = d.certificate.summary;
        due.push_back({s.sensorNumber, s.gas, s.calibrated.date, s.nextCalibration, s.endOfUse, d.daysLeft,
                       d.endOfUsePassed});
    }
    ShowDueRows(due);
    const std::size_t problems = data_->certificates.problems.size();
    lDue->setToolTip(QString());
    if (problems > 0) {
        QString names;
        for (const CertificateProblem& p : data_->certificates.problems)
            names += Qs(p.path + ": " + p.message) + QStringLiteral("\n");
        lDue->setToolTip(names.trimmed());
    }
    lDue->setText(Qs("Срок градуировки подошел (30 дней) или прошел"_cp) +
                  (problems > 0 ? Qs(", не проверены: "_cp) + QString::number(problems) : QString()));
    SetTextColour(lDue, problems > 0 ? colour::kRed : Qt::black);
}

void LogPage::ShowDueRows(const std::vector<StoreDueSensor>& due) {
    lvDue->setRowCount(static_cast<int>(due.size()));
    for (int row = 0; row < static_cast<int>(due.size()); ++row) {
        const StoreDueSensor& d = due[static_cast<std::size_t>(row)];
        QTableWidgetItem* items[] = {Item(Qs(d.sensorNumber)), Item(Qs(d.gasText)),
                                     Item(QString::fromStdString(DotDateText(d.calibrated))),
                                     Item(QString::fromStdString(DotDateText(d.nextCalibration))),
                                     Item(QString::number(d.daysLeft), kRight)};
        for (int column = 0; column < 5; ++column) {
            if (d.daysLeft < 0) items[column]->setForeground(colour::kRed);
            if (d.endOfUsePassed && d.endOfUse)
                items[column]->setToolTip(Qs("Дата окончания использования прошла: "_cp) +
                                          QString::fromStdString(DotDateText(*d.endOfUse)));
            lvDue->setItem(row, column, items[column]);
        }
    }
}

void LogPage::SelectSensor(const std::string& sensorNumber) {
    if (sensorNumber == selectedSensor_) return;
    selectedSensor_ = sensorNumber;
    laboratoryRuns_.clear();
    ShowHistory();
    if (scope_ == Scope::kLaboratory) ReadLaboratoryHistoryLater();
}

void LogPage::ShowHistory() {
    const std::vector<HistoryEntry> history =
        records_ ? SensorHistory(*records_, selectedSensor_) : std::vector<HistoryEntry>{};
    // The laboratory's runs come from the server (read in the background);
    // their cylinders are each workstation's own and are named by number.
    const bool laboratory = scope_ == Scope::kLaboratory;
    const StoredHistory stored = laboratory ? StoredHistory{} : ReadStoredHistory(database_, selectedSensor_);
    const std::map<std::string, StoredRun>& runs = laboratory ? laboratoryRuns_ : stored.runs;
    const int columns = laboratory ? 9 : 8;
    lvHistory->setColumnCount(columns);
    if (laboratory) lvHistory->setHorizontalHeaderItem(8, Item(Qs("Рабочее место"_cp)));
    lvHistory->setRowCount(static_cast<int>(history.size()));
    std::vector<SlopePoint> points;
    for (int row = 0; row < static_cast<int>(history.size()); ++row) {
        const HistoryEntry& e = history[static_cast<std::size_t>(row)];
        const QString change = e.changePercent ? QString::asprintf("%+.1f %%", *e.changePercent) : QString();
        const auto found = runs.find(LogRecordsModel::RecordKey(e.record));
        const RunRecord* run = found != runs.end() ? &found->second.record : nullptr;
        QString asFound, asLeft, cylinder, who, workstation;
        bool noSensorWrite = false;
        if (run != nullptr) {
            asFound = Qs(ReadingText(run->asFound.foundReference));
            if (!ToleranceText(*run).empty()) asFound += QStringLiteral(" ") + Qs(ToleranceText(*run));
            asLeft = Qs(ReadingText(run->asFound.leftReference));
            cylinder = Qs(CylinderText(*run, stored.cylinders));
            who = Qs(run->operatorName);
            workstation = Qs(run->workstation);
            noSensorWrite = RecordWithoutSensorWrite(*run);
        }
        std::vector<QTableWidgetItem*> items{Item(QString::fromStdString(DotDateText(e.record.date))),
                                             Item(QString::number(e.record.calibration), kRight),
                                             Item(QString::fromStdString(e.record.ki), kRight),
                                             Item(change, kRight),
                                             Item(asFound),
                                             Item(asLeft),
                                             Item(cylinder),
                                             Item(who)};
        if (laboratory) items.push_back(Item(workstation));
        for (int column = 0; column < columns; ++column) {
            const auto item = items[static_cast<std::size_t>(column)];
            if (e.fastChange || noSensorWrite) item->setForeground(colour::kRed);
            if (noSensorWrite) item->setToolTip(Qs(run->saving.message));
            lvHistory->setItem(row, column, item);
        }
        points.push_back({DayNumber(e.record.date), e.record.kiValue, e.fastChange});
    }
    if (!history.empty()) lvHistory->scrollToBottom();
    pnSlope->SetPoints(std::move(points),
                       selectedSensor_.empty() ? QString() : Qs("K<i> "_cp) + Qs(selectedSensor_));
    // The certificates are this workstation's files.
    btPdf->setEnabled(!selectedSensor_.empty() && !laboratory);
}

void LogPage::btPdfClick() {
    if (selectedSensor_.empty() || !data_) return;
    const FoundCertificate* found = nullptr;
    for (const FoundCertificate& c : data_->certificates.certificates) {
        if (c.summary.sensorNumber == selectedSensor_) found = &c;
    }
    if (found == nullptr) {
        op_.Show(MessageKind::kError, std::string("Нет сертификата датчика "_cp) + selectedSensor_);
        return;
    }
    std::filesystem::path pdf = found->file;
    pdf.replace_extension(".pdf");
    const QString pdfPath = QString::fromStdU16String(pdf.u16string());
    const std::string pdfText = Cp1251PathText(pdf);
    // The file is read again: it is written as it stands now, if it verifies.
    const auto bytes = ReadFileBytes(found->file, kMaxCertificateSize);
    if (!bytes || !ReadCertificate(*bytes).ok) {
        op_.Show(MessageKind::kError,
                 found->path + ": " +
                     (bytes ? ReadCertificate(*bytes).message : std::string("Не читается файл"_cp)));
        return;
    }
    const std::optional<PdfSection> section = CertificateRunSection(database_, selectedSensor_, *bytes);
    if (section && section->notInDatabase)
        op_.Show(MessageKind::kWarning,
                 found->path + std::string(": сертификата с таким содержимым НЕТ В БАЗЕ "
                                           "ДАННЫХ; PDF помечен"_cp));
    if (!WriteCertificatePdf(*bytes, pdfPath, section ? &*section : nullptr)) {
        op_.Show(MessageKind::kError, std::string("Не записывается файл "_cp) + pdfText);
        return;
    }
    if (!openFile(pdfPath))
        op_.Show(MessageKind::kWarning, std::string("Нет программы для просмотра файла "_cp) + pdfText);
}

}  // namespace gvc::gui
