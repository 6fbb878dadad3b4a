#include "calibration/calibration_run.h"

#include <algorithm>

#include "calibration/calibration_math.h"
#include "calibration/run_recorder.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_image.h"
#include "sensor/sensor_live.h"
#include "sensor/sensor_write.h"
#include "ui/concentration_text.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr int kWindowTenths = 300;
constexpr int kStageLimitTenths = 1800;
constexpr int kAverageSamples = 30;

std::string ZeroQuestion() {
    return std::string(
        "  <----- Градуировка Нуля ----->\r\nУстановите в камере с Датчиком\r\n"
        "   Нулевую Концентрацию Газа\r\n         Нажмите кнопку Yes"_cp);
}

std::string ReferenceQuestion() {
    return std::string(
        "<----- Градуировка Эталона ----->\r\n Установите в камере с Датчиком\r\n"
        "  Эталонную Концентрацию Газа\r\n          Нажмите кнопку Yes"_cp);
}

}  // namespace

CalibrationRun::CalibrationRun(CalibrationContext context)
    : ctx_(context), recorder_(std::make_unique<RunRecorder>(ctx_)) {
    page_.startCaption = "Старт"_cp;
    SetupGraphs(zeroGraph_, referenceGraph_);
}

CalibrationRun::~CalibrationRun() = default;

const RunRecord& CalibrationRun::LastRecord() const {
    return recorder_->Last();
}

void CalibrationRun::ProgramClosing() {
    RecordEnd(RunOutcome::kInterrupted);
}

void CalibrationRun::RecordEnd(RunOutcome outcome) {
    recorder_->End(outcome, page_.statusText, zeroGraph_, referenceGraph_, restorePending_);
}

void CalibrationRun::RecordHalt() {
    // Nothing runs and no text ended the run: it halted (a write at the start
    // or a front-end step failed) or timed out on the zero gas.
    if (!page_.sampleTimerOn) RecordEnd(RunOutcome::kFailed);
}

bool CalibrationRun::Running() const {
    return page_.startCaption != "Старт"_cp;
}

void CalibrationRun::Changed() {
    ctx_.view.PageChanged(page_);
}

void CalibrationRun::SetTimers(bool draw, bool sample) {
    page_.drawTimerOn = draw;
    page_.sampleTimerOn = sample;
    Changed();
}

void CalibrationRun::SetStatus(std::string_view text, RgbColour font) {
    page_.statusFont = font;
    const bool differs = page_.statusText != text;
    page_.statusText = text;
    Changed();
    if (const auto outcome = FinalOutcome(text)) RecordEnd(*outcome);
    // A change of the status text is what tells the rest of the program how
    // the run ended.
    if (differs && armed_) StatusChanged();
}

void CalibrationRun::SetStatus(std::string_view text, RgbColour font, RgbColour background) {
    page_.statusBackground = background;
    SetStatus(text, font);
}

void CalibrationRun::EndWithLamps(int state) {
    SetAllLamps(page_.lamps, state);
    Changed();
}

void CalibrationRun::ShowClock() {
    page_.timeText = FormatIntZero(minutes_, 2) + ":" + FormatIntZero(seconds_, 2);
}

std::string CalibrationRun::StandardText() const {
    return FormatConcentration(ctx_.reference.referenceValue, ctx_.access.state.NewParams.MultiplierCode);
}

void CalibrationRun::ComputeSpreadLimit() {
    const SensorParams& p = ctx_.access.state.NewParams;
    const AdcRange& adc = ctx_.access.state.wide.adc;
    spreadLimit_ = gvc::ComputeSpreadLimit(p.SetTolerance, adc.AdcDivisor, adc.AdcCeiling, p.PgaGain);
    page_.spreadLimitText = FormatIntZero(spreadLimit_, 5);
}

