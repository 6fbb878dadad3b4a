// The sensor step of the saving: the pages written, every written item read
// back and compared, both steps and the parameters read back kept in the run's
// record.
#pragma once

#include "calibration/run_recorder.h"
#include "sensor/sensor_access.h"

namespace gvc {

// Saving results beside those of the records: the write failed, or what was
// read back is not what was written (or could not be read).
inline constexpr int kSaveSensorWriteFailed = -1;
inline constexpr int kSaveReadBackFailed = -3;

// 0 when the sensor holds what was written. A check that did not pass shows
// its message in an error box.
int WriteAndVerify(SensorAccess& access, RunRecorder& recorder);

}  // namespace gvc
