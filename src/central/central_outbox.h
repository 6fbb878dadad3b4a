// The local side of sending, in the workstation's SQLite database: its
// identity, the runs the server has not confirmed yet, and marking runs sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/calibration_store.h"

namespace gvc {

// The workstation's UUID (made once when the database was created or
// migrated); nothing with the reason.
std::optional<std::string> StationId(CalibrationStore& store, std::string& message);

// Up to `limit` unsent runs with a row number above `afterId`, oldest first.
StoreRead<std::vector<StoredRun>> UnsentRuns(CalibrationStore& store, std::int64_t afterId, int limit);

struct SentMark {
    std::string runId;
    std::int64_t serverSeq = 0;
};
// Marks the runs confirmed, in one transaction. False with the reason (the
// runs then stay unsent here and are found on the server next time).
bool MarkSent(CalibrationStore& store, const std::vector<SentMark>& marks, std::int64_t sentUtc,
              std::string& message);

}  // namespace gvc
