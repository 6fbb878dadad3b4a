// A run's columns as the server returns them (text format) read back into a
// RunRecord: bigints, exact doubles, bytea series, timestamp(0) stamps and
// dates, UTF-8 texts converted to Windows-1251. The columns have the local
// runs table's names and order, so the row hashes as the local store hashes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "calibration/run_record.h"
#include "central/pg_connection.h"
#include "util/calendar.h"

namespace gvc {

// The run's columns, comma separated, each prefixed with `alias` ("r." or ""),
// in the order of the run's fields.
std::string CentralRunColumns(std::string_view alias);
// How many columns that is.
int CentralRunColumnCount();

// Reads the run from `row`, its columns from `firstColumn` on. False when a
// value is one no run can hold (then the row cannot be shown or checked).
bool ReadCentralRun(const PgResult& result, int row, int firstColumn, RunRecord& run,
                    std::optional<CivilDate>& endOfUse);

}  // namespace gvc
