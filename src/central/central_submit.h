// One run as the call of gvc.submit_run: the statement (built once from the
// run's field list, each value cast to its server type) and its parameters.
#pragma once

#include <string>

#include "central/pg_connection.h"
#include "store/calibration_store.h"

namespace gvc {

// "SELECT outcome_text, seq FROM gvc.submit_run($1::uuid, ..., ROW(...)::gvc.run_values)".
const std::string& SubmitRunSql();

// The parameters: the workstation's UUID and computer name (Windows-1251),
// the row's local number and hashes, then every field of the run.
PgParams SubmitRunParams(const std::string& stationId, const std::string& stationName, const StoredRun& row);

}  // namespace gvc
