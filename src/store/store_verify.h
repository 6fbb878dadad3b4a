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
};

// Checks the chain (every row's hash over its content and the previous row's
// hash, no row missing), that every report-log record is a row's record line
// with the same bytes, that every certificate and archived certificate has a
// row with its SHA-256, and that every row whose record was written is in the log.
StoreVerifyReport VerifyStore(CalibrationStore& store, const RecordFiles& files);

}  // namespace gvc
