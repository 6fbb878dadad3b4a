// Holds the database, its hash chain and the files of record against each
// other, and names every difference.
#pragma once

#include <string>
#include <vector>

#include "store/calibration_store.h"
#include "store/store_import.h"

namespace gvc {

struct StoreVerifyReport {
    bool ok = false;  // no difference and everything could be read
    std::int64_t rows = 0;
    int logRecords = 0;
    int certificates = 0;
    std::vector<std::string> differences;  // Windows-1251, one per difference
    // Facts an auditor must see that are no difference between the records:
    // runs that never ended (and their sensors to calibrate again), a
    // database made anew from the files. Windows-1251.
    std::vector<std::string> notices;
};

// Checks the chain (every row's hash over its content and the previous row's
// hash, no row missing, every value of its column's type), that every
// report-log record is a row's record line with the same bytes, that every
// certificate and archived certificate has a row with its SHA-256, that every
// row whose record was written is in the log, that the due list's newest
// calibration of every sensor is the one the chain gives, that no run waits
// in the outbox `outboxDir`, and that no imported row is dated after the
// workstation's first own run. Reads only: opens nothing for writing.
StoreVerifyReport VerifyStore(CalibrationStore& store, const RecordFiles& files,
                              const std::filesystem::path& outboxDir = {});

}  // namespace gvc
