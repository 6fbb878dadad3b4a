#include "cli/central_anchor_check.h"

#include <ostream>

#include "central/central_anchor.h"
#include "central/central_settings.h"
#include "cli/store_access.h"
#include "util/cp1251.h"

namespace gvc::cli {

bool VerifyAgainstCentralAnchor(CalibrationStore& store, CommandIo io) {
    std::string problem;
    const auto settings = LoadCentralSettings(problem);
    if (!settings) {
        if (!problem.empty())
            PrintLine(io.out, "central.ini: " + problem + "; the server's copy was not compared");
        return true;
    }
    const AnchorLocalSide local = ReadAnchorLocalSide(store);
    if (!local.ok) {
        PrintLine(io.out, local.message);
        return false;
    }
    const AnchorReport report = CheckCentralAnchor(*settings, local.stationId, local.runs, local.sent);
    if (!report.reached) {
        PrintLine(io.out,
                  "central database not reached: " + report.message + "; the server's copy was not compared");
        return true;
    }
    for (const std::string& d : report.differences)
        PrintLine(io.out, d);
    const bool ok = report.differences.empty();
    io.out << report.serverRuns << " runs of this workstation on the central server: "
           << (ok ? "the database and the server's copy agree" : "DIFFERENCES FOUND") << "\n";
    return ok;
}

}  // namespace gvc::cli
