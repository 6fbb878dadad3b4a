#include <ostream>

#include "central/central_verify.h"
#include "cli/central_access.h"
#include "cli/store_access.h"
#include "store/store_session.h"
#include "store/store_verify.h"

namespace gvc::cli {

// The workstation's database held against its chain and its files (as
// `db verify` holds it), then against the server's copy of this
// workstation's runs; every difference named, exit 1 when there is one.
int RunCentralVerify(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli central verify\n";
        return 2;
    }
    const auto store = OpenStoreForReading(io);
    if (!store) return 1;
    const StoreVerifyReport local = VerifyStore(*store, WorkstationRecordFiles());
    for (const std::string& d : local.differences)
        PrintLine(io.out, d);
    const auto reader = OpenCentralOrSay(io);
    if (!reader) return 1;
    const CentralVerifyReport central = VerifyWithCentral(*store, *reader);
    for (const std::string& d : central.differences)
        PrintLine(io.out, d);
    const bool ok = local.ok && central.ok;
    io.out << local.rows << " rows, " << local.logRecords << " log records, " << local.certificates
           << " certificates, " << central.serverRuns << " runs on the central server";
    if (central.notSent > 0) io.out << ", " << central.notSent << " not sent yet";
    io.out << ": " << (ok ? "the workstation and the central server agree" : "DIFFERENCES FOUND") << "\n";
    return ok ? 0 : 1;
}

}  // namespace gvc::cli
