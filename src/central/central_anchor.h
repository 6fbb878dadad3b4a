// The central server as the anchor of a workstation's own chain. Anyone who
// can write the workstation's database file can delete its newest rows, or
// rebuild its whole chain with hashes that agree; the server's copy of the
// workstation's runs (its own sequence per workstation and its own clock in
// received_at) is outside the workstation's reach. `db verify` holds the
// local chain against it: a run the server holds for this workstation that
// the database lacks or holds with another row hash, and a run marked sent
// here that the server does not hold, are named.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "store/calibration_store.h"

namespace gvc {

// A local run as the anchor compares it (Windows-1251 identifier, the local
// chain's lower-case hex hash).
struct AnchorRun {
    std::string runId;
    std::string rowHash;
};

// The workstation's side, read in one snapshot of its database.
struct AnchorLocalSide {
    bool ok = false;
    std::string message;  // Windows-1251: why it could not be read
    std::string stationId;
    std::vector<AnchorRun> runs;  // in the order of the rows
    std::set<std::string> sent;   // the runs marked sent (central_sent)
};
AnchorLocalSide ReadAnchorLocalSide(CalibrationStore& store);

struct AnchorReport {
    bool reached = false;                  // the server answered
    std::string message;                   // Windows-1251: why it did not
    std::int64_t serverRuns = 0;           // the server's runs of this workstation
    std::vector<std::string> differences;  // Windows-1251, one per difference
};

// The comparison over a connection (any login that may read gvc.runs).
AnchorReport CompareWithAnchor(PgConnection& server, const std::string& stationId,
                               const std::vector<AnchorRun>& local, const std::set<std::string>& sent);
// Connects with `settings` first; reached is false (with the reason) when
// the server cannot be reached or read.
AnchorReport CheckCentralAnchor(const CentralSettings& settings, const std::string& stationId,
                                const std::vector<AnchorRun>& local, const std::set<std::string>& sent);

}  // namespace gvc
