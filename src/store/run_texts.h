// A stored run as the readers show it: as found, as left, the cylinder, the
// operator, and whether the sensor's write failed after its record was made.
// Texts are Windows-1251.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "calibration/run_record.h"
#include "store/cylinder.h"

namespace gvc {

// True when the run's records (report record, certificate) were written but
// its save did not complete: the sensor's write or read-back failed, or never
// ran (a later step of the save failed, the program stopped). Shown red,
// "ДАТЧИК НЕ ЗАПИСАН", wherever the history is.
bool RecordWithoutSensorWrite(const RunRecord& run);

// How the parameters the sensor held before the run were put back:
// empty when nothing was to go back; else "восстановлены", "НЕ
// ВОССТАНОВЛЕНЫ" or "неизвестно" (the program stopped during it).
std::string RestoreText(const RunRecord& run);

// "12.3 (+2.5 %)": what the sensor showed and its error in % of reading; empty when unknown.
std::string ReadingText(const std::optional<ReadingError>& reading);
// "в допуске", "вне допуска", or empty.
std::string ToleranceText(const RunRecord& run);
// "ПГС 4521, CO 50 ppm, до 01.06.2027" as the run copied it (or, for a run
// recorded before runs kept a copy, as the cylinder's entry says now); "№ N"
// when the cylinder is unknown; empty for none.
std::string CylinderText(const RunRecord& run, const std::map<std::int64_t, Cylinder>& cylinders);
std::string CylinderText(const Cylinder& cylinder);

// The columns the database adds to the CSV export after the report log's, and one run's values.
std::vector<std::string> StoreCsvHeader();
std::vector<std::string> StoreCsvColumns(const RunRecord& run,
                                         const std::map<std::int64_t, Cylinder>& cylinders);

}  // namespace gvc