void CalibrationRun::ResetBothGraphs() {
    SetStep(zeroGraph_, zeroGraph_.stepPosition);
    SetStep(referenceGraph_, referenceGraph_.stepPosition);
    ClearPlot(zeroGraph_, ctx_.view.ZeroCanvas());
    zeroGraph_.pen = kZeroCurveBlue;
    ClearPlot(referenceGraph_, ctx_.view.ReferenceCanvas());
    referenceGraph_.pen = kReferenceCurvePurple;
}

void CalibrationRun::ResetRunCounters() {
    stageTenths_ = windowTenths_ = tickTenths_ = 0;
    sampleDue_ = false;
    shownSecond_ = minutes_ = seconds_ = 0;
    runMax_ = -60000;
    runMin_ = 60000;
    spread_ = 0;
}

void CalibrationRun::ResetCalibrationPage() {
    RecordEnd(RunOutcome::kInterrupted);
    recorder_->SensorConnected();
    SensorParams& p = ctx_.access.state.NewParams;
    page_.drawTimerOn = page_.sampleTimerOn = false;
    page_.startCaption = "Старт"_cp;
    page_.zeroConcentrationText = FormatConcentration(p.ZeroConc, p.MultiplierCode);
    page_.referenceConcentrationText = StandardText();
    page_.unitText = ctx_.list.UnitText();
    page_.spreadLimitText.clear();
    page_.spreadText.clear();
    SelectAdcRange(ctx_.access);
    const RangeScaling scaling = ComputeRangeScale(p.RangeTop, p.MultiplierScale);
    p.RangeScale = scaling.scale;
    p.RangeExponent = scaling.exponent;
    ComputeSpreadLimit();
    for (std::string* text : {&page_.zeroAverageText, &page_.offsetText, &page_.referenceAverageText,
                              &page_.slopeText, &page_.currentAdcText, &page_.currentTemperatureText}) {
        text->clear();
    }
    page_.statusBackground = kColourCream;
    page_.statusFont = kFontBlack;
    page_.statusVisible = false;
    page_.timeVisible = false;
    SetAllLamps(page_.lamps, kLampInactive);
    ResetBothGraphs();
    Changed();
}

void CalibrationRun::StartStopClicked() {
    if (Running()) {
        Interrupt();
    } else {
        Start();
    }
    RecordHalt();
}

int CalibrationRun::WriteParamsWithProgress() {
    SensorAccess& access = ctx_.access;
    return access.progress.RunTransfer(TransferMode::kWrite, [this, &access] {
        // The first write of a run reads first what the sensor holds in the
        // items it changes; a repeated start keeps that first reading.
        if (!restorePending_) {
            if (ReadSensorImage(access, beforeRun_) != 0) return -1;
            restorePending_ = true;
        }
        return WriteAllPages(access);
    });
}

void CalibrationRun::RestoreIfNeeded() {
    if (!restorePending_) return;
    restorePending_ = false;
    SensorAccess& access = ctx_.access;
    recorder_->RestoreStarted();
    const int result = access.progress.RunTransfer(
        TransferMode::kWrite, [this, &access] { return WriteSensorImageVerified(access, beforeRun_); });
    recorder_->Restored(result == 0);
    if (result == 0) {
        access.op.Show(MessageKind::kInformation,
                       "Результат Градуировки не сохранен:\r\nв Датчик записаны его параметры, "
                       "бывшие до Градуировки"_cp);
    } else {
        access.op.Show(MessageKind::kError,
                       "Параметры Датчика, бывшие до Градуировки, НЕ восстановлены!\r\n"
                       "Датчик не имеет действующей градуировки - использовать его НЕЛЬЗЯ!"_cp);
    }
}

bool CalibrationRun::RefuseReferenceWithoutSlope() {
    const std::int32_t referenceValue = ctx_.reference.referenceValue;
    const std::int32_t zeroValue = ctx_.access.state.NewParams.ZeroConc;
    if (referenceValue > 0 && referenceValue != zeroValue) return false;
    ctx_.access.op.Show(MessageKind::kError,
                        referenceValue == zeroValue
                            ? "Эталонная концентрация равна нулевой: наклон не может быть определен !"_cp
                            : "Эталонная концентрация не больше 0: наклон не может быть определен !"_cp);
    page_.drawTimerOn = page_.sampleTimerOn = false;
    page_.startCaption = "Старт"_cp;
    SetStatus("ОТКАЗ !"_cp, kFontRed, kColourSkyBlue);
    EndWithLamps(kLampInactive);
    EndUnsaved();
    return true;
}

