#include "calibration/run_recorder.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "calibration/as_found.h"
#include "calibration/calibration_run.h"
#include "records/sensor_number.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::vector<std::int32_t> Series(const TrendGraph& graph) {
    const int count = std::clamp(graph.sampleCount, 0, kGraphCapacity);
    return {graph.adc.begin(), graph.adc.begin() + count};
}

// A random part for the run's identifier: two runs started in the same second
// on one workstation still differ.
std::string RandomHex() {
    std::random_device device;
    std::uniform_int_distribution<std::uint32_t> any;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(any(device)));
    return buffer;
}

}  // namespace

RunParams RunParamsOf(const SensorParams& params, bool offsetIsMagnitude) {
    RunParams run;
    run.slope = params.Slope;
    run.zeroOffset = offsetIsMagnitude && params.ZeroOffsetSign < 0 ? -params.ZeroOffset : params.ZeroOffset;
    run.pgaGain = params.PgaGain;
    return run;
}

std::optional<RunOutcome> FinalOutcome(std::string_view statusText) {
    if (statusText.empty() || statusText == "Нуль"_cp || statusText == "Эталон"_cp ||
        statusText == "ТаймАут !"_cp || statusText == "OK !") {
        return std::nullopt;
    }
    if (statusText == "PGA + 1 !") return RunOutcome::kPgaRaised;
    if (statusText == "ПРЕРВАНО !"_cp || statusText == "ОТКАЗ !"_cp) return RunOutcome::kInterrupted;
    if (statusText == "Ошибка-Датчика!"_cp) return RunOutcome::kFailed;
    return RunOutcome::kRefused;
}

bool LeftSensorInvalid(const RunRecord& run) {
    if (run.restore == StepOutcome::kFailed || run.restore == StepOutcome::kStarted) return true;
    if (run.outcome != RunOutcome::kUnfinished) return false;
    return run.paramsWrite != StepOutcome::kNotRun || run.saving.sensorWrite != StepOutcome::kNotRun;
}

void RunRecorder::SensorConnected() {
    held_ = RunParamsOf(ctx_.access.state.OldParams, true);
    heldUnknown_ = false;
}

void RunRecorder::Progress() {
    if (ctx_.recordSink != nullptr) ctx_.recordSink->RunProgress(current_);
}

void RunRecorder::HandOver() {
    waitingForRestore_ = false;
    last_ = current_;
    if (ctx_.recordSink != nullptr) ctx_.recordSink->RunEnded(last_);
}

void RunRecorder::Begin() {
    // A record still waiting for its restore when the next run begins (the
    // restore was never asked for) goes as it stands: the restore unknown.
    if (waitingForRestore_) {
        current_.restore = StepOutcome::kStarted;
        HandOver();
    }
    const SensorState& state = ctx_.access.state;
    const SensorParams& p = state.NewParams;
    current_ = RunRecord{};
    current_.workstation = ctx_.view.WorkstationName();
    current_.operatorName = ctx_.view.OperatorName();
    current_.startLocal = ctx_.view.Now();
    current_.startUtc = ctx_.view.UtcNow();
    current_.runId = current_.workstation + "-" + std::to_string(current_.startUtc) + "-" + RandomHex();
    current_.sensorNumber = SensorNumberText(state.identity);
    current_.gasCode = p.GasCode;
    current_.gasText = ctx_.access.table.GasName(p.GasCode);
    current_.typeNumber = state.identity.TypeNumber;
    current_.typeText = FormatIntZero(p.GasCode, 2) + "-" + FormatIntZero(state.identity.TypeNumber, 2);
    current_.unitText = ctx_.list.UnitText();
    current_.rangeTop = p.RangeTop;
    current_.referenceThousandths = ctx_.reference.referenceValue;
    current_.cylinderId = ctx_.view.ReferenceCylinder();
    current_.referenceSource = current_.cylinderId              ? ReferenceSource::kCylinder
                               : ctx_.reference.referenceManual ? ReferenceSource::kTyped
                                                                : ReferenceSource::kStandard;
    current_.before = held_;
    current_.beforeUnknown = heldUnknown_;
    before_ = held_;
    current_.outcome = RunOutcome::kUnfinished;
    current_.asFound.tolerancePercent = ctx_.view.AsFoundTolerancePercent();
    runPgaGain_ = p.PgaGain;
    zeroAverage_.reset();
    referenceAverage_.reset();
    computed_.reset();
    open_ = true;
}

void RunRecorder::ParamsWriteStarted() {
    if (!open_) return;
    current_.paramsWrite = StepOutcome::kStarted;
    Progress();
}

void RunRecorder::ParamsWriteEnded(bool written, bool anythingWritten) {
    if (!open_) return;
    current_.paramsWrite = written           ? StepOutcome::kOk
                           : anythingWritten ? StepOutcome::kFailed
                                             : StepOutcome::kNotRun;
}

void RunRecorder::ZeroSettled(std::int32_t average, std::int32_t spread) {
    // A reference stage that timed out asks for the reference gas again over
    // the same zero samples: the zero stage's own spread stays.
    if (!open_ || zeroAverage_) return;
    zeroAverage_ = average;
    current_.zeroAverage = average;
    current_.zeroSpread = spread;
}

