// The laboratory's report records, each once, with the run that tells it.
// The server may hold one record in several runs: a workstation's database
// rebuilt from its files sends the records again as imported rows, and one
// log imported on two computers arrives twice. The run's own row (with its
// as found, operator, series and failure flags) tells the record; an imported
// copy only when there is no own row.
#pragma once

#include <vector>

#include "history/report_records.h"
#include "store/calibration_store.h"

namespace gvc {

struct RecordRun {
    ReportRecord record;
    StoredRun run;
};

// One entry per record (records equal in every column are one), in the order
// of the runs given, each with its own row before an imported one and of two
// rows of a kind the first; runs without a readable record line left out.
std::vector<RecordRun> OneRunPerRecord(std::vector<StoredRun> runs);

}  // namespace gvc
