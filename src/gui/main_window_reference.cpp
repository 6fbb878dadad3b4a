// The reference concentration on the calibration page: the standard value
// of the connected sensor, the dialog that changes it, and its display.
#include "gui/main_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QVariant>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/main_window_show.h"
#include "gui/reference_dialog.h"
#include "ui/concentration_text.h"
#include "ui/reference_rules.h"

namespace gvc::gui {

using namespace window_show;

void MainWindow::RenewReferenceOnConnection() {
    // Only a typed value survives a connection: the standard value is always
    // the one of the sensor now connected, and a cylinder is chosen anew for
    // it (the next sensor may be of another gas).
    if (referenceCylinder_) {
        referenceCylinder_.reset();
        ApplyReferenceResult(kReferenceResultStandard, 0, sensor_.NewParams.RefConc, reference_);
    }
    gvc::RenewReferenceOnConnection(sensor_.NewParams.RefConc, reference_);
    ShowReference();
}

void MainWindow::ShowReference() {
    gbStd->setTitle(Qs(ReferenceGroupCaption(reference_.referenceManual)));
    SetBackground(stStdU, ToQColor(ReferenceDisplayColour(reference_.referenceManual)));
    stStdU->setText(Qs(FormatConcentration(reference_.referenceValue, sensor_.NewParams.MultiplierCode)));
    // The field's explanation, followed by the cylinder the value came from.
    if (!stStdU->property("gvcBaseTip").isValid()) stStdU->setProperty("gvcBaseTip", stStdU->toolTip());
    const QString base = stStdU->property("gvcBaseTip").toString();
    stStdU->setToolTip(referenceCylinder_ ? base + QStringLiteral("\n") + Qs(referenceCylinderText_) : base);
}

ReferenceRange MainWindow::SensorReferenceRange() const {
    return {sensor_.NewParams.RangeTop, characteristics_.UnitText(), sensor_.NewParams.MultiplierCode};
}

bool MainWindow::ReferenceFitsSensor() {
    return ConfirmKeptReference(reference_, referenceChosenFor_, SensorReferenceRange(), parts_.op);
}

void MainWindow::stStdUDblClick() {
    if (reference_dialog_ == nullptr) return;
    reference_dialog_->SetRange(SensorReferenceRange());
    reference_dialog_->SetValueInUse(reference_.referenceValue, reference_.referenceManual,
                                     referenceCylinder_ ? referenceCylinderText_ : std::string());
    std::string none;
    std::vector<CylinderOffer> offers = SensorCylinders(none);
    reference_dialog_->SetCylinders(std::move(offers), none);
    const int result = reference_dialog_->Run(sensor_.NewParams.RefConc, sensor_.NewParams.MultiplierCode);
    if (result == kReferenceResultCylinder && reference_dialog_->ChosenCylinder() != nullptr) {
        const CylinderOffer& chosen = *reference_dialog_->ChosenCylinder();
        ApplyReferenceResult(kReferenceResultTyped, chosen.thousandths, sensor_.NewParams.RefConc,
                             reference_);
        referenceCylinder_ = chosen.cylinder.id;
        referenceCylinderText_ = chosen.text;
        referenceChosenFor_ = SensorReferenceRange();
        ShowReference();
        return;
    }
    if (ApplyReferenceResult(result, reference_dialog_->NewStd(), sensor_.NewParams.RefConc, reference_)) {
        referenceCylinder_.reset();
        referenceChosenFor_ = SensorReferenceRange();
        ShowReference();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == stStdU && event->type() == QEvent::MouseButtonDblClick) {
        stStdUDblClick();
        return true;
    }
    if (watched == stStdU && ReferenceFieldKey(event)) return true;
    return QWidget::eventFilter(watched, event);
}

}  // namespace gvc::gui
