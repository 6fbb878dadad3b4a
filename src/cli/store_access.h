// How the record readers of gvc-cli reach the workstation's database: it is
// read when it exists; a command never creates one just to read it.
#pragma once

#include <map>
#include <memory>

#include "cli/cli_command.h"
#include "store/calibration_store.h"
#include "util/operator.h"

namespace gvc::cli {

// True when D:\ВЕЛМОР_Датчики\calibrations.sqlite exists.
bool WorkstationStoreExists();

// Opens it for writing (creating it when `create`, with the first import;
// waiting runs of the outbox moved in); prints why not.
std::unique_ptr<CalibrationStore> OpenStoreOrSay(CommandIo io, bool create);

// Opens it for reading only (readers and verifiers): nothing is created,
// migrated, imported or moved in, and no write lock is taken; prints why not.
std::unique_ptr<CalibrationStore> OpenStoreForReading(CommandIo io);

// The cylinders by id, for the texts of the runs that used them.
std::map<std::int64_t, Cylinder> CylinderMap(CalibrationStore& store);

}  // namespace gvc::cli

namespace gvc::cli {

// The readers' output from the database (the same columns as from the files,
// and the database's own after them).
int HistoryFromStore(const std::string& sensor, CommandIo io);
int DueFromStore(const CivilDate& today, std::int64_t within, bool tsv, CommandIo io);
int CsvFromStore(bool excel, CommandIo io);

// The same output from runs read from any database (the workstation's or the
// laboratory's server). `source` names it in "no calibrations of S in ...";
// `workstation` adds each run's workstation after its operator.
struct HistoryShape {
    std::string source;
    bool workstation = false;
};
int PrintHistory(const std::string& sensor, StoreRead<std::vector<StoredRun>> read,
                 const std::map<std::int64_t, Cylinder>& cylinders, const HistoryShape& shape, CommandIo io);
int PrintDue(const StoreRead<std::vector<StoreDueSensor>>& read, bool tsv, CommandIo io);
int PrintCsv(StoreRead<std::vector<StoredRun>> read, const std::map<std::int64_t, Cylinder>& cylinders,
             bool excel, CommandIo io);

}  // namespace gvc::cli
