// A run as a row of the runs table: inserting it (chained to the last row)
// and reading rows back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/calibration_store.h"
#include "store/sqlite_db.h"

namespace gvc {

// The columns of a run, comma separated, for a select (after "id, prev_hash, row_hash, ").
const std::string& RunSelectColumns();

// Inserts the run in the current transaction with the columns of schema
// `version`, chained to the newest row. False with the reason.
bool InsertRunRow(SqliteDb& db, const RunRecord& run, const std::optional<CivilDate>& endOfUse, int version,
                  std::string& message);

// Reads "SELECT id, prev_hash, row_hash, <RunSelectColumns()> ..." rows.
// Nothing for a row whose values no run can hold (then the run cannot be checked).
std::optional<StoredRun> ReadRunRow(const SqliteStatement& st);

}  // namespace gvc
