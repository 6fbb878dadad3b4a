// Reading the sensor's identity and its flash pages into OldParams. Every step
// makes one exchange per item in a fixed order and stops at the first failed
// exchange with -1 (the exchange has shown its message); items read before the
// failure keep their new values.
#pragma once

#include "sensor/sensor_access.h"

namespace gvc {

// Page P and the serial word: SensorIdentity, the versions, TempScale, TempOffset.
int ReadIdentity(SensorAccess& access);
int ReadPageA(SensorAccess& access);
int ReadPageB(SensorAccess& access);
// Fails also when a resource range bound is below the one before it (message shown).
int ReadPageC(SensorAccess& access);
// Scales the raw items and fills the table-sourced fields of OldParams.
void DeriveParams(SensorAccess& access);
// All of the above, reporting page names and bar steps (10, 20, 30, 40).
int ReadAllPages(SensorAccess& access);

}  // namespace gvc
