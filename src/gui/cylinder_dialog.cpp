#include "gui/cylinder_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <charconv>
#include <cmath>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "records/report_timestamp.h"
#include "store/calibration_store.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

constexpr double kLargestConcentration = 9999.999;

std::optional<double> ParseConcentration(const QString& typed) {
    std::string text = typed.trimmed().toStdString();
    for (char& c : text) {
        if (c == ',') c = '.';
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0.0 || value > kLargestConcentration) return std::nullopt;
    return value;
}

}  // namespace

CylinderDialog::CylinderDialog(Operator& op, std::filesystem::path database,
                               std::vector<std::pair<int, std::string>> gases, QWidget* parent)
    : QDialog(parent), op_(op), database_(std::move(database)), gases_(std::move(gases)) {
    setObjectName(QStringLiteral("F_Cylinders"));
    setWindowTitle(Qs("Баллоны с эталонным газом"_cp));
    setFixedSize(560, 300);
    setFont(ProgramFont());

    lvCylinders = new QTableWidget(0, 7, this);
    Place(lvCylinders, "lvCylinders", {8, 8, 544, 180});
    QStringList titles;
    for (std::string_view t :
         {"№"_cp, "Газ"_cp, "Концентрация"_cp, "Ед."_cp, "Партия / номер"_cp, "Годен до"_cp, "Состояние"_cp})
        titles << Qs(t);
    lvCylinders->setHorizontalHeaderLabels(titles);
    lvCylinders->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvCylinders->setSelectionMode(QAbstractItemView::SingleSelection);
    lvCylinders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvCylinders->verticalHeader()->hide();
    lvCylinders->verticalHeader()->setDefaultSectionSize(17);
    lvCylinders->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {30, 90, 84, 46, 110, 70};
    for (int i = 0; i < 6; ++i)
        lvCylinders->setColumnWidth(i, widths[i]);

    cbRetired = new QCheckBox(Qs("Показать списанные"_cp), this);
    Place(cbRetired, "cbRetired", {8, 192, 160, 19});
    btRetire = new QPushButton(Qs("Списать"_cp), this);
    Place(btRetire, "btRetire", {466, 190, 86, 23});
    btRetire->setToolTip(Qs("Выбранный баллон больше не предлагается для градуировки"_cp));

    MakeLabel(this, "lGas", {8, 220, 90, 15}, Qs("Газ"_cp));
    cbGas = new QComboBox(this);
    Place(cbGas, "cbGas", {8, 236, 110, 22});
    for (const auto& [code, name] : gases_)
        cbGas->addItem(Qs(name), code);
    MakeLabel(this, "lConcentration", {124, 220, 84, 15}, Qs("Концентрация"_cp));
    edConcentration = new QLineEdit(this);
    Place(edConcentration, "edConcentration", {124, 236, 76, 22});
    MakeLabel(this, "lUnit", {206, 220, 50, 15}, Qs("Ед."_cp));
    edUnit = new QLineEdit(this);
    Place(edUnit, "edUnit", {206, 236, 56, 22});
    MakeLabel(this, "lLot", {268, 220, 100, 15}, Qs("Партия / номер"_cp));
    edLot = new QLineEdit(this);
    Place(edLot, "edLot", {268, 236, 100, 22});
    MakeLabel(this, "lExpiry", {374, 220, 86, 15}, Qs("Годен до"_cp));
    deExpiry = new QDateEdit(this);
    Place(deExpiry, "deExpiry", {374, 236, 86, 22});
    deExpiry->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    deExpiry->setCalendarPopup(true);
    deExpiry->setDate(QDate::currentDate().addYears(1));
    btAdd = new QPushButton(Qs("Добавить"_cp), this);
    Place(btAdd, "btAdd", {466, 235, 86, 24});
    stState = MakeLabel(this, "stState", {8, 270, 544, 22}, QString());

    connect(cbRetired, &QCheckBox::toggled, this, [this] { Reload(); });
    connect(btAdd, &QPushButton::clicked, this, [this] { btAddClick(); });
    connect(btRetire, &QPushButton::clicked, this, [this] { btRetireClick(); });
    Reload();
}

