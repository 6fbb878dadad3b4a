#include "gas_chamber.h"

#include <algorithm>
#include <cmath>

namespace gvc::devsim {

GasChamber::GasChamber(double timeConstantSeconds, double noiseCounts, unsigned seed)
    : tau_(std::isfinite(timeConstantSeconds) ? std::max(0.0, timeConstantSeconds) : 0.0),
      noise_(std::isfinite(noiseCounts) ? std::max(0.0, noiseCounts) : 0.0),
      random_(seed) {}

void GasChamber::SetTarget(double fraction, double now) {
    if (!std::isfinite(fraction)) return;
    start_ = Fraction(now);
    target_ = fraction;
    changedAt_ = now;
}

double GasChamber::Fraction(double now) const {
    const double elapsed = now - changedAt_;
    if (tau_ <= 0.0 || elapsed <= 0.0) return tau_ <= 0.0 ? target_ : start_;
    return target_ + (start_ - target_) * std::exp(-elapsed / tau_);
}

std::uint16_t GasChamber::AdcCode(double now, std::uint16_t zeroCode, std::uint16_t referenceCode) {
    double code = zeroCode + Fraction(now) * (static_cast<double>(referenceCode) - zeroCode);
    if (noise_ > 0.0) code += std::normal_distribution<double>(0.0, noise_)(random_);
    code = std::clamp(std::round(code), 0.0, 65535.0);
    return static_cast<std::uint16_t>(code);
}

int GasChamber::TemperatureTenths(double now, int baseTenths) {
    // A drift of half a degree over ten minutes and a tenth of noise.
    double tenths = baseTenths + 5.0 * std::sin(now * 2.0 * 3.141592653589793 / 600.0);
    if (noise_ > 0.0) tenths += std::normal_distribution<double>(0.0, 0.5)(random_);
    return static_cast<int>(std::lround(std::clamp(tenths, -1000.0, 2000.0)));
}

}  // namespace gvc::devsim