bool CalibrationRun::FrontEnd(std::uint32_t command) {
    // A run interrupted during these exchanges goes no further.
    return WriteDigitalFrontEnd(ctx_.access, true, command) == 1 && CheckDigitalFrontEnd(ctx_.access) == 1 &&
           Running();
}

void CalibrationRun::Start() {
    Changed();
    if (RefuseReferenceWithoutSlope()) return;
    if (!ctx_.access.op.Ask(MessageKind::kWarning, ZeroQuestion())) {
        page_.drawTimerOn = page_.sampleTimerOn = false;
        page_.startCaption = "Старт"_cp;
        SetStatus("ОТКАЗ !"_cp, kFontRed, kColourSkyBlue);
        EndWithLamps(kLampInactive);
        EndUnsaved();  // a repeated start after a raised gain
        return;
    }
    RecordEnd(RunOutcome::kInterrupted);
    recorder_->Begin();
    ResetBothGraphs();
    page_.startCaption = "Стоп"_cp;
    for (std::string* text : {&page_.zeroAverageText, &page_.offsetText, &page_.referenceAverageText,
                              &page_.slopeText, &page_.currentAdcText, &page_.currentTemperatureText}) {
        text->clear();
    }
    ComputeSpreadLimit();
    Changed();
    // The parameters go into the sensor before sampling: the offset and slope
    // of the connection snapshot, and the gain a preceding run may have raised.
    recorder_->ParamsWriteStarted();
    const int written = WriteParamsWithProgress();
    recorder_->ParamsWriteEnded(written == 0, restorePending_);
    if (written != 0) return Changed();
    if (ctx_.access.state.NewParams.ElectrodeCode == 0 && !FrontEnd(161)) return Changed();
    zeroGraph_.sampleCount = 0;
    referenceGraph_.sampleCount = 0;
    stage_ = 0;
    statusWord_ = 0;
    ResetRunCounters();
    sampleSum_ = 0;
    SetStatus("Нуль"_cp, kFontBlack, kColourSkyBlue);
    page_.statusVisible = true;
    page_.timeText = "00:00";
    page_.timeVisible = true;
    SetAllLamps(page_.lamps, kLampNormal);
    page_.spreadText.clear();
    drawBusy_ = false;
    pendingDraws_ = 0;
    SetTimers(true, true);
    armed_ = true;
}

void CalibrationRun::Interrupt() {
    // The run stands still while the question is open, as under every other
    // box of the run: no sample may end a stage or the run beneath it. No
    // turns the timers that ran back on (the view starts draw before sample).
    const bool draw = page_.drawTimerOn;
    const bool sample = page_.sampleTimerOn;
    SetTimers(false, false);
    if (!ctx_.access.op.Ask(MessageKind::kError, "Идет Градуировка - Вы хотите ее Прервать!"_cp)) {
        SetTimers(draw, sample);
        return;
    }
    StopWithoutQuestion();
}

void CalibrationRun::StopWithoutQuestion() {
    if (!Running()) return RestoreIfNeeded();
    page_.drawTimerOn = page_.sampleTimerOn = false;
    page_.startCaption = "Старт"_cp;
    SetStatus("ПРЕРВАНО !"_cp, kFontRed);
    EndWithLamps(kLampInactive);
    EndUnsaved();
}

