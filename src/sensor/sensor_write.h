// Writing pages A, B and C back into the sensor. Page P is never written. Each
// step makes one exchange per item in a fixed order and stops at the first
// failed exchange with -1; a write that fails midway leaves the sensor with
// some items new and others old.
#pragma once

#include "sensor/sensor_access.h"

namespace gvc {

// The channel bytes and the two resource levels (from OldParams): 3 exchanges,
// or 8 when the ADC range set the channel flag.
int WritePageA(SensorAccess& access);
// 12 exchanges; sets RangeTopRaw.
int WritePageB(SensorAccess& access);
// 26 exchanges from NewParams and the identity; sets TempLines.
int WritePageC(SensorAccess& access);
// The serial word from SensorIdentity.
int WriteSerialWord(SensorAccess& access);
// Pages A, B and C, reporting page names and bar steps (20, 40, 40).
int WriteAllPages(SensorAccess& access);

}  // namespace gvc
