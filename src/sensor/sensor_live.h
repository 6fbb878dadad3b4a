// The live values sampled during a calibration run, and the ADC window chosen
// for the connected sensor.
#pragma once

#include <cstdint>

#include "sensor/sensor_access.h"

namespace gvc {

struct LiveValues {
    std::uint8_t status = 0;
    std::int32_t temperature = 0;  // tenths of a degree Celsius
    std::uint16_t adc = 0;
};

// Three read exchanges: status word, temperature code, ADC code. 0, or -1 when
// an exchange failed (shown by the exchange) or the sensor's temperature scale
// is 0 (shown here, no exchange made).
int ReadLiveValues(SensorAccess& access, LiveValues& values);

// Chooses the ADC window by NewParams' electrode code, gas name and sensor kind.
AdcRange SelectAdcRange(const SensorParams& newParams, const SensorTypeTable& table);
// The same, stored in the sensor-wide values.
void SelectAdcRange(SensorAccess& access);

}  // namespace gvc
