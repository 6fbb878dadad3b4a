// Rows that could not be written to the database wait in the outbox folder
// beside it, one file per run, each written whole (temporary file, then
// rename), and go into the database on its next successful open. A file
// carries the SHA-256 of its run's bytes, checked when it is moved in (a file
// damaged or edited by hand without it stays and is named); the row says it
// came from the outbox and when. A run under way whose database could not be
// written keeps its progress here under the same name until it ends.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "calibration/run_record.h"
#include "store/calibration_store.h"
#include "store/store_import.h"

namespace gvc {

// Writes the run to `dir` (created when missing). False with the reason.
bool WriteToOutbox(const std::filesystem::path& dir, const RunRecord& run, std::optional<CivilDate> endOfUse,
                   std::string& message);

// Removes the run's file (its progress, once the run is in the database).
void RemoveFromOutbox(const std::filesystem::path& dir, const RunRecord& run);

struct OutboxFlush {
    int added = 0;  // runs moved into the database (or already there) and removed from the outbox
    int left = 0;   // runs still waiting
    std::vector<std::string> problems;  // Windows-1251
    std::vector<RunRecord> unfinished;  // runs under way left there by a stop, closed as unfinished
};

// Moves every waiting run into the store, oldest first. The progress of a
// run that never ended is closed as unfinished (against `files`) only when
// `closeUnfinished` (the caller holds the single-instance lock, so no run of
// this workstation is under way); otherwise it stays.
OutboxFlush FlushOutbox(CalibrationStore& store, const std::filesystem::path& dir, const RecordFiles& files,
                        bool closeUnfinished);

// The runs waiting in the outbox, read without moving them (for verifiers).
struct OutboxFile {
    std::filesystem::path file;
    std::optional<RunRecord> run;  // none when it does not read or its digest does not match
    std::string problem;           // Windows-1251: why not
};
std::vector<OutboxFile> ReadOutbox(const std::filesystem::path& dir);

// The number of runs waiting.
int OutboxCount(const std::filesystem::path& dir);

}  // namespace gvc
