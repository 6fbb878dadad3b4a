// The sensor's identity, stored parameters and sensor-wide values as
// `Name=value` lines in decimal, for the command-line front end and for
// comparing whole reads in tests.
#pragma once

#include <string>
#include <vector>

#include "sensor/sensor_params.h"

namespace gvc {

// One line per value: "SensorIdentity.GasCode=2", "OldParams.EndOfUseDate=31.12.2013",
// "OldParams.TempCoefs[0].start=100", ..., "TempScale=2000". Doubles are
// written with the fewest digits that read back to the same value.
std::vector<std::string> SensorValueLines(const SensorIdentity& identity, const SensorParams& params,
                                          const std::string& paramsName, const SensorWideValues& wide);

}  // namespace gvc
