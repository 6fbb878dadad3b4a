// TF_NewStdC: the modal dialog that chooses the reference concentration of the
// calibration's second stage, the table's standard value (result 7) or a typed
// one (result 6, the value in NewStd). Closing it otherwise returns 0.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/cylinder_choice.h"
#include "ui/reference_choice.h"
#include "util/operator.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace gvc::gui {

// The typed value's edit: a fixed-width field of optional digits around a
// point that stays in place (no point without decimals). The digits before the
// point are kept right-aligned: typing the point jumps past it and blanks what
// was left between, so that "12.5" typed over "0000.0" reads "  12.5".
class StdMaskEdit : public QLineEdit {
public:
    explicit StdMaskEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

    // Sets mask and initial text for a multiplier code (1..3 decimals, else none).
    void SetupStdMask(unsigned multiplierCode);
    // The entry as the field holds it: integer digits right-aligned behind
    // leading blanks, the point, the decimals followed by blanks.
    std::string EntryText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The whole entry is selected whenever the field takes the focus, so that
    // what the operator types replaces it, whatever the platform's focus order.
    void focusInEvent(QFocusEvent* event) override;

private:
    int pointAt_ = -1;  // position of the point, -1 for a mask without one
};

class ReferenceDialog : public QDialog {
public:
    ReferenceDialog(Operator& op, QWidget* parent = nullptr);

    // Shows the dialog modally for a sensor whose standard reference value and
    // multiplier code are given; returns the modal result.
    int Run(std::int32_t standardValue, unsigned multiplierCode);
    // Sets the sensor's values and runs FormShow, without showing the dialog.
    void Prepare(std::int32_t standardValue, unsigned multiplierCode);
    std::int32_t NewStd() const { return model_.NewStd(); }
    // The measuring range of the connected sensor's type: a typed value above
    // it is taken only after the operator confirms it.
    void SetRange(const ReferenceRange& range) { range_ = range; }

    // The reference concentration in use when the dialog opens, shown below
    // the choices (standard or typed, in the main window's colours).
    void SetValueInUse(std::int32_t value, bool manual, const std::string& cylinderText = std::string());

    // The reference gas cylinders of the sensor's gas, offered beside the
    // standard and the typed value, each judged by the reference rules for
    // the connected sensor: choosing one asks its questions (rounding, range)
    // and a refused one says why. `none` says why the list is empty.
    void SetCylinders(std::vector<CylinderOffer> offers, const std::string& none);
    // The cylinder chosen with result 8 (kReferenceResultCylinder).
    const CylinderOffer* ChosenCylinder() const {
        return chosen_ < 0 ? nullptr : &offers_[static_cast<std::size_t>(chosen_)];
    }
    void btCylinderClick();
    QComboBox* CylinderBox() const { return cbCylinder_; }
    QPushButton* CylinderButton() const { return btCylinder_; }
    QLabel* CylinderReason() const { return stCylinder_; }

    StdMaskEdit* Edit() const { return meNewStd_; }
    QPushButton* StandardButton() const { return btStdF_; }
    QPushButton* TypedButton() const { return btNewStd_; }
    QPushButton* CancelButton() const { return btCancel_; }
    QLabel* ValueInUse() const { return stInUse_; }

    // FormShow: standard value text, mask, modal result 0.
    void FormShow();
    void btStdFClick();
    void btNewStdClick();

private:
    Operator& op_;
    std::int32_t standardValue_ = 0;
    unsigned multiplierCode_ = 0;
    ReferenceDialogModel model_;
    ReferenceRange range_;

    QLabel* lbStdF1_;
    QLabel* lbStdF2_;
    QLabel* label1_;
    QLabel* stStdF_;
    QPushButton* btStdF_;
    QGroupBox* gbNewStd_;
    StdMaskEdit* meNewStd_;
    QPushButton* btNewStd_;

    // The cylinders' row below the typed value.
    void BuildCylinderRow();
    void ShowCylinderChoice();
    std::vector<CylinderOffer> offers_;
    int chosen_ = -1;
    QGroupBox* gbCylinder_ = nullptr;
    QComboBox* cbCylinder_ = nullptr;
    QPushButton* btCylinder_ = nullptr;
    QLabel* stCylinder_ = nullptr;

    // Below the choices: the value in use and a Cancel button.
    void BuildInUseRow();
    void ShowValueInUse();
    std::int32_t inUseValue_ = 0;
    bool inUseManual_ = false;
    bool inUseKnown_ = false;
    std::string inUseCylinder_;  // the cylinder's line when the value is a cylinder's
    QLabel* stInUse_ = nullptr;
    QPushButton* btCancel_ = nullptr;
};

}  // namespace gvc::gui