void CalibrationRun::StatusChanged() {
    if (page_.statusText == "OK !") {
        armed_ = false;
        SensorAccess& access = ctx_.access;
        lastSaveResult_ =
            access.progress.RunTransfer(TransferMode::kSave, [this] { return SaveCalibration(); });
        // A saved result stays in the sensor: nothing is to go back.
        if (lastSaveResult_ == 0) restorePending_ = false;
        RecordEnd(lastSaveResult_ == 0 ? RunOutcome::kSaved : RunOutcome::kSaveFailed);
        if (lastSaveResult_ != 0) EndUnsaved();
    } else if (page_.statusText == "Ошибка-Датчика!"_cp) {
        armed_ = false;
        ctx_.view.RefreshConnectionDisplay();
    } else if (page_.statusText == "PGA + 1 !" && !Running()) {
        armed_ = false;
        Start();
    }
}

void CalibrationRun::SampleTick() {
    if (!page_.sampleTimerOn) return;
    sampleDue_ = true;
    ctx_.view.ReadLive(ctx_.access, [this](int result, const LiveValues& live) {
        SampleRead(result, live);
        RecordHalt();
    });
}

void CalibrationRun::SampleRead(int result, const LiveValues& live) {
    // The run stopped while the values were on their way: they belong to no run.
    if (!page_.sampleTimerOn) return;
    ctx_.connectionState = result;
    if (result != 0) {
        page_.drawTimerOn = page_.sampleTimerOn = false;
        Changed();
        // The sensor may answer again for the write that puts it back.
        EndUnsaved();
        ctx_.view.ClosePort();
        page_.startCaption = "Старт"_cp;
        SetStatus("Ошибка-Датчика!"_cp, kFontRed, kColourCream);
        return;
    }
    if (!ProcessSample(live.adc, live.temperature, live.status)) return Changed();
    ++pendingDraws_;
    if (stage_ == 1) {
        FinishZeroStage();
    } else if (stage_ == 3) {
        FinishReferenceStage();
    }
    Changed();
}

bool CalibrationRun::ProcessSample(int adc, int temperature, std::uint8_t status) {
    if (!sampleDue_) return true;
    sampleDue_ = false;
    runMax_ = std::max(runMax_, adc);
    runMin_ = std::min(runMin_, adc);
    (stage_ == 0 ? zeroGraph_ : referenceGraph_).Append(adc, temperature);
    tickTenths_ += 5;
    if (tickTenths_ != 10) return true;
    tickTenths_ = 0;
    if (++seconds_ == 60) {
        seconds_ = 0;
        ++minutes_;
    }
    statusWord_ = status;
    windowTenths_ += 10;
    if (windowTenths_ != kWindowTenths) return true;
    windowTenths_ = 0;
    spread_ = runMax_ - runMin_;
    // The first window of a digital front end never counts as settled.
    if (ctx_.access.state.NewParams.ElectrodeCode == 0 && stageTenths_ < kWindowTenths)
        spread_ = spreadLimit_ + 100;
    if (spread_ < spreadLimit_) {
        ++stage_;
    } else {
        page_.spreadText = FormatIntZero(spread_, 5);
        runMax_ = -60000;
        runMin_ = 60000;
        sampleSum_ = 0;
        spread_ = 0;
    }
    stageTenths_ += kWindowTenths;
    if (stageTenths_ != kStageLimitTenths) return true;

    // Time-out; a window that settled just now counts as one too.
    page_.drawTimerOn = page_.sampleTimerOn = false;
    ShowClock();
    SetStatus("ТаймАут !"_cp, kFontRed);
    EndWithLamps(kLampInactive);
    if (stage_ >= 2) {
        // The reference gas did not settle: ask for it again over the kept zero samples.
        stage_ = 0;
        FinishZeroStage();
    } else {
        stage_ = 0;
        page_.startCaption = "Старт"_cp;
        EndUnsaved();
    }
    return false;
}

