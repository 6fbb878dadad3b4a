#include "gui/reference_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "gui/focus_ring.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/keyboard.h"
#include "ui/concentration_text.h"
#include "ui/reference_choice.h"
#include "ui/reference_verdict.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

QString Digits(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit()) digits.append(c);
    }
    return digits;
}

}  // namespace

void StdMaskEdit::SetupStdMask(unsigned multiplierCode) {
    // The entry's initial text ("0000.0", "000.00", "00.000" or "0000") gives
    // the layout: each digit an optional digit ("0" in a Qt mask), the point a
    // literal kept in the text, a space as the blank character.
    const StdEntryMask mask = StdEntryMaskFor(multiplierCode);
    const QString initial = Qs(mask.initialText);
    pointAt_ = static_cast<int>(initial.indexOf(QLatin1Char('.')));
    setInputMask(initial + QStringLiteral("; "));
    setMaxLength(mask.maxLength);
    setText(initial);
}

std::string StdMaskEdit::EntryText() const {
    const QString shown = displayText();
    if (pointAt_ < 0) return Cp(Digits(shown).rightJustified(shown.size(), QLatin1Char(' ')));
    const QString integerPart = Digits(shown.left(pointAt_)).rightJustified(pointAt_, QLatin1Char(' '));
    const QString decimals = shown.mid(pointAt_ + 1);
    const QString decimalPart = Digits(decimals).leftJustified(decimals.size(), QLatin1Char(' '));
    return Cp(integerPart + QLatin1Char('.') + decimalPart);
}

void StdMaskEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    selectAll();
}

void StdMaskEdit::keyPressEvent(QKeyEvent* event) {
    const QString key = event->text();
    if (key != QStringLiteral(".") && key != QStringLiteral(",")) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    // The point key ends the integer digits: those typed before the cursor
    // move to the right of the integer field, the rest of it is blanked, and
    // the cursor goes to the first decimal.
    const int cursor = hasSelectedText() ? selectionStart() : cursorPosition();
    if (pointAt_ < 0 || cursor > pointAt_) return;
    const QString shown = displayText();
    const QString typed = Digits(shown.left(cursor)).rightJustified(pointAt_, QLatin1Char(' '));
    QString decimals = shown.mid(pointAt_ + 1);
    if (hasSelectedText() && selectionEnd() > pointAt_ + 1) {
        const int cleared = selectionEnd() - pointAt_ - 1;
        decimals.replace(0, cleared, QString(cleared, QLatin1Char(' ')));
    }
    setText(typed + QLatin1Char('.') + decimals);
    setCursorPosition(pointAt_ + 1);
}

