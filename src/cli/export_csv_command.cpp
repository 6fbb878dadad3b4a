#include <ostream>

#include "cli/central_access.h"
#include "cli/cli_command.h"
#include "cli/store_access.h"
#include "history/csv_export.h"
#include "history/report_records.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc::cli {

// The workstation database's logged runs (with --central: every workstation's
// on the laboratory's server), or the records of one or more report logs, as
// one CSV table, merged by date, time and sensor, each calibration once. Every
// log must verify before anything is printed.
int RunExportCsv(std::span<const std::string> allArgs, CommandIo io) {
    const CentralChoice choice = TakeCentralOption(allArgs);
    const std::span<const std::string> args = choice.rest;
    CsvFlavour flavour = CsvFlavour::kRfc4180;
    std::vector<std::string> logs;
    for (const std::string& arg : args) {
        if (arg == "--excel") {
            flavour = CsvFlavour::kExcel;
        } else {
            logs.push_back(arg);
        }
    }
    if (choice.central) {
        if (logs.empty()) return CsvFromCentral(flavour == CsvFlavour::kExcel, io);
        io.err << "usage: gvc-cli export-csv [--excel] --central  (no LOG with --central)\n";
        return 2;
    }
    // Without a LOG: the runs of the workstation's database, with its columns after the log's.
    if (logs.empty()) {
        if (WorkstationStoreExists()) return CsvFromStore(flavour == CsvFlavour::kExcel, io);
        io.err << "usage: gvc-cli export-csv [--excel] [LOG...]  (no LOG: the workstation's database)\n";
        return 2;
    }
    std::vector<ReportRecord> all;
    for (const std::string& log : logs) {
        const FileReadResult file_read = ReadRegularFile(PathFromUtf8(log), kMaxReportLogSize);
        const auto& bytes = file_read.bytes;
        if (!bytes) {
            if (!file_read.problem.empty()) {
                PrintLine(io.err, file_read.problem);
                return 1;
            }
            io.err << log << ": cannot read\n";
            return 1;
        }
        ReportRecords read = ReadReportRecords(*bytes);
        if (!read.ok) {
            io.err << log << ": ";
            PrintLine(io.err, read.message);
            return 1;
        }
        all.insert(all.end(), std::make_move_iterator(read.records.begin()),
                   std::make_move_iterator(read.records.end()));
    }
    MergeRecords(all);
    io.out << RecordsCsv(all, flavour);
    io.out.flush();
    return io.out ? 0 : 1;
}

}  // namespace gvc::cli
