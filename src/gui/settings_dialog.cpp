#include "gui/settings_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "util/host_names.h"
#include "util/native_path.h"

namespace gvc::gui {

using namespace gvc::literals;

SettingsDialog::SettingsDialog(Operator& op, FileSystem& fs, const WorkstationSettings& current,
                               QWidget* parent)
    : QDialog(parent), op_(op), fs_(fs), settings_(current) {
    setObjectName(QStringLiteral("F_Settings"));
    setWindowTitle(Qs("Настройки записи о градуировке"_cp));
    setFixedSize(340, 112);
    setFont(ProgramFont());
    MakeLabel(this, "lOperator", {10, 12, 120, 15}, Qs("Оператор:"_cp));
    edOperator = new QLineEdit(Qs(current.operatorName), this);
    Place(edOperator, "edOperator", {150, 9, 180, 21});
    edOperator->setPlaceholderText(Qs(SystemUserName()));
    edOperator->setToolTip(Qs("Пусто - имя пользователя системы"_cp));
    MakeLabel(this, "lTolerance", {10, 42, 140, 15}, Qs("Допуск \"как найдено\", %:"_cp));
    edTolerance = new QLineEdit(QString::number(current.tolerancePercent), this);
    Place(edTolerance, "edTolerance", {150, 39, 60, 21});
    edTolerance->setToolTip(Qs("В % от эталонного значения, больше 0 и не больше 100"_cp));
    btSave = new QPushButton(Qs("Сохранить"_cp), this);
    Place(btSave, "btSave", {150, 76, 86, 25});
    auto* cancel = new QPushButton(Qs("Отмена"_cp), this);
    Place(cancel, "btCancel", {244, 76, 86, 25});
    connect(btSave, &QPushButton::clicked, this, [this] { btSaveClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void SettingsDialog::btSaveClick() {
    const std::optional<double> tolerance = ParseTolerance(Cp(edTolerance->text()));
    if (!tolerance) {
        op_.Show(MessageKind::kError, "Допуск - число больше 0 и не больше 100"_cp);
        edTolerance->setFocus();
        return;
    }
    WorkstationSettings next;
    next.operatorName = Cp(edOperator->text().trimmed());
    next.tolerancePercent = *tolerance;
    std::string cause;
    if (!SaveSettings(fs_, next, cause)) {
        op_.Show(MessageKind::kError, std::string("Не записывается файл "_cp) +
                                          ShownPath(locations::SettingsFile) +
                                          (cause.empty() ? std::string() : ": " + cause));
        return;
    }
    settings_ = ParseSettings(SettingsText(next));
    accept();
}

}  // namespace gvc::gui