std::int64_t CylinderDialog::IdAt(int row) const {
    const QTableWidgetItem* item = lvCylinders->item(row, 0);
    return item != nullptr ? item->text().toLongLong() : 0;
}

void CylinderDialog::Reload() {
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(database_, problem);
    lvCylinders->setRowCount(0);
    if (!store) {
        stState->setText(Qs(std::string("База данных недоступна: "_cp) + problem));
        SetTextColour(stState, colour::kRed);
        return;
    }
    const StoreRead<std::vector<Cylinder>> read = store->Cylinders(cbRetired->isChecked());
    if (!read.ok) {
        stState->setText(Qs(read.message));
        SetTextColour(stState, colour::kRed);
        return;
    }
    const CivilDate today = LocalDateToday();
    lvCylinders->setRowCount(static_cast<int>(read.value.size()));
    for (int row = 0; row < static_cast<int>(read.value.size()); ++row) {
        const Cylinder& c = read.value[static_cast<std::size_t>(row)];
        const bool expired = IsExpired(c, today);
        const std::string_view state = c.retired ? "списан"_cp : expired ? "просрочен"_cp : "годен"_cp;
        const QString cells[] = {QString::number(c.id),
                                 Qs(c.gasText),
                                 QString::number(c.concentration, 'g', 7),
                                 Qs(c.unitText),
                                 Qs(c.lot),
                                 QString::fromStdString(DotDateText(c.expiry)),
                                 Qs(state)};
        for (int column = 0; column < 7; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (c.retired)
                item->setForeground(colour::kGrey);
            else if (expired)
                item->setForeground(colour::kRed);
            lvCylinders->setItem(row, column, item);
        }
    }
    stState->setText(Qs("Баллонов: "_cp) + QString::number(read.value.size()));
    SetTextColour(stState, Qt::black);
}

void CylinderDialog::btAddClick() {
    Cylinder c;
    const std::optional<double> concentration = ParseConcentration(edConcentration->text());
    if (cbGas->currentIndex() < 0) {
        op_.Show(MessageKind::kError, "Не выбран газ баллона"_cp);
        return;
    }
    if (!concentration) {
        op_.Show(MessageKind::kError, "Концентрация - число больше 0 и не больше 9999.999"_cp);
        edConcentration->setFocus();
        return;
    }
    c.gasCode = cbGas->currentData().toInt();
    c.gasText = Cp(cbGas->currentText());
    c.concentration = *concentration;
    c.unitText = Cp(edUnit->text().trimmed());
    c.lot = Cp(edLot->text().trimmed());
    const QDate expiry = deExpiry->date();
    c.expiry = {expiry.year(), expiry.month(), expiry.day()};
    if (c.unitText.empty() || c.lot.empty()) {
        op_.Show(MessageKind::kError, "Укажите единицу и партию или номер баллона"_cp);
        return;
    }
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(database_, problem);
    if (!store || store->AddCylinder(c, problem) == 0) {
        op_.Show(MessageKind::kError, std::string("Баллон не добавлен: "_cp) + problem);
        return;
    }
    edConcentration->clear();
    edLot->clear();
    Reload();
}

void CylinderDialog::btRetireClick() {
    const int row = lvCylinders->currentRow();
    const std::int64_t id = row >= 0 ? IdAt(row) : 0;
    if (id <= 0) {
        op_.Show(MessageKind::kError, "Не выбран баллон"_cp);
        return;
    }
    if (!op_.Ask(MessageKind::kWarning, std::string("Списать баллон № "_cp) + std::to_string(id) + "?"))
        return;
    std::string problem;
    const std::unique_ptr<CalibrationStore> store = CalibrationStore::Open(database_, problem);
    if (!store || !store->RetireCylinder(id, problem)) {
        op_.Show(MessageKind::kError, std::string("Баллон не списан: "_cp) + problem);
        return;
    }
    Reload();
}

}  // namespace gvc::gui
