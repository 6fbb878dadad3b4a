// The past comes in: the report log, the certificates and the archive of
// replaced certificates rebuilt as imported rows (no run data, no as found).
// Importing twice adds nothing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/calibration_store.h"

namespace gvc {

// The files of record the database is held against.
struct RecordFiles {
    std::filesystem::path reportLog;
    std::filesystem::path sensorsDir;
    std::filesystem::path archiveDir;
};
// The workstation's: REPORT.log, Датчики and Архив below the data folder.
RecordFiles WorkstationRecordFiles();

struct ImportSummary {
    bool ok = false;
    std::string message;                // Windows-1251: why nothing was imported
    int logRecords = 0;                 // records read from the log
    int certificates = 0;               // certificate files read (current and archived)
    int added = 0;                      // rows added
    std::vector<std::string> problems;  // files that do not verify (skipped), Windows-1251
};

// Adds a row for every log record and certificate not yet in the database.
// A log record and the certificate of the same sensor and time make one row.
ImportSummary ImportRecordFiles(CalibrationStore& store, const RecordFiles& files);

}  // namespace gvc
