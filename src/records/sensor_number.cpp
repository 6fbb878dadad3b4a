#include "records/sensor_number.h"

#include <algorithm>

#include "util/text_format.h"

namespace gvc {

std::string SensorNumberText(const SensorIdentity& identity) {
    return FormatIntZero(identity.GasNumber, 2) + "-" + FormatIntZero(identity.TypeNumber, 2) + "." +
           FormatSerial(identity.SerialNumber & 0xFFFFFFu);
}

std::string SensorFileNumber(const SensorIdentity& identity) {
    std::string number = SensorNumberText(identity);
    std::replace(number.begin(), number.end(), '.', '_');
    return number;
}

}  // namespace gvc
