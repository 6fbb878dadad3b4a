// A run as a row of the runs table: inserting it (chained to the last row)
// and reading rows back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/calibration_store.h"
#include "store/sqlite_db.h"

namespace gvc {

// The columns of a run, comma separated, for a select (after "id, prev_hash,
// row_hash, "): those of the current schema, or of an older `version` (a
// database opened read only is read as it is, not migrated).
const std::string& RunSelectColumns();
std::string RunSelectColumns(int version);

// The next-calibration date the run gives its sensor in the due list: a saved
// calibration's, or the run's own day when it left the sensor without a valid
// calibration; nothing when the run does not change the sensor's state.
std::optional<CivilDate> LatestNextCalibration(const RunRecord& run);

// Inserts the run in the current transaction with the columns of schema
// `version`, chained to the newest row. False with the reason.
bool InsertRunRow(SqliteDb& db, const RunRecord& run, const std::optional<CivilDate>& endOfUse, int version,
                  std::string& message);

// Reads "SELECT id, prev_hash, row_hash, <RunSelectColumns(version)> ..." rows.
// Nothing for a row whose values no run can hold, or whose values are not
// of their column's type, or whose texts do not convert back to the bytes
// the file holds: the hash covers the value as read, so a value that reads
// as another cannot be checked.
std::optional<StoredRun> ReadRunRow(const SqliteStatement& st, int version = kStoreSchemaVersion);

}  // namespace gvc
