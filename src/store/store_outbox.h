// Rows that could not be written to the database wait in the outbox folder
// beside it, one file per run, each written whole (temporary file, then
// rename), and go into the database on its next successful open.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "calibration/run_record.h"
#include "store/calibration_store.h"

namespace gvc {

// Writes the run to `dir` (created when missing). False with the reason.
bool WriteToOutbox(const std::filesystem::path& dir, const RunRecord& run, std::optional<CivilDate> endOfUse,
                   std::string& message);

struct OutboxFlush {
    int added = 0;  // runs moved into the database (or already there) and removed from the outbox
    int left = 0;   // runs still waiting
    std::vector<std::string> problems;  // Windows-1251
};

// Moves every waiting run into the store, oldest first.
OutboxFlush FlushOutbox(CalibrationStore& store, const std::filesystem::path& dir);

// The number of runs waiting.
int OutboxCount(const std::filesystem::path& dir);

}  // namespace gvc
