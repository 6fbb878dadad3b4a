// One run as the call of gvc.submit_run: the statement (built once from the
// run's field list, each value cast to its server type) and its parameters.
#pragma once

#include <string>

#include "central/pg_connection.h"
#include "store/calibration_store.h"

namespace gvc {

// "SELECT outcome_text, seq FROM gvc.submit_run($1::uuid, ..., ROW(...)::gvc.run_values)".
const std::string& SubmitRunSql();
// The same with only the fields a workstation's schema `fieldsVersion` had
// (for a server whose row type has only those).
std::string SubmitRunSql(int fieldsVersion);

// The parameters: the workstation's UUID and computer name (Windows-1251),
// the row's local number and hashes, then every field of the run (up to
// schema `fieldsVersion`).
PgParams SubmitRunParams(const std::string& stationId, const std::string& stationName, const StoredRun& row,
                         int fieldsVersion = kStoreSchemaVersion);

}  // namespace gvc
