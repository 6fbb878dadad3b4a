#include "sensor/table_field_fit.h"

#include <cmath>

#include "sensor/sensor_encoding.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

namespace {

// The stored forms below follow the page writes of the sensor: resources and
// warning levels x 256/225, concentrations and range bounds in counts
// (x multiplier scale x range scale).
constexpr double kResourceStoreFactor = 256.0 / 225.0;

// The report-log record's column widths (ReportRecordLine).
constexpr unsigned kReportResourceDigits = 6;
constexpr std::int64_t kReportResourceTop = 999'999;
constexpr unsigned kReportUnitWidth = 8;

// Nearest integer, halves away from zero, without any conversion limit: the
// check must see the true value, not a saturated one.
std::int64_t Nearest(double x) {
    if (!std::isfinite(x)) return INT64_MAX;
    const double r = std::round(x);
    if (r >= 9.2e18) return INT64_MAX;
    if (r <= -9.2e18) return INT64_MIN;
    return static_cast<std::int64_t>(r);
}

std::int64_t Truncated(double x) {
    if (!std::isfinite(x)) return INT64_MAX;
    const double t = std::trunc(x);
    if (t >= 9.2e18) return INT64_MAX;
    if (t <= -9.2e18) return INT64_MIN;
    return static_cast<std::int64_t>(t);
}

class TypeCheck {
public:
    TypeCheck(const SensorTypeEntry& e, std::string_view unitName, std::vector<FieldFitProblem>& problems)
        : e_(e), unitName_(unitName), problems_(problems) {}

    void Run() {
        // Bit fields of the code bytes at 0xC1, 0xC2 and 0x97.
        Fit("electrodeIndex", e_.electrodeIndex, 2, "ElectrodeCode (0xC1, bits 0-1)");
        Fit("measuredParamIndex", e_.measuredParamIndex, 3, "MeasuredParamCode (0xC1, bits 2-4)");
        Fit("unitIndex", e_.unitIndex, 3, "UnitCode (0xC1, bits 5-7)");
        Fit("makerIndex", e_.makerIndex, 4, "MakerCode (0xC2, bits 0-3)");
        Fit("multiplierIndex", e_.multiplierIndex, 2, "MultiplierCode (0xC2, bits 4-5)");
        Fit("pgaGainMax", e_.pgaGainMax, 4, "PgaGainMax (0x97, bits 4-7)");

        const double multiplierScale = PowerOfTen(e_.multiplierIndex);
        const RangeScaling scaling = ComputeRangeScale(e_.rangeMax, multiplierScale);
        const double counts = multiplierScale * scaling.scale;
        Fit("rangeMax in counts", Nearest(e_.rangeMax * counts), 16, "RangeTop (0x80)");
        Fit("thresholdA1 in counts", Nearest(e_.thresholdA1 * 0.001 * counts), 16, "ThresholdA1 (0x86)");
        Fit("thresholdA2 in counts", Nearest(e_.thresholdA2 * 0.001 * counts), 16, "ThresholdA2 (0x88)");

        const std::int64_t workMax = e_.workResourceMax;
        const std::int64_t workWarn = e_.workWarnPercent * workMax / 100;
        Fit("workWarnPercent x workResourceMax / 100, stored x 256/225",
            Nearest(static_cast<double>(workWarn) * kResourceStoreFactor), 16, "WorkResourceWarn (0x84)");
        Fit("workResourceMax, stored x 256/225", Nearest(static_cast<double>(workMax) * kResourceStoreFactor),
            32, "WorkResourceNow (0x42)");
        // With the whole working resource used: the largest calibration
        // resource and warning level the type can give.
        const std::int64_t calMax = e_.calibResourcePercent * workMax / 100;
        const std::int64_t calWarn = e_.calibWarnPercent * calMax / 100;
        Fit("calibWarnPercent x calibResourcePercent x workResourceMax / 10000, stored x 256/225",
            Nearest(static_cast<double>(calWarn) * kResourceStoreFactor), 16, "CalResourceWarn (0x94)");

        // The standard gas concentration (thousandths) / 10 goes to the
        // front-end word when the stage of the standard gas starts.
        if (e_.electrodeIndex == 0)
            Fit("referenceConcentration / 10", e_.referenceConcentration / 10, 16, "front-end word (0x0E)");

        // The report-log record: resources in 6 digits, the unit name in 8
        // characters (see ReportRecordLine).
        FitColumn("workResourceMax", workMax, kReportResourceTop, kReportResourceDigits, "work resource");
        FitColumn("calibResourcePercent x workResourceMax / 100", calMax, kReportResourceTop,
                  kReportResourceDigits, "calibration resource");
        FitColumn("unit name length", static_cast<std::int64_t>(unitName_.size()), kReportUnitWidth,
                  kReportUnitWidth, "unit");

        static constexpr std::string_view kBoundNames[] = {"resourceRanges[0].rangeEnd in counts",
                                                           "resourceRanges[1].rangeEnd in counts"};
        static constexpr std::string_view kBoundFields[] = {"resource range bound (0xE4)",
                                                            "resource range bound (0xE2)"};
        static constexpr std::string_view kCoefNames[] = {
            "resourceRanges[0].startCoef x range middle, stored x 256/225",
            "resourceRanges[1].startCoef x range middle, stored x 256/225",
            "resourceRanges[2].startCoef x range middle, stored x 256/225"};
        static constexpr std::string_view kCoefFields[] = {
            "resource coefficient (0xE0)", "resource coefficient (0xDE)", "resource coefficient (0xDC)"};
        for (std::size_t p = 0; p < kResourceRangeCount; ++p) {
            const double start = p == 0 ? 0.0 : e_.resourceRanges[p - 1].rangeEnd;
            if (p > 0) {
                const std::int64_t bound =
                    Truncated(static_cast<double>(Truncated(start * multiplierScale)) * scaling.scale);
                Fit(kBoundNames[p - 1], bound, 16, kBoundFields[p - 1]);
            }
            const double mid = start + (e_.resourceRanges[p].rangeEnd - start) * 0.5;
            Fit(kCoefNames[p], Nearest(e_.resourceRanges[p].startCoef * 0.01 * mid * kResourceStoreFactor),
                16, kCoefFields[p]);
        }
    }

private:
    void Fit(std::string_view parameter, std::int64_t value, unsigned bits, std::string_view field) {
        const std::int64_t top = bits >= 63 ? INT64_MAX : (std::int64_t{1} << bits) - 1;
        if (value >= 0 && value <= top) return;
        problems_.push_back({e_.gasCode, e_.typeNumber, parameter, value, bits, field});
    }

