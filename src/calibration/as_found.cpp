#include "calibration/as_found.h"

#include <cmath>

namespace gvc {

namespace {

constexpr int kMaxGainCode = 15;

struct Readings {
    std::optional<ReadingError> zero;
    std::optional<ReadingError> reference;
};

Readings ReadingsWith(const RunParams& params, const AsFoundInputs& in) {
    Readings readings;
    auto reading = [&](std::optional<std::int32_t> adc,
                       std::int32_t thousandths) -> std::optional<ReadingError> {
        if (!adc) return std::nullopt;
        const auto shown = ShownConcentration(params, *adc, in);
        if (!shown) return std::nullopt;
        return ErrorAgainst(*shown, thousandths * 0.001, in.rangeTop);
    };
    readings.zero = reading(in.zeroAverage, in.zeroThousandths);
    readings.reference = reading(in.referenceAverage, in.referenceThousandths);
    return readings;
}

}  // namespace

std::optional<double> ShownConcentration(const RunParams& params, double adc, const AsFoundInputs& in) {
    const double countsPerUnit = in.multiplierScale * in.rangeScale;
    if (!std::isfinite(countsPerUnit) || countsPerUnit == 0.0) return std::nullopt;
    if (params.pgaGain < 0 || params.pgaGain > kMaxGainCode || in.runPgaGain < 0 ||
        in.runPgaGain > kMaxGainCode)
        return std::nullopt;
    const double atGain = in.adcZero + (adc - in.adcZero) * std::ldexp(1.0, params.pgaGain - in.runPgaGain);
    const double counts = params.slope / 10000.0 * atGain + params.zeroOffset;
    const double shown = counts / countsPerUnit;
    if (!std::isfinite(shown)) return std::nullopt;
    return shown;
}

ReadingError ErrorAgainst(double shown, double trueValue, double rangeTop) {
    ReadingError error;
    error.shown = shown;
    const double difference = shown - trueValue;
    error.errorPercentReading = trueValue == 0.0 ? 0.0 : difference / trueValue * 100.0;
    error.errorPercentRange =
        rangeTop == 0.0 || !std::isfinite(rangeTop) ? 0.0 : difference / rangeTop * 100.0;
    return error;
}

AsFoundAsLeft ComputeAsFoundAsLeft(const AsFoundInputs& in, const std::optional<RunParams>& before,
                                   const std::optional<RunParams>& readBack) {
    AsFoundAsLeft result;
    result.tolerancePercent = in.tolerancePercent;
    if (before) {
        const Readings found = ReadingsWith(*before, in);
        result.foundZero = found.zero;
        result.foundReference = found.reference;
        // A reading exactly on the limit is within it, whatever the last bit
        // of the arithmetic says.
        const double limit =
            std::fabs(in.referenceThousandths * 0.001) * in.tolerancePercent / 100.0 * (1 + 1e-12);
        if (found.zero && found.reference && in.referenceThousandths != 0 && std::isfinite(limit)) {
            const double zeroMiss = std::fabs(found.zero->shown - in.zeroThousandths * 0.001);
            const double referenceMiss = std::fabs(found.reference->shown - in.referenceThousandths * 0.001);
            result.foundInTolerance = zeroMiss <= limit && referenceMiss <= limit;
        }
    }
    if (readBack) {
        const Readings left = ReadingsWith(*readBack, in);
        result.leftZero = left.zero;
        result.leftReference = left.reference;
    }
    return result;
}

}  // namespace gvc