ReferenceDialog::ReferenceDialog(Operator& op, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      op_(op) {
    setObjectName(QStringLiteral("F_NewStdC"));
    setWindowTitle(Qs("Выбор значения Эталонной Концентрации"_cp));
    setFixedSize(320, 152);
    setModal(true);
    setFont(ProgramFont());

    lbStdF1_ = MakeLabel(this, "lbStdF1", {10, 10, 170, 15}, Qs("Стандартное значение:"_cp));
    QFont bold = lbStdF1_->font();
    bold.setBold(true);
    lbStdF1_->setFont(bold);
    lbStdF2_ = MakeLabel(this, "lbStdF2", {10, 30, 190, 15}, Qs("(это значение получено из файла"_cp));
    label1_ = MakeLabel(this, "Label1", {10, 46, 190, 15}, QStringLiteral("TABL_GAZ_SENSOR_PARAM.dat)"));
    stStdF_ = MakeStatic(this, "stStdF", {206, 9, 100, 19}, QString(), colour::kYellow,
                         Qt::AlignRight | Qt::AlignVCenter);
    btStdF_ = new QPushButton(Qs("Установить"_cp), this);
    Place(btStdF_, "btStdF", {206, 36, 100, 25});

    gbNewStd_ = new QGroupBox(Qs(" Ввод нового значения "_cp), this);
    Place(gbNewStd_, "gbNewStd", {8, 72, 304, 70});
    meNewStd_ = new StdMaskEdit(gbNewStd_);
    Place(meNewStd_, "meNewStd", {12, 30, 100, 22});
    meNewStd_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btNewStd_ = new QPushButton(Qs("Установить"_cp), gbNewStd_);
    Place(btNewStd_, "btNewStd", {198, 28, 100, 25});

    btStdF_->setAutoDefault(false);
    btNewStd_->setAutoDefault(false);
    connect(btStdF_, &QPushButton::clicked, this, [this] { btStdFClick(); });
    connect(btNewStd_, &QPushButton::clicked, this, [this] { btNewStdClick(); });
    BuildCylinderRow();
    BuildInUseRow();
}

int ReferenceDialog::Run(std::int32_t standardValue, unsigned multiplierCode) {
    Prepare(standardValue, multiplierCode);
    return exec();
}

void ReferenceDialog::Prepare(std::int32_t standardValue, unsigned multiplierCode) {
    standardValue_ = standardValue;
    multiplierCode_ = multiplierCode;
    FormShow();
    ShowValueInUse();
}

void ReferenceDialog::FormShow() {
    model_.Show(standardValue_, multiplierCode_);
    chosen_ = -1;
    stStdF_->setText(Qs(model_.StandardText()));
    meNewStd_->SetupStdMask(multiplierCode_);
    // The operator types over the whole initial text.
    meNewStd_->setFocus();
    meNewStd_->selectAll();
    setResult(model_.ModalResult());
}

void ReferenceDialog::btStdFClick() {
    model_.ChooseStandard();
    done(model_.ModalResult());
}

void ReferenceDialog::btNewStdClick() {
    // A text without a number has been reported to the operator; the dialog
    // stays open.
    if (!model_.AcceptTyped(meNewStd_->EntryText(), op_)) return;
    // A value above the range that the operator does not confirm: back to
    // the entry as typed.
    if (!model_.ConfirmTypedRange(range_, op_)) {
        meNewStd_->setFocus();
        return;
    }
    done(model_.ModalResult());
}

// The cylinders of the sensor's gas: a list, the reason the selected one
// cannot be chosen, and its "Установить".
void ReferenceDialog::BuildCylinderRow() {
    gbCylinder_ = new QGroupBox(Qs(" Баллон с эталонным газом "_cp), this);
    Place(gbCylinder_, "gbCylinder", {8, 146, 304, 78});
    cbCylinder_ = new QComboBox(gbCylinder_);
    Place(cbCylinder_, "cbCylinder", {8, 18, 290, 22});
    cbCylinder_->setToolTip(Qs("Баллоны с газом Датчика из базы данных (ведутся на странице \"Журнал\")"_cp));
    stCylinder_ = MakeLabel(gbCylinder_, "stCylinder", {8, 44, 186, 30}, QString());
    stCylinder_->setWordWrap(true);
    SetTextColour(stCylinder_, colour::kRed);
    btCylinder_ = new QPushButton(Qs("Установить"_cp), gbCylinder_);
    Place(btCylinder_, "btCylinder", {198, 46, 100, 25});
    btCylinder_->setAutoDefault(false);
    connect(cbCylinder_, &QComboBox::currentIndexChanged, this, [this] { ShowCylinderChoice(); });
    connect(btCylinder_, &QPushButton::clicked, this, [this] { btCylinderClick(); });
    SetCylinders({}, std::string());
}

void ReferenceDialog::SetCylinders(std::vector<CylinderOffer> offers, const std::string& none) {
    offers_ = std::move(offers);
    chosen_ = -1;
    const QSignalBlocker quiet(cbCylinder_);
    cbCylinder_->clear();
    for (const CylinderOffer& o : offers_)
        cbCylinder_->addItem(Qs(o.text));
    if (offers_.empty())
        cbCylinder_->addItem(none.empty() ? Qs("Нет баллонов с газом Датчика"_cp) : Qs(none));
    cbCylinder_->setEnabled(!offers_.empty());
    // The first cylinder that can be chosen is preselected.
    int first = 0;
    for (std::size_t i = 0; i < offers_.size(); ++i) {
        if (offers_[i].selectable) {
            first = static_cast<int>(i);
            break;
        }
    }
    cbCylinder_->setCurrentIndex(first);
    ShowCylinderChoice();
}

void ReferenceDialog::ShowCylinderChoice() {
    const int row = cbCylinder_->currentIndex();
    const CylinderOffer* offer = row >= 0 && row < static_cast<int>(offers_.size())
                                     ? &offers_[static_cast<std::size_t>(row)]
                                     : nullptr;
    btCylinder_->setEnabled(offer != nullptr && offer->selectable);
    stCylinder_->setText(offer != nullptr ? Qs(offer->reason) : QString());
    cbCylinder_->setToolTip(offer != nullptr ? Qs(offer->text) : cbCylinder_->currentText());
}

void ReferenceDialog::btCylinderClick() {
    const int row = cbCylinder_->currentIndex();
    if (row < 0 || row >= static_cast<int>(offers_.size())) return;
    const CylinderOffer& offer = offers_[static_cast<std::size_t>(row)];
    // A refused cylinder says why; a rounded value or one above the range
    // is taken only when the operator answers Yes to each question.
    ReferenceVerdict verdict;
    if (offer.selectable) verdict.value = offer.thousandths;
    verdict.refusal = offer.reason;
    verdict.questions = offer.questions;
    if (!SettleReference(verdict, op_)) return;
    chosen_ = row;
    done(kReferenceResultCylinder);
}

// The dialog grows by one row below the choices: the value in use at the
// left, Cancel at the right under the "Установить" buttons.
void ReferenceDialog::BuildInUseRow() {
    setFixedSize(320, 264);
    MakeLabel(this, "lbInUse", {10, 236, 100, 15}, Qs("Используется:"_cp));
    stInUse_ = MakeStatic(this, "stInUse", {112, 234, 84, 19}, QString(), colour::kYellow,
                          Qt::AlignRight | Qt::AlignVCenter);
    btCancel_ = new QPushButton(Qs("Отмена"_cp), this);
    Place(btCancel_, "btCancel", {206, 231, 100, 25});
    btCancel_->setAutoDefault(false);
    connect(btCancel_, &QPushButton::clicked, this, [this] { reject(); });
    // Tab in reading order; Enter clicks the focused button; the ring shows it.
    setTabOrder(btStdF_, meNewStd_);
    setTabOrder(meNewStd_, btNewStd_);
    setTabOrder(btNewStd_, cbCylinder_);
    setTabOrder(cbCylinder_, btCylinder_);
    setTabOrder(btCylinder_, btCancel_);
    EnterClicksFocusedButtons(this);
    new FocusRing(this);
}

void ReferenceDialog::SetValueInUse(std::int32_t value, bool manual, const std::string& cylinderText) {
    inUseValue_ = value;
    inUseManual_ = manual;
    inUseCylinder_ = cylinderText;
    inUseKnown_ = true;
}

void ReferenceDialog::ShowValueInUse() {
    // Before the main window has chosen, the standard value is the one in use.
    const std::int32_t value = inUseKnown_ ? inUseValue_ : standardValue_;
    const bool manual = inUseKnown_ && inUseManual_;
    stInUse_->setText(Qs(FormatConcentration(value, multiplierCode_)));
    const RgbColour c = ReferenceDisplayColour(manual);
    SetBackground(stInUse_, QColor(c.r, c.g, c.b));
    stInUse_->setToolTip(!inUseCylinder_.empty()
                             ? Qs(inUseCylinder_)
                             : Qs(manual ? "Введено вручную"_cp : "Стандартное значение из таблицы"_cp));
}

}  // namespace gvc::gui
