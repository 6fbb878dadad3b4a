// The eight status lamps of the calibration page and their colours.
#pragma once

#include <array>
#include <cstdint>

#include "ui/rgb_colour.h"

namespace gvc {

// Lamp order: device, sensor, threshold A1, threshold A2, general resource
// limit, calibration resource limit, general resource expiry, calibration
// resource expiry.
enum Lamp {
    kLampDevice,
    kLampSensor,
    kLampA1,
    kLampA2,
    kLampLimA,
    kLampLimG,
    kLampResA,
    kLampResG,
    kLampCount
};

inline constexpr int kLampAlarm = -1;
inline constexpr int kLampNormal = 0;
inline constexpr int kLampInactive = 1;

using LampStates = std::array<int, kLampCount>;

inline void SetAllLamps(LampStates& lamps, int value) {
    lamps.fill(value);
}

// The eight states from the sensor's status byte.
LampStates LampsFromStatus(std::uint8_t status);

// The brush of a lamp in a state; false for a state outside -1, 0, 1 (the
// lamp keeps its colour).
bool LampColour(Lamp lamp, int state, RgbColour& colour);

}  // namespace gvc
