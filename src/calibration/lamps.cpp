#include "calibration/lamps.h"

namespace gvc {

namespace {
constexpr RgbColour kRed{255, 0, 0};
constexpr RgbColour kGreen{0, 128, 0};
constexpr RgbColour kGrey{128, 128, 128};
}  // namespace

LampStates LampsFromStatus(std::uint8_t status) {
    auto bit = [status](int n) { return ((status >> n) & 1) != 0; };
    LampStates lamps{};
    lamps[kLampDevice] = bit(0) ? kLampNormal : kLampAlarm;
    lamps[kLampSensor] = bit(1) ? kLampNormal : kLampAlarm;
    lamps[kLampLimA] = bit(2) ? kLampAlarm : kLampNormal;
    lamps[kLampResA] = bit(3) ? kLampAlarm : kLampNormal;
    lamps[kLampLimG] = bit(4) ? kLampAlarm : kLampNormal;
    lamps[kLampResG] = bit(5) ? kLampAlarm : kLampNormal;
    lamps[kLampA1] = bit(6) ? kLampAlarm : kLampNormal;
    lamps[kLampA2] = bit(7) ? kLampAlarm : kLampNormal;
    return lamps;
}

bool LampColour(Lamp lamp, int state, RgbColour& colour) {
    switch (state) {
        case kLampAlarm:
            colour = kRed;
            return true;
        case kLampInactive:
            colour = kGrey;
            return true;
        case kLampNormal:
            if (lamp == kLampDevice || lamp == kLampSensor) {
                colour = kGreen;
            } else if (lamp == kLampA1 || lamp == kLampA2) {
                colour = kColourYellow;
            } else {
                colour = kColourSilver;
            }
            return true;
        default:
            return false;
    }
}

}  // namespace gvc
