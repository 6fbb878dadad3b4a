// The calibration page as the run reports it: texts, colours, lamps, the plots'
// controls, the timers, and the progress window's saving lines.
#include "gui/main_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include "gui/calibration_widgets.h"
#include "gui/characteristics_view.h"
#include "gui/gui_text.h"
#include "gui/log_page.h"
#include "gui/main_window_show.h"
#include "gui/progress_window.h"
#include "records/report_timestamp.h"

namespace gvc::gui {

using namespace window_show;

void MainWindow::ShowGraph(const TrendGraph& graph, const std::array<QLabel*, 8>& labels, UpDown* stepUpDown,
                           UpDown* scrollUpDown) {
    for (std::size_t i = 0; i < labels.size(); ++i)
        ShowText(labels[i], Qs(graph.labels[i]));
    // Setting the controls requests nothing, so the run is not asked again.
    const QSignalBlocker stepBlock(stepUpDown);
    const QSignalBlocker scrollBlock(scrollUpDown);
    stepUpDown->SetRange(0, static_cast<int>(kGraphScaleTable.size()) - 1);
    stepUpDown->SetPosition(graph.stepPosition);
    scrollUpDown->SetRange(0, graph.scrollMaximum);
    scrollUpDown->SetPosition(graph.scrollPosition);
}

void MainWindow::PageChanged(const CalibrationPage& page) {
    // The timers first: a modal box may open as soon as this returns. The
    // draw timer runs before the sample timer.
    FollowTimer(tmDraw, page.drawTimerOn);
    FollowTimer(tmSample, page.sampleTimerOn);

    if (btStart->text() != Qs(page.startCaption)) btStart->setText(Qs(page.startCaption));
    const QString status = Qs(page.statusText);
    if (edStatusG->text() != status) edStatusG->setText(status);
    ShowBackground(edStatusG, ToQColor(page.statusBackground));
    ShowTextColour(edStatusG, ToQColor(page.statusFont));
    edStatusG->setVisible(page.statusVisible);
    ShowText(stTime, Qs(page.timeText));
    stTime->setVisible(page.timeVisible);

    ShowText(stNulU, Qs(page.zeroConcentrationText));
    // The reference dialog changes stStdU between resets; the run's text is
    // shown when it changes.
    if (page.referenceConcentrationText != shownReferenceText_) {
        shownReferenceText_ = page.referenceConcentrationText;
        ShowText(stStdU, Qs(shownReferenceText_));
    }
    ShowText(lKNul2, Qs(page.unitText));
    ShowText(lKStd2, Qs(page.unitText));
    ShowText(stDltZ, Qs(page.spreadLimitText));
    ShowText(stDltC, Qs(page.spreadText));
    ShowText(stNulA, Qs(page.zeroAverageText));
    ShowText(stStdA, Qs(page.referenceAverageText));
    ShowText(stBias, Qs(page.offsetText));
    ShowText(stSlop, Qs(page.slopeText));
    ShowText(stCurK, Qs(page.currentAdcText));
    ShowText(stCurT, Qs(page.currentTemperatureText));

    const auto lamps = Lamps();
    for (int i = 0; i < kLampCount; ++i) {
        RgbColour colour;
        if (LampColour(static_cast<Lamp>(i), page.lamps[static_cast<std::size_t>(i)], colour))
            lamps[static_cast<std::size_t>(i)]->SetColour(ToQColor(colour));
    }

    ShowGraph(run_->ZeroGraph(), lgC0, udNulS, udNulP);
    ShowGraph(run_->ReferenceGraph(), lgC1, udStdS, udStdP);

    // The result's gain, offset and slope in the new column.
    const CharacteristicsRows& rows = characteristics_.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].newText != shownRows_[i].newText) {
            ShowCharacteristics();
            break;
        }
    }
}

void MainWindow::ShowCharacteristics() {
    shownRows_ = characteristics_.Rows();
    lvParam->ShowRows(shownRows_);
}

PlotCanvas& MainWindow::ZeroCanvas() {
    return *pnNul;
}

PlotCanvas& MainWindow::ReferenceCanvas() {
    return *pnStd;
}

void MainWindow::SaveLineShown(SaveLine line, std::string_view text) {
    relay_.OnWindowThread([this, line, shown = Qs(text)] {
        if (progress_ != nullptr) progress_->ShowSaveLine(line, shown);
        if (line == SaveLine::kCertificate) tsLog->Reload();
    });
}

ReportTimestamp MainWindow::Now() {
    return LocalTimestampNow();
}

}  // namespace gvc::gui
