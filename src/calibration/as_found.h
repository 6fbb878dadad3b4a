// What the sensor would show, with a given set of parameters, on the two gases
// a run measured: the readings "as found" (its parameters from before the run)
// and "as left" (the parameters read back after the write), each with its
// error against the concentration the gas has.
//
// The sensor turns an ADC code into counts with its slope code and zero
// offset, counts = slope code / 10000 x ADC + offset, the inverse of how the
// run derived them; counts over MultiplierScale x RangeScale are the unit. The
// reference average is the temperature-corrected one, so the temperature
// factor of the run is already in it. ADC codes measured at one gain are taken
// to another as the amplified signal around the ADC zero code:
// zero code + (code - zero code) x 2^(other gain - run gain).
#pragma once

#include <cstdint>
#include <optional>

#include "calibration/run_record.h"

namespace gvc {

struct AsFoundInputs {
    std::optional<std::int32_t> zeroAverage;       // ADC on the zero gas, as the slope used it
    std::optional<std::int32_t> referenceAverage;  // ADC on the reference gas, temperature-corrected
    std::int32_t zeroThousandths = 0;              // the zero gas's concentration
    std::int32_t referenceThousandths = 0;         // the reference gas's concentration
    double multiplierScale = 1.0;
    double rangeScale = 1.0;
    double rangeTop = 0.0;           // in the unit
    int runPgaGain = 0;              // the gain code the averages were measured at
    std::int32_t adcZero = 0;        // the ADC code of zero input
    double tolerancePercent = 10.0;  // of the reference value
};

// The concentration (in the unit) shown for an ADC code measured at
// `runPgaGain`; nothing when the scale is 0 or the result is not finite.
std::optional<double> ShownConcentration(const RunParams& params, double adc, const AsFoundInputs& in);

// The error of `shown` against `trueValue`, in % of reading (0 when the true
// value is 0) and in % of the range top (0 when the range top is 0).
ReadingError ErrorAgainst(double shown, double trueValue, double rangeTop);

// As found from `before`, as left from `readBack` (each absent when not known).
// As found is in tolerance when both readings lie within the tolerance of the
// reference value from their gas's concentration.
AsFoundAsLeft ComputeAsFoundAsLeft(const AsFoundInputs& in, const std::optional<RunParams>& before,
                                   const std::optional<RunParams>& readBack);

}  // namespace gvc
