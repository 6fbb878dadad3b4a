// The gas chamber around the sensor: the share of reference gas follows its
// target with first-order settling; ADC code and temperature carry noise.
#pragma once

#include <cstdint>
#include <random>

namespace gvc::devsim {

class GasChamber {
public:
    GasChamber(double timeConstantSeconds, double noiseCounts, unsigned seed);

    // From `now` on the chamber fills towards `fraction` of the reference gas
    // (0 zero gas, 1 reference gas).
    void SetTarget(double fraction, double now);
    double Target() const { return target_; }
    // The share of reference gas in the chamber at `now`.
    double Fraction(double now) const;
    // The sensor's ADC code at `now` between its zero and reference codes, with noise.
    std::uint16_t AdcCode(double now, std::uint16_t zeroCode, std::uint16_t referenceCode);
    // Chamber temperature around `baseTenths`, a slow drift plus noise.
    int TemperatureTenths(double now, int baseTenths);

private:
    double tau_;
    double noise_;
    double start_ = 0.0;  // share at the last change of target
    double target_ = 0.0;
    double changedAt_ = 0.0;  // time of that change
    std::mt19937 random_;
};

}  // namespace gvc::devsim
