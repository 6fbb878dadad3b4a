// `db verify` against the laboratory's server: where central.ini names one,
// the workstation's chain is held against the server's copy of this
// workstation's runs (see central/central_anchor.h). Without central.ini
// nothing is said; a server out of reach is said in one line and is no
// difference; the differences found are printed and make the check fail.
#pragma once

#include "cli/cli_command.h"
#include "store/calibration_store.h"

namespace gvc::cli {

#ifdef GVC_WITH_CENTRAL
// False when the server's copy and the database differ (or the database's
// side could not be read).
bool VerifyAgainstCentralAnchor(CalibrationStore& store, CommandIo io);
#else
inline bool VerifyAgainstCentralAnchor(CalibrationStore&, CommandIo) {
    return true;
}
#endif

}  // namespace gvc::cli
