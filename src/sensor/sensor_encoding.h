// The packed encodings and fixed-point scalings of the sensor's stored items,
// and guarded conversions from doubles to the fixed-width fields. Pure
// functions: no exchanges.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "sensor/sensor_params.h"

namespace gvc {

// Nearest integer of type T, halves away from zero (as RoundHalfAway), with
// NaN giving 0 and values beyond T's range saturating at its ends, so that no
// stored value can make a conversion undefined.
template <typename T>
T RoundHalfAwayTo(double x) {
    static_assert(std::is_integral_v<T>);
    if (std::isnan(x)) return 0;
    const double rounded = std::round(x);  // halves away from zero
    if (rounded <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(rounded);
}

// The same with truncation toward zero.
template <typename T>
T TruncateTo(double x) {
    static_assert(std::is_integral_v<T>);
    if (std::isnan(x)) return 0;
    const double truncated = std::trunc(x);
    if (truncated <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (truncated >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(truncated);
}

// Serial word: bits 0-23 serial number, 24-27 type number, 28-31 gas number.
// An erased word (0xFFFFFFFF) counts as all zero.
struct SerialWordFields {
    std::uint32_t serialNumber = 0;
    std::uint8_t typeNumber = 0;
    std::uint8_t gasNumber = 0;
    bool operator==(const SerialWordFields&) const = default;
};
SerialWordFields DecodeSerialWord(std::uint32_t word);
std::uint32_t EncodeSerialWord(std::uint8_t gasNumber, std::uint8_t typeNumber, std::uint32_t serialNumber);

// Date word: bits 0-4 day, 5-8 month, 9-15 year - 2000. Writing stores
// (year + 48) mod 128, which is year - 2000 for 2000..2127.
SensorDate DecodeDateWord(std::uint16_t word);
std::uint16_t EncodeDateWord(const SensorDate& date);

// Resource levels and warnings: stored x 225/256 when read, x 256/225 when written.
std::uint32_t ResourceFromStored(std::uint32_t stored);
std::uint32_t ResourceToStored(std::uint32_t resource);

// Slopes: stored x 1250/1024 when read, x 0.8192 when written.
std::int32_t SlopeFromStored(std::int32_t stored);
std::int32_t SlopeToStored(std::int32_t slope);

// 10 to the power n.
double PowerOfTen(unsigned n);

// The range exponent: the range top in counts is scaled by 10 (at most three
// times) while it stays at or below 1000.
struct RangeScaling {
    std::uint8_t exponent = 0;
    double scale = 1.0;
};
RangeScaling ComputeRangeScale(std::uint16_t rangeTop, double multiplierScale);

// The temperature code at `tenthsOfDegree` for the sensor's scale and offset,
// in integer arithmetic with truncating division.
std::int64_t TemperatureCodeAt(std::int64_t tenthsOfDegree, std::uint16_t tempScale,
                               std::uint16_t tempOffset);

// A live temperature code in tenths of a degree. The caller makes sure the
// scale is not 0.
std::int32_t TenthsFromTemperatureCode(std::uint16_t code, std::uint16_t tempScale, std::uint16_t tempOffset);

}  // namespace gvc
