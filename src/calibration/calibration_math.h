// The arithmetic of a calibration run: concentration scale, stability limit,
// temperature factor, and the guarded conversions of doubles to integers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sensor/sensor_encoding.h"  // ComputeRangeScale
#include "sensor/sensor_params.h"

namespace gvc {

// tolerance (hundredths of a percent) x 0.01 x 0.01 / divisor x ceiling x 2^pga,
// truncated; 0 when the divisor is 0 or the result is not a finite 32-bit value.
std::int32_t ComputeSpreadLimit(std::uint16_t tolerance, std::int32_t adcDivisor, std::int32_t adcCeiling,
                                unsigned pgaGain);

// The correction factor at T degrees: the line of the range T falls in.
double TemperatureFactor(const std::array<TempLine, 5>& lines, double celsius);

// Nearest integer with halves to the even neighbour; nothing when x is not a
// finite value inside the 32-bit range.
std::optional<std::int32_t> RoundHalfEven(double x);

// x truncated toward zero; nothing when x is not a finite 32-bit value.
std::optional<std::int32_t> TruncateToInt(double x);

// The gain code proposed when the range covers less than half the ADC span.
unsigned ProposedGain(unsigned pgaGain, unsigned pgaGainMax, std::int64_t used, std::int64_t fullScale,
                      std::int64_t ratio);

}  // namespace gvc