bool CalibrationRun::FinishZeroStage() {
    page_.drawTimerOn = page_.sampleTimerOn = false;
    ShowClock();
    Changed();
    sampleSum_ = 0;
    const SensorParams& p = ctx_.access.state.NewParams;
    if (p.ElectrodeCode == 0 && !FrontEnd(162)) return false;
    const int n = std::min(kAverageSamples, zeroGraph_.sampleCount);
    for (int i = zeroGraph_.sampleCount - n; i < zeroGraph_.sampleCount; ++i) {
        sampleSum_ += zeroGraph_.adc[static_cast<std::size_t>(i)];
    }
    zeroAverageRaw_ = static_cast<std::int32_t>(sampleSum_ / kAverageSamples);
    ctx_.access.state.wide.zeroAverageRaw = zeroAverageRaw_;
    zeroAverage_ = std::max(zeroAverageRaw_, 0);
    recorder_->ZeroSettled(zeroAverage_, spread_);
    page_.spreadText = FormatIntZero(spread_, 5);
    page_.zeroAverageText = FormatIntZero(zeroAverage_, 5);
    Changed();
    if (!ctx_.access.op.Ask(MessageKind::kWarning, ReferenceQuestion())) {
        page_.startCaption = "Старт"_cp;
        SetStatus("ОТКАЗ !"_cp, kFontRed, kColourMoneyGreen);
        EndWithLamps(kLampInactive);
        EndUnsaved();
        return false;
    }
    if (p.ElectrodeCode == 0 &&
        (WriteDigitalFrontEnd(ctx_.access, false,
                              static_cast<std::uint32_t>(ctx_.reference.referenceValue / 10)) != 1 ||
         !Running())) {
        return false;
    }
    ClearPlot(referenceGraph_, ctx_.view.ReferenceCanvas());
    referenceGraph_.pen = kReferenceCurvePurple;
    referenceGraph_.sampleCount = 0;
    stage_ = 2;
    ResetRunCounters();
    SetStatus("Эталон"_cp, kFontBlack, kColourMoneyGreen);
    page_.timeText = "00:00";
    page_.spreadText.clear();
    drawBusy_ = false;
    pendingDraws_ = 0;
    SetTimers(true, true);
    return true;
}

void CalibrationRun::DrawTick() {
    if (!page_.drawTimerOn || drawBusy_ || pendingDraws_ == 0) return;
    drawBusy_ = true;
    --pendingDraws_;
    const bool zero = stage_ == 0;
    TrendGraph& graph = zero ? zeroGraph_ : referenceGraph_;
    const int n = graph.sampleCount;
    if (n > 0) {
        page_.currentAdcText = FormatIntZero(graph.adc[static_cast<std::size_t>(n - 1)], 5);
        page_.currentTemperatureText = FormatTenths(graph.temperature[static_cast<std::size_t>(n - 1)]);
        DrawPoint(graph, n, zero ? ctx_.view.ZeroCanvas() : ctx_.view.ReferenceCanvas());
        if (seconds_ != shownSecond_) {
            ShowClock();
            page_.lamps = LampsFromStatus(statusWord_);
            shownSecond_ = seconds_;
        }
        Changed();
    }
    drawBusy_ = false;
}

void CalibrationRun::StepRequested(bool reference, int position) {
    if (ctx_.connectionState != 0) return;
    if (gvc::StepRequested(reference ? referenceGraph_ : zeroGraph_, position)) RedrawPlot(reference);
}

void CalibrationRun::ScrollRequested(bool reference, int position) {
    if (ctx_.connectionState != 0) return;
    if (gvc::ScrollRequested(reference ? referenceGraph_ : zeroGraph_, position)) RedrawPlot(reference);
}

void CalibrationRun::FitRequested(bool reference) {
    if (ctx_.connectionState != 0) return;
    if (FitToSamples(reference ? referenceGraph_ : zeroGraph_)) RedrawPlot(reference);
}

void CalibrationRun::RedrawPlot(bool reference) {
    TrendGraph& graph = reference ? referenceGraph_ : zeroGraph_;
    PlotCanvas& canvas = reference ? ctx_.view.ReferenceCanvas() : ctx_.view.ZeroCanvas();
    ClearPlot(graph, canvas);
    graph.pen = reference ? kReferenceCurvePurple : kZeroCurveBlue;
    Redraw(graph, canvas);
    Changed();
}

}  // namespace gvc
