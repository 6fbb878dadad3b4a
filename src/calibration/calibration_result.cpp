// The end of a run: slope and offset from the two settled averages, the range
// check against the ADC window with the gain decision, and the saving sequence.
#include <cmath>
#include <cstdio>

#include "calibration/calibration_math.h"
#include "calibration/calibration_run.h"
#include "calibration/run_recorder.h"
#include "calibration/verified_save.h"
#include "records/certificate.h"
#include "records/report_log.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_write.h"
#include "ui/concentration_text.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr int kAverageSamples = 30;

// Fixed-point text with `decimals` places from a value rounded to 7
// significant digits; scientific notation when the integer part is longer.
std::string FixedText(double value, int decimals) {
    if (!std::isfinite(value)) return "?";
    if (std::fabs(value) >= 1e7) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.6E", value);
        return buffer;
    }
    const int integerDigits =
        value == 0.0 ? 1 : std::max(1, static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1);
    const int significantDecimals = std::max(0, 7 - integerDigits);
    const double scale = std::pow(10.0, std::min(significantDecimals, 15));
    const double rounded = std::round(value * scale) / scale;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    return buffer;
}

}  // namespace

bool CalibrationRun::Fault(std::string_view box, std::string_view text) {
    page_.drawTimerOn = page_.sampleTimerOn = false;
    page_.startCaption = "Старт"_cp;
    SetAllLamps(page_.lamps, kLampInactive);
    Changed();
    ctx_.access.op.Show(MessageKind::kError, box);
    SetStatus(text, kFontRed, kColourCream);
    EndUnsaved();
    return false;
}

