// Admitting a connected sensor: connect to the calibration device, read and
// check the sensor's identity against the gas catalogue, read its pages; and
// the two operations on a sensor's digital front end.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sensor/sensor_access.h"

namespace gvc {

// What admission needs of the start-up gas catalogue: the number of gases and,
// per gas code, its name and number of defined sensor types. Gas code 0 (the
// simulator) and codes at or beyond `count` have no types.
struct AdmissionCatalogue {
    std::uint8_t count = 0;
    std::array<std::string, 16> names{};
    std::array<std::uint8_t, 16> typeCounts{};
};

// Built as the gas catalogue is at start-up: names and type counts of gas codes
// 1 .. count - 1 copied from the table, every other entry without types.
AdmissionCatalogue AdmissionCatalogueFromTable(const SensorTypeTable& table);

// The connect step of the device link: find, open and probe the device; and
// close its port.
class CalibrationDeviceLink {
public:
    virtual ~CalibrationDeviceLink() = default;
    // 0 when the device was found, opened and answered; -1 after showing why not.
    virtual int ConnectCalibrationDevice() = 0;
    virtual void ClosePort() = 0;
};

// 0 admitted; -1 the identity read failed; 1 refused (one error box shown,
// port closed).
int CheckSensorIdentity(SensorAccess& access, const AdmissionCatalogue& catalogue,
                        CalibrationDeviceLink& link);

// 0 connected and admitted (pages read when the sensor has a serial number);
// -1 device not found or an exchange failed; 1 refused.
int ConnectSensor(SensorAccess& access, const AdmissionCatalogue& catalogue, CalibrationDeviceLink& link);

// 1 when the digital front end reads back 0 at its command byte; 0 otherwise,
// after showing why.
int CheckDigitalFrontEnd(SensorAccess& access);

// Writes a command byte (mode flag set) or a 16-bit value (clear) to the front
// end. 1 written; 0 failed, after showing why.
int WriteDigitalFrontEnd(SensorAccess& access, bool modeFlag, std::uint32_t value);

}  // namespace gvc
