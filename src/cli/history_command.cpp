#include <cstdio>
#include <ostream>

#include "cli/central_access.h"
#include "cli/cli_command.h"
#include "cli/store_access.h"
#include "history/report_records.h"
#include "history/sensor_history.h"
#include "records/locations.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

namespace {

std::string PercentText(double change) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f %%", change);
    return text;
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

// One sensor's calibrations from the workstation's database, or from a report
// log (the one given, or the workstation's when there is no database), or
// with --central from every workstation's runs on the laboratory's server,
// oldest first, with the change of K<i> from the previous calibration.
int RunHistory(std::span<const std::string> allArgs, CommandIo io) {
    const CentralChoice choice = TakeCentralOption(allArgs);
    const std::span<const std::string> args = choice.rest;
    if (args.empty() || args.size() > 2 || (choice.central && args.size() != 1)) {
        io.err << "usage: gvc-cli history SENSOR [LOG] | history SENSOR --central\n";
        return 2;
    }
    if (choice.central) return HistoryFromCentral(SensorNumberFromArgument(Cp1251FromUtf8(args[0])), io);
    const std::string sensor = SensorNumberFromArgument(Cp1251FromUtf8(args[0]));
    // Without a LOG the workstation's database is read when there is one.
    if (args.size() == 1 && WorkstationStoreExists()) return HistoryFromStore(sensor, io);
    const std::filesystem::path log =
        args.size() == 2 ? PathFromUtf8(args[1]) : NativePath(locations::ReportLogPath);
    const FileReadResult file_read = ReadRegularFile(log, kMaxReportLogSize);
    const auto& bytes = file_read.bytes;
    if (!bytes) {
        if (!file_read.problem.empty()) {
            PrintLine(io.err, file_read.problem);
            return 1;
        }
        io.err << Utf8FromCp1251(Cp1251PathText(log)) << ": cannot read\n";
        return 1;
    }
    const ReportRecords read = ReadReportRecords(*bytes);
    if (!read.ok) {
        PrintLine(io.err, Cp1251PathText(log) + ": " + read.message);
        return 1;
    }
    const std::vector<HistoryEntry> history = SensorHistory(read.records, sensor);
    if (history.empty()) {
        PrintLine(io.err, "no calibrations of " + sensor + " in " + Cp1251PathText(log));
        return 1;
    }
    io.out << "sensor " << Utf8FromCp1251(sensor) << ": " << history.size() << " calibrations\n";
    io.out << "date        time      no.  K<00>     K<i>      change of K<i>\n";
    for (const HistoryEntry& e : history) {
        const ReportRecord& r = e.record;
        std::string line = DotDateText(r.date) + "  " + r.time + "  " +
                           PadRight(std::to_string(r.calibration), 3) + "  " + PadRight(r.k00, 8) + "  " +
                           PadRight(r.ki, 8);
        if (e.changePercent) line += "  " + PadRight(PercentText(*e.changePercent), 9);
        if (e.fastChange) line += "  ! fast change";
        io.out << line.substr(0, line.find_last_not_of(' ') + 1) << "\n";
    }
    return 0;
}

}  // namespace gvc::cli
