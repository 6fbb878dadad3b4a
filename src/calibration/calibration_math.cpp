#include "calibration/calibration_math.h"

#include <cmath>

namespace gvc {

namespace {
bool InInt32Range(double x) {
    return std::isfinite(x) && x >= -2147483648.0 && x < 2147483648.0;
}
}  // namespace

std::int32_t ComputeSpreadLimit(std::uint16_t tolerance, std::int32_t adcDivisor, std::int32_t adcCeiling,
                                unsigned pgaGain) {
    if (adcDivisor == 0) return 0;
    const double limit =
        tolerance * 0.01 * 0.01 / adcDivisor * adcCeiling * std::ldexp(1.0, static_cast<int>(pgaGain & 0x3F));
    return TruncateToInt(limit).value_or(0);
}

double TemperatureFactor(const std::array<TempLine, 5>& lines, double celsius) {
    std::size_t i = 0;
    for (double boundary : {-20.0, 0.0, 20.0, 40.0}) {
        if (boundary < celsius) ++i;
    }
    return lines[i].slope * celsius + lines[i].intercept;
}

std::optional<std::int32_t> RoundHalfEven(double x) {
    if (!InInt32Range(x)) return std::nullopt;
    const double r = std::nearbyint(x);  // the default rounding mode: halves to even
    if (!InInt32Range(r)) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::optional<std::int32_t> TruncateToInt(double x) {
    if (!InInt32Range(x)) return std::nullopt;
    return static_cast<std::int32_t>(std::trunc(x));
}

unsigned ProposedGain(unsigned pgaGain, unsigned pgaGainMax, std::int64_t used, std::int64_t fullScale,
                      std::int64_t ratio) {
    unsigned j = pgaGain;
    std::int64_t d = used;
    while (j < pgaGainMax) {
        d *= 2;
        if (d > fullScale / 2) break;
        ratio /= 2;
        if (ratio < 2) break;
        ++j;
    }
    return j < pgaGainMax ? j + 1 : j;
}

}  // namespace gvc