    // `top` is the largest number (or text length) a column of `width`
    // characters takes.
    void FitColumn(std::string_view parameter, std::int64_t value, std::int64_t top, unsigned width,
                   std::string_view column) {
        if (value >= 0 && value <= top) return;
        problems_.push_back({e_.gasCode, e_.typeNumber, parameter, value, width, column, true});
    }

    const SensorTypeEntry& e_;
    std::string_view unitName_;
    std::vector<FieldFitProblem>& problems_;
};

}  // namespace

std::vector<FieldFitProblem> FindFieldFitProblems(const SensorTypeTable& table) {
    std::vector<FieldFitProblem> problems;
    for (unsigned g = 1; g < table.gasCount && g < kMaxGases; ++g) {
        for (unsigned t = 0; t < table.typeCount[g] && t < kMaxTypesPerGas; ++t) {
            const SensorTypeEntry& e = table.types[g][t];
            TypeCheck(e, ListText(table.unitList, e.unitIndex), problems).Run();
        }
    }
    return problems;
}

std::string FieldFitWarningText(const SensorTypeTable& table, const FieldFitProblem& problem) {
    const std::string where =
        problem.reportColumn
            ? std::to_string(problem.bits) + "-character " + std::string(problem.field) +
                  " column of the report log (every later record of the type fails to append)"
            : std::to_string(problem.bits) + "-bit sensor field " + std::string(problem.field);
    return "warning: gas " + FormatIntZero(problem.gasCode, 2) + " " +
           Utf8FromCp1251(table.GasName(problem.gasCode)) + ", type " + FormatIntZero(problem.gasCode, 2) +
           "-" + FormatIntZero(problem.typeNumber, 2) + ": " + std::string(problem.parameter) + " = " +
           std::to_string(problem.value) + " does not fit the " + where;
}

}  // namespace gvc
