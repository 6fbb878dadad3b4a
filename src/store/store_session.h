// Opening the workstation's database as the program and gvc-cli do: create or
// migrate it, import the files of record into a new one, and move the
// outbox's waiting runs into it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "store/calibration_store.h"
#include "store/store_import.h"
#include "store/store_outbox.h"

namespace gvc {

struct StorePlaces {
    std::filesystem::path database;
    std::filesystem::path outbox;
    RecordFiles files;
};
// D:\ВЕЛМОР_Датчики\calibrations.sqlite, its outbox and the files of record.
StorePlaces WorkstationStorePlaces();

struct StoreSession {
    std::unique_ptr<CalibrationStore> store;  // none when it could not be opened
    std::string message;                      // Windows-1251: why not, for the operator
    bool imported = false;                    // the database was new and the files came in
    ImportSummary import;
    OutboxFlush outbox;
    // Runs that never ended, closed now as unfinished (from the database's
    // runs under way and the outbox), oldest first.
    std::vector<RunRecord> unfinished;
    std::vector<std::string> problems;  // Windows-1251: what could not be closed
};

// Opens the database at places.database; a new one gets the files of record
// imported (and remembers that it was made anew); waiting runs of the outbox
// are moved in. With `closeUnfinished` (only a front end holding the
// single-instance lock) the runs that a stop left under way are closed.
StoreSession OpenWorkstationStore(const StorePlaces& places, bool closeUnfinished = false);

// For the operator (Windows-1251), once, when a new database took in records
// of the files that existed before it: what a rebuilt database lacks.
std::string RebuiltStoreText(const std::filesystem::path& database, std::int64_t importedRecords);

}  // namespace gvc
