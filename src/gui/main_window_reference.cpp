// The reference concentration on the calibration page: the standard value
// of the connected sensor, the dialog that changes it, and its display.
#include "gui/main_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/main_window_show.h"
#include "gui/reference_dialog.h"
#include "ui/concentration_text.h"

namespace gvc::gui {

using namespace window_show;

void MainWindow::RenewReferenceOnConnection() {
    // Only a typed value survives a connection: the standard value is always
    // the one of the sensor now connected.
    gvc::RenewReferenceOnConnection(sensor_.NewParams.RefConc, reference_);
    ShowReference();
}

void MainWindow::ShowReference() {
    gbStd->setTitle(Qs(ReferenceGroupCaption(reference_.referenceManual)));
    SetBackground(stStdU, ToQColor(ReferenceDisplayColour(reference_.referenceManual)));
    stStdU->setText(Qs(FormatConcentration(reference_.referenceValue, sensor_.NewParams.MultiplierCode)));
}

void MainWindow::stStdUDblClick() {
    if (reference_dialog_ == nullptr) return;
    reference_dialog_->SetRange(
        {sensor_.NewParams.RangeTop, characteristics_.UnitText(), sensor_.NewParams.MultiplierCode});
    reference_dialog_->SetValueInUse(reference_.referenceValue, reference_.referenceManual);
    const int result = reference_dialog_->Run(sensor_.NewParams.RefConc, sensor_.NewParams.MultiplierCode);
    if (ApplyReferenceResult(result, reference_dialog_->NewStd(), sensor_.NewParams.RefConc, reference_))
        ShowReference();
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