void RunRecorder::ReferenceSettled(std::int32_t average, std::int32_t spread) {
    if (!open_) return;
    referenceAverage_ = average;
    current_.referenceAverage = average;
    current_.referenceSpread = spread;
}

void RunRecorder::Computed(std::int32_t slopeCode, std::int32_t offsetCode) {
    if (open_) computed_ = RunParams{slopeCode, offsetCode, 0};
}

StepOutcome* RunRecorder::StepOf(SaveStep step) {
    SavingSteps& saving = current_.saving;
    switch (step) {
        case SaveStep::kReportLog:
            return &saving.reportLog;
        case SaveStep::kCertificate:
            return &saving.certificate;
        case SaveStep::kSensorWrite:
            return &saving.sensorWrite;
        case SaveStep::kReadBack:
            return &saving.readBack;
    }
    return &saving.readBack;
}

void RunRecorder::StepStarted(SaveStep step) {
    if (!open_) return;
    *StepOf(step) = StepOutcome::kStarted;
    Progress();
}

void RunRecorder::StepEnded(SaveStep step, bool ok, std::string_view message) {
    if (!open_) return;
    *StepOf(step) = ok ? StepOutcome::kOk : StepOutcome::kFailed;
    if (!ok) current_.saving.message = message;
}

void RunRecorder::CertificateWritten(std::string path, const SensorParams& newParams) {
    if (!open_) return;
    current_.certificatePath = std::move(path);
    const SensorDate& next = newParams.NextCalibrationDate;
    current_.nextCalibration = CivilDate{next.year, next.month, next.day};
}

void RunRecorder::ReadBack(const RunParams& params) {
    held_ = params;
    if (!open_) return;
    current_.readBack = params;
    current_.readBackDone = true;
}

void RunRecorder::RestoreStarted() {
    if (!open_ && !waitingForRestore_) return;
    current_.restore = StepOutcome::kStarted;
    Progress();
}

void RunRecorder::Restored(bool ok) {
    if (ok) {
        held_ = before_;
        heldUnknown_ = current_.beforeUnknown;
    } else {
        heldUnknown_ = true;
    }
    if (!open_ && !waitingForRestore_) return;
    current_.restore = ok ? StepOutcome::kOk : StepOutcome::kFailed;
    // After: what the sensor holds now; after a failed restore the run's own
    // last write stays as the best knowledge, and the restore says it is not sure.
    if (ok) current_.after = before_;
    if (waitingForRestore_) HandOver();
}

void RunRecorder::End(RunOutcome outcome, std::string_view resultText, const TrendGraph& zero,
                      const TrendGraph& reference, bool restoreFollows) {
    if (!open_) return;
    open_ = false;
    const SensorParams& p = ctx_.access.state.NewParams;
    current_.outcome = outcome;
    current_.resultText = resultText;
    current_.endLocal = ctx_.view.Now();
    current_.endUtc = ctx_.view.UtcNow();
    current_.zeroSeries = Series(zero);
    current_.referenceSeries = Series(reference);
    const TrendGraph& last = reference.sampleCount > 0 ? reference : zero;
    if (last.sampleCount > 0 && last.sampleCount <= kGraphCapacity)
        current_.temperature = last.temperature[static_cast<std::size_t>(last.sampleCount - 1)];
    // After: what the sensor holds when the run ends. A saved result (or one
    // whose saving failed) is the computed result with the gain it leaves;
    // a run that wrote nothing leaves what it found; otherwise the run's own
    // parameters, until a restore puts the old ones back.
    if (computed_) {
        current_.computedSlope = computed_->slope;
        current_.computedOffset = computed_->zeroOffset;
    }
    current_.after = RunParamsOf(p, false);
    if (computed_ && (outcome == RunOutcome::kSaved || outcome == RunOutcome::kSaveFailed)) {
        current_.after.slope = computed_->slope;
        current_.after.zeroOffset = computed_->zeroOffset;
    } else if (current_.paramsWrite == StepOutcome::kNotRun) {
        current_.after = before_;
    }
    if (current_.restore == StepOutcome::kOk) current_.after = before_;

    AsFoundInputs in;
    in.zeroAverage = zeroAverage_;
    in.referenceAverage = referenceAverage_;
    in.zeroThousandths = p.ZeroConc;
    in.referenceThousandths = current_.referenceThousandths;
    in.multiplierScale = p.MultiplierScale;
    in.rangeScale = p.RangeScale;
    in.rangeTop = current_.rangeTop;
    in.runPgaGain = runPgaGain_;
    in.adcZero = ctx_.access.state.wide.adc.AdcZero;
    in.tolerancePercent = current_.asFound.tolerancePercent;
    current_.asFound = ComputeAsFoundAsLeft(
        in, current_.before, current_.readBackDone ? std::optional(current_.readBack) : std::nullopt);
    if (current_.beforeUnknown) {
        // What the sensor held is not known: nothing is claimed as found.
        current_.asFound.foundZero.reset();
        current_.asFound.foundReference.reset();
        current_.asFound.foundInTolerance.reset();
    }
    if (restoreFollows && outcome != RunOutcome::kPgaRaised) {
        waitingForRestore_ = true;
        current_.restore = StepOutcome::kStarted;
        Progress();
        last_ = current_;
        return;
    }
    HandOver();
}

}  // namespace gvc
