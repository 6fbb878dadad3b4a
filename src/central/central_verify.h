// Holds the workstation's database against the server's copy of this
// workstation's runs, and names every difference: a run missing on either
// side, a row whose copy differs, a server row whose content no longer gives
// its hash, and a break in the server's own chain over the workstation's rows.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "central/central_reader.h"
#include "store/calibration_store.h"

namespace gvc {

struct CentralVerifyReport {
    bool ok = false;  // no difference and both sides could be read
    std::int64_t localRuns = 0;
    std::int64_t serverRuns = 0;
    std::int64_t notSent = 0;              // local runs not yet sent (each also a difference)
    std::vector<std::string> differences;  // Windows-1251, one per difference
};

// The comparison itself. `local`: the workstation's runs in the order of its
// rows; `confirmed`: the run ids the server confirmed to this workstation;
// `server`: the server's rows of this workstation in their sequence.
CentralVerifyReport CompareWithCentral(const std::vector<StoredRun>& local,
                                       const std::set<std::string>& confirmed,
                                       const std::vector<CentralRun>& server,
                                       const std::optional<CentralStationHead>& head);

// Reads both sides (the workstation's identity from its database) and compares them.
CentralVerifyReport VerifyWithCentral(CalibrationStore& store, CentralReader& reader);

}  // namespace gvc
