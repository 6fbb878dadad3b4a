// The sensor number "GG-TT.NN.NNN.NNN" of the report log, the certificate and
// the main window, and the certificate's file name made from it.
#pragma once

#include <string>

#include "sensor/sensor_params.h"

namespace gvc {

// Gas number (2 digits), "-", type number (2), ".", the serial number as
// NN.NNN.NNN: 16 characters for every 24-bit serial.
std::string SensorNumberText(const SensorIdentity& identity);

// The sensor number with every "." replaced by "_".
std::string SensorFileNumber(const SensorIdentity& identity);

}  // namespace gvc
