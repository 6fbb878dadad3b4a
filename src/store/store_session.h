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
};

// Opens the database at places.database; a new one gets the files of record
// imported; waiting runs of the outbox are moved in.
StoreSession OpenWorkstationStore(const StorePlaces& places);

}  // namespace gvc