bool CalibrationRun::FinishReferenceStage() {
    page_.drawTimerOn = page_.sampleTimerOn = false;
    ShowClock();
    Changed();
    SensorParams& p = ctx_.access.state.NewParams;
    const AdcRange& adc = ctx_.access.state.wide.adc;
    std::int64_t adcSum = 0;
    std::int64_t temperatureSum = 0;
    const int n = std::min(kAverageSamples, referenceGraph_.sampleCount);
    for (int i = referenceGraph_.sampleCount - n; i < referenceGraph_.sampleCount; ++i) {
        adcSum += referenceGraph_.adc[static_cast<std::size_t>(i)];
        temperatureSum += referenceGraph_.temperature[static_cast<std::size_t>(i)];
    }
    const std::int64_t rawReference = adcSum / kAverageSamples;
    if (p.ElectrodeCode == 0 && !FrontEnd(164)) return false;

    const std::string_view calculationBox = "Результат градуировки не может быть вычислен !"_cp;
    const std::string_view calculationText = "Ошибка расчета!"_cp;
    const double celsius = static_cast<double>(temperatureSum) * (1.0 / 30) * 0.1;
    const double k = TemperatureFactor(ctx_.access.state.wide.TempLines, celsius);
    const auto corrected = TruncateToInt(static_cast<double>(rawReference - zeroAverageRaw_) / k);
    if (k == 0.0 || !corrected) return Fault(calculationBox, calculationText);
    referenceAverage_ = std::max<std::int32_t>(*corrected + zeroAverageRaw_, 0);
    recorder_->ReferenceSettled(referenceAverage_, spread_);
    page_.spreadText = FormatIntZero(spread_, 5);
    page_.referenceAverageText = FormatIntZero(referenceAverage_, 5);
    Changed();

    const double counts = p.MultiplierScale * p.RangeScale;
    const double c0 = p.ZeroConc * 0.001 * counts;
    const double cref = ctx_.reference.referenceValue * 0.001 * counts;
    const double dC = cref - c0;
    const double dA = static_cast<double>(referenceAverage_) - static_cast<double>(zeroAverage_);
    if (dA == 0.0) {
        // Also for a digital front end, where the slope would be undefined.
        ctx_.access.op.Show(MessageKind::kError, "Нулевое значение = Эталонному значению !"_cp);
        SetStatus("АЦП_0 = АЦП_Э!"_cp, kFontRed);
        return false;
    }
    const double slope = dC / dA;
    // A reference equal to the zero concentration gives no slope, and the
    // range check would divide by it: nothing of such a run is kept.
    if (slope == 0.0) {
        return Fault("Эталонная концентрация равна нулевой: наклон не может быть определен !"_cp,
                     "Наклон = 0 !"_cp);
    }
    const auto slopeCode = RoundHalfEven(slope * 10000);
    const double offset = c0 - slope * zeroAverage_;
    const auto offsetCode = RoundHalfEven(offset);
    if (!std::isfinite(slope) || !slopeCode || !offsetCode) return Fault(calculationBox, calculationText);
    recorder_->Computed(*slopeCode, *offsetCode);
    page_.slopeText = FixedText(slope, 4);
    page_.offsetText = FixedText(offset, 0);

    page_.startCaption = "Старт"_cp;
    page_.statusBackground = kColourCream;
    page_.statusFont = kFontGreen;
    SetAllLamps(page_.lamps, kLampInactive);
    Changed();
    auto accept = [&] {
        ApplyNewCoefficients(*slopeCode, *offsetCode);
        SetStatus("OK !", kFontGreen);
        return true;
    };
    if (p.ElectrodeCode == 0) return accept();

    // Range check: the whole measuring range, with the temperature coefficient
    // at the top of the table, must fit the ADC window.
    const double ct = p.TempCoefs[4].start * 0.01 + p.TempCoefs[4].slope * 0.001 * 20 * 0.01;
    const auto adcZero = TruncateToInt((0 - offset) / slope);
    const auto adcTop = TruncateToInt((p.RangeTop * counts * ct - offset) / slope);
    if (!adcZero || !adcTop || adc.AdcDivisor == 0) return Fault(calculationBox, calculationText);
    const std::int64_t span = std::llabs(static_cast<std::int64_t>(*adcTop) - *adcZero);
    const std::int64_t fullScale = adc.AdcCeiling / adc.AdcDivisor;
    bool outOfRange = false;
    std::int64_t used = 0;
    if (*adcZero < *adcTop) {
        outOfRange = adc.AdcCeiling < *adcTop;
        used = static_cast<std::int64_t>(*adcTop) - adc.AdcZero;
    } else {
        outOfRange = *adcTop < adc.AdcFloor;
        used = fullScale - *adcTop;
    }
    if (outOfRange) {
        ctx_.access.op.Show(MessageKind::kError, "Верхнее значение диапазона пересекло границу АЦП !"_cp);
        SetStatus("Выход за предел!"_cp, kFontRed);
        EndUnsaved();
        return false;
    }
    if (used <= 0) {
        ctx_.access.op.Show(MessageKind::kError, "Входной сигнал выходит за 0-диапазона !"_cp);
        SetStatus("Выход за ноль!"_cp, kFontRed);
        EndUnsaved();
        return false;
    }
    const std::int64_t ratio = fullScale / used;
    if (span >= adc.AdcSpan / 2) return accept();

    if (p.PgaGain >= p.PgaGainMax) {
        if (ctx_.access.op.Ask(
                MessageKind::kError,
                "        Диапазон меньше 1/2 шкалы АЦП\r\nЗначеник коэффициента PGA максимальное\r\n"
                "Дальнейшее увеличение PGA не возможно\r\n      Применить данную градуировку"_cp)) {
            return accept();
        }
        SetStatus("PGA = MAX !", kFontRed);
        EndUnsaved();
        return false;
    }
    if (used > fullScale / 2) {
        if (ctx_.access.op.Ask(MessageKind::kError,
                               "                Диапазон меньше 1/2 шкалы АЦП\r\n"
                               "Значение верхней границы диапазона увеличить нельзя\r\n"
                               "          Дальнейшее увеличение PGA не возможно\r\n"
                               "                Применить данную градуировку"_cp)) {
            return accept();
        }
        SetStatus("LIM = MAX !", kFontRed);
        EndUnsaved();
        return false;
    }
    const unsigned gain = ProposedGain(p.PgaGain, p.PgaGainMax, used, fullScale, ratio);
    if (ctx_.access.op.Ask(MessageKind::kError,
                           "    Диапазон меньше 1/2 шкалы АЦП\r\nУвеличить PGA и провести градуировку"_cp)) {
        p.PgaGain = static_cast<std::uint8_t>(gain);
        page_.startCaption = "Старт"_cp;
        ctx_.list.SetNewPgaGain(p.PgaGain);
        SetStatus("PGA + 1 !", kFontGreen);
        return true;
    }
    SetStatus("Диапазон < 1/2 !"_cp, kFontRed);
    EndUnsaved();
    return false;
}

