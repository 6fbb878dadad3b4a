#include <ostream>

#include "cli/central_anchor_check.h"
#include "cli/cli_command.h"
#include "cli/store_access.h"
#include "store/store_import.h"
#include "store/store_session.h"
#include "store/store_verify.h"
#include "util/cp1251.h"

namespace gvc::cli {

namespace {

int Usage(CommandIo io) {
    io.err << "usage: gvc-cli db verify|import\n";
    return 2;
}

int Verify(CommandIo io) {
    // Read only: the verifier never changes what it checks.
    const auto store = OpenStoreForReading(io);
    if (!store) return 1;
    const StoreVerifyReport report = VerifyStore(*store, WorkstationRecordFiles(), DefaultOutboxDir());
    for (const std::string& d : report.differences)
        PrintLine(io.out, d);
    for (const std::string& n : report.notices)
        PrintLine(io.out, "! " + n);
    io.out << report.rows << " rows, " << report.logRecords << " log records, " << report.certificates
           << " certificates: " << (report.ok ? "the database and the files agree" : "DIFFERENCES FOUND")
           << "\n";
    const bool anchored = VerifyAgainstCentralAnchor(*store, io);
    return report.ok && anchored ? 0 : 1;
}

int Import(CommandIo io) {
    const auto store = OpenStoreOrSay(io, true);
    if (!store) return 1;
    const ImportSummary summary = ImportRecordFiles(*store, WorkstationRecordFiles());
    for (const std::string& p : summary.problems)
        PrintLine(io.err, p);
    if (!summary.ok) {
        PrintLine(io.err, summary.message);
        return 1;
    }
    io.out << summary.logRecords << " log records, " << summary.certificates << " certificates read; "
           << summary.added << " rows added\n";
    return summary.problems.empty() ? 0 : 1;
}

}  // namespace

// The database held against its chain and the files of record; the files imported.
int RunDb(std::span<const std::string> args, CommandIo io) {
    if (args.size() != 1) return Usage(io);
    if (args[0] == "verify") return Verify(io);
    if (args[0] == "import") return Import(io);
    return Usage(io);
}

}  // namespace gvc::cli
