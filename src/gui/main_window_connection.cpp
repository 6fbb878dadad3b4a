// Connecting and disconnecting the sensor, and the connection panel and
// characteristics list that show the result.
#include "gui/main_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "gui/characteristics_view.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "records/report_timestamp.h"
#include "records/sensor_number.h"
#include "util/text_format.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

SensorDate Today() {
    const ReportTimestamp now = LocalTimestampNow();
    SensorDate today;
    today.year = now.year;
    today.month = static_cast<std::uint8_t>(now.month);
    today.day = static_cast<std::uint8_t>(now.day);
    return today;
}

}  // namespace

void MainWindow::btConnClick() {
    if (RunIsActive()) {
        parts_.op.Show(MessageKind::kError, "Идет Градуировка - Отсоединение Запрещено!"_cp);
        return;
    }
    // The button pressed again while its connection is under way.
    if (connecting_) return;
    device_->Resume();
    if (connectionState_ != 0) {
        // A sensor brings back the pages the log alone was shown without.
        pcGrad->setTabVisible(pcGrad->indexOf(tsPar), true);
        pcGrad->setTabVisible(pcGrad->indexOf(tsCal), true);
        connecting_ = true;
        connectionState_ = ConnectSensor(*access_, catalogue_, *connector_);
        connecting_ = false;
        if (connectionState_ == 0) {
            snapshot_ = TakeConnectionSnapshot(sensor_.OldParams);
            pcGrad->setCurrentWidget(tsCal);
        } else {
            pcGrad->setCurrentWidget(tsPar);
        }
    } else {
        connector_->ClosePort();
        connectionState_ = 1;
        pcGrad->setCurrentIndex(1);
    }
    RefreshConnectionDisplay();
}

void MainWindow::RefreshConnectionDisplay() {
    if (connectionState_ == 0) {
        const SensorIdentity& id = sensor_.identity;
        stConn->setText(Qs("подсоединен"_cp));
        SetTextColour(stConn, colour::kGreen);
        btConn->setText(Qs("Отсоединить"_cp));
        stNum->setText(Qs(SensorNumberText(id)));
        stType->setText(Qs("очередная"_cp));
        stSen->setText(Qs(FormatIntZero(id.GasCode, 2) + "-" + FormatIntZero(id.TypeNumber, 2)));
        stGaz->setText(id.GasCode < catalogue_.names.size() ? Qs(catalogue_.names[id.GasCode]) : QString());
        // The new column is built before the firmware identifier, which shows
        // the new kind code of this sensor.
        characteristics_.FillOldValues(sensor_.OldParams, table_);
        characteristics_.FillNewValues(sensor_, table_, snapshot_, Today());
        ShowCharacteristics();
        std::string firmware = FormatIntZero(static_cast<std::int32_t>(sensor_.OldParams.FirmwareVersion), 5);
        firmware.insert(2, ".");
        stIDPrg->setText(Qs(FormatIntZero(id.GasCode, 2) + "." +
                            FormatIntZero(sensor_.NewParams.KindCode, 2) + "." + firmware));
        stLIDPrg->show();
        stIDPrg->show();
        pcGrad->show();
        stLIDPrg->raise();
        stIDPrg->raise();
        RenewReferenceOnConnection();
        run_->ResetCalibrationPage();
        return;
    }
    if (connectionState_ == 1) {
        stConn->setText(Qs("отсоединен"_cp));
        SetTextColour(stConn, colour::kGrey);
    } else {
        stConn->setText(Qs("обрыв"_cp));
        SetTextColour(stConn, colour::kRed);
    }
    btConn->setText(Qs("Подсоединить"_cp));
    stNum->clear();
    stType->clear();
    stGaz->clear();
    stSen->clear();
    stLIDPrg->hide();
    stIDPrg->hide();
    pcGrad->hide();
}

}  // namespace gvc::gui