void CalibrationRun::ApplyNewCoefficients(std::int32_t slopeCode, std::int32_t offsetCode) {
    SensorParams& p = ctx_.access.state.NewParams;
    p.Slope = slopeCode;
    ctx_.list.SetNewSlope(slopeCode, p.PgaGain);
    p.ZeroOffset = offsetCode;
    p.ZeroOffsetSign = static_cast<std::int8_t>(offsetCode >= 0 ? -1 : 0);  // 0xFF: not negative
    ctx_.list.SetNewZeroOffset(offsetCode);
}

int CalibrationRun::SaveCalibration() {
    SensorState& state = ctx_.access.state;
    ctx_.view.SaveLineShown(SaveLine::kResult, "Датчик успешно отградуирован"_cp);
    const std::string slopeText = ctx_.list.Text(kRowSlope, CharacteristicsColumn::kNew);
    const std::string initialSlopeText = ctx_.list.Text(kRowInitialSlope, CharacteristicsColumn::kNew);
    const ReportTimestamp when = ctx_.view.Now();
    // The next calibration is due an interval after this saving, the date
    // the report record and the certificate print, not after the connection.
    state.NewParams.NextCalibrationDate = NextCalibrationDate(
        SensorDate{when.year, static_cast<std::uint8_t>(when.day), static_cast<std::uint8_t>(when.month)},
        state.NewParams.CalInterval);
    ctx_.list.SetNewNextCalibrationDate(state.NewParams.NextCalibrationDate);
    // Each step is recorded as begun before it writes: a stop in the middle
    // leaves a record that names the step (and the record line it appends).
    recorder_->Current().reportRecordLine = ReportRecordLine(
        when, slopeText, initialSlopeText, state.NewParams, state.identity, ctx_.access.table);
    recorder_->StepStarted(SaveStep::kReportLog);
    if (!AppendReportRecord(slopeText, initialSlopeText, state.NewParams, state.identity, ctx_.access.table,
                            when, ctx_.fs, ctx_.error)) {
        recorder_->StepEnded(SaveStep::kReportLog, false, ctx_.error.Text());
        ctx_.access.op.Show(MessageKind::kError, ctx_.error.Text());
        return 1;
    }
    recorder_->StepEnded(SaveStep::kReportLog, true);
    ctx_.view.SaveLineShown(SaveLine::kReportLog, "Отчет сохранен"_cp);
    recorder_->Current().certificatePath = CertificatePath(state.identity, ctx_.access.table);
    recorder_->StepStarted(SaveStep::kCertificate);
    if (!WriteSensorFile(ctx_.list.Rows(), StandardText(), state.identity, state.NewParams, ctx_.access.table,
                         when, ctx_.fs, ctx_.error)) {
        recorder_->StepEnded(SaveStep::kCertificate, false, ctx_.error.Text());
        ctx_.access.op.Show(MessageKind::kError, ctx_.error.Text());
        return 3;
    }
    recorder_->StepEnded(SaveStep::kCertificate, true);
    recorder_->CertificateWritten(CertificatePath(state.identity, ctx_.access.table), state.NewParams);
    ctx_.view.SaveLineShown(SaveLine::kCertificate, "Сертификат заполнен"_cp);
    state.NewParams.CalibrationCount = static_cast<std::uint8_t>(state.NewParams.CalibrationCount + 1);
    ctx_.list.SetNewCalibrationCount(state.NewParams.CalibrationCount);
    state.OldParams.CalResourceNow = state.NewParams.CalResourceMax;
    state.OldParams.CalResourceWarn = state.NewParams.CalResourceWarn;
    state.OldParams.NextCalibrationDate = state.NewParams.NextCalibrationDate;
    // The sensor last: written, then every written item read back and compared.
    if (const int written = WriteAndVerify(ctx_.access, *recorder_); written != 0) return written;
    ctx_.access.op.Show(MessageKind::kInformation, "Результат Градуировки Датчика Сохранен"_cp);
    return 0;
}

}  // namespace gvc
