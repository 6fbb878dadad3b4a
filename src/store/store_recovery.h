// Runs that never ended: the program stopped (a crash, a power cut, a kill)
// between the run's first write into the sensor and its end. Each run is
// kept as "under way" before it writes; at the next start of a front end the
// runs still under way are closed as unfinished rows of the chain, with what
// the files of record show of their steps, and the operator is told which
// sensor must be calibrated again.
#pragma once

#include <string>
#include <vector>

#include "calibration/run_record.h"
#include "store/calibration_store.h"
#include "store/store_import.h"

namespace gvc {

// The run's record as the unfinished row keeps it: outcome unfinished, each
// step that had begun settled against the files (the report record found in
// the log, the certificate found with this run's time), the sensor write
// left "started" (what the sensor holds is not known).
RunRecord CloseUnfinishedRun(RunRecord run, const RecordFiles& files);

// For the operator and db verify (Windows-1251): the sensor, when it began,
// during what it stopped, what was written, and whether the sensor must be
// calibrated again.
std::string UnfinishedRunText(const RunRecord& run);

struct RecoveredRuns {
    std::vector<RunRecord> closed;      // closed now, oldest first
    std::vector<std::string> problems;  // Windows-1251
};

// Closes every run of the store still under way. Only a front end holding
// the single-instance lock may call it: no run of its own is under way then.
RecoveredRuns RecoverOpenRuns(CalibrationStore& store, const RecordFiles& files);

}  // namespace gvc
