// The report records whose sensor does not hold the calibration they claim:
// the record was written, then the save did not complete (the sensor's write
// or read-back failed, or never ran).
// The log page shows them red.
#pragma once

#include <string>
#include <vector>

#include "store/calibration_store.h"

namespace gvc {

// The report record lines of such runs, oldest first.
StoreRead<std::vector<std::string>> RecordLinesWithoutSensorWrite(CalibrationStore& store);

}  // namespace gvc
