#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>

#include "cli/store_access.h"
#include "history/csv_export.h"
#include "history/report_records.h"
#include "history/sensor_history.h"
#include "store/field_values.h"
#include "store/run_texts.h"
#include "util/cp1251.h"
#include "util/stable_sort.h"
#include "util/text_format.h"

namespace gvc::cli {

using namespace gvc::literals;

namespace {

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// The logged runs with their records taken apart, by date, time and sensor.
struct LoggedRun {
    ReportRecord record;
    RunRecord run;
};

// One run per record, in the order given: the same record held by several
// runs (a database rebuilt from the files and sent again, one log imported
// on two computers) is named once, with the run's own row before a row
// imported from the files, and of two own rows the first.
std::vector<LoggedRun> OnePerRecord(std::vector<LoggedRun> runs) {
    std::vector<LoggedRun> kept;
    kept.reserve(runs.size());
    std::map<std::string, std::size_t> at;
    for (LoggedRun& r : runs) {
        const auto [it, added] = at.emplace(ReportRecordKey(r.record), kept.size());
        if (added) {
            kept.push_back(std::move(r));
        } else if (kept[it->second].run.imported && !r.run.imported) {
            kept[it->second] = std::move(r);
        }
    }
    return kept;
}

std::optional<std::vector<LoggedRun>> Logged(StoreRead<std::vector<StoredRun>> read, std::string_view sensor,
                                             CommandIo io) {
    if (!read.ok) {
        PrintLine(io.err, read.message);
        return std::nullopt;
    }
    std::vector<LoggedRun> out;
    for (StoredRun& s : read.value) {
        if (s.record.saving.reportLog != StepOutcome::kOk) continue;
        auto record = ParseReportRecord(s.record.reportRecordLine);
        if (record && (sensor.empty() || record->sensorNew == sensor))
            out.push_back({std::move(*record), std::move(s.record)});
    }
    StableSort(out, [](const LoggedRun& a, const LoggedRun& b) {
        return std::tie(a.record.date, a.record.time, a.record.sensorNew) <
               std::tie(b.record.date, b.record.time, b.record.sensorNew);
    });
    return OnePerRecord(std::move(out));
}

// The runs of one sensor that left it without a valid calibration (a restore
// that failed, a run the program never ended): the log holds no record of
// most of them, and each must be seen beside the calibrations.
std::vector<std::string> RunsLeavingNoCalibration(const std::vector<StoredRun>& runs,
                                                  const std::string& sensor) {
    std::vector<std::string> lines;
    if (sensor.empty()) return lines;
    for (const StoredRun& s : runs) {
        const RunRecord& run = s.record;
        if (run.sensorNumber != sensor || !LeftSensorInvalid(run)) continue;
        std::string line = DotDateText(CivilDate{run.endLocal.year, run.endLocal.month, run.endLocal.day}) +
                           "  " + StampText(run.endLocal).substr(11) + "  " + run.resultText;
        if (!RestoreText(run).empty())
            line += std::string("; параметры до градуировки: "_cp) + RestoreText(run);
        if (run.outcome == RunOutcome::kUnfinished) line += "; " + run.saving.message;
        line += "; " + run.operatorName + "  ! " + std::string("ДАТЧИК БЕЗ ДЕЙСТВУЮЩЕЙ ГРАДУИРОВКИ"_cp);
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

int PrintHistory(const std::string& sensor, StoreRead<std::vector<StoredRun>> read,
                 const std::map<std::int64_t, Cylinder>& cylinders, const HistoryShape& shape, CommandIo io) {
    const std::vector<std::string> invalid =
        read.ok ? RunsLeavingNoCalibration(read.value, sensor) : std::vector<std::string>{};
    const auto runs = Logged(std::move(read), sensor, io);
    if (!runs) return 1;
    if (runs->empty() && invalid.empty()) {
        PrintLine(io.err, "no calibrations of " + sensor + " in " + shape.source);
        return 1;
    }
    std::vector<ReportRecord> records;
    std::map<std::string, const RunRecord*> runOf;
    for (const LoggedRun& r : *runs) {
        records.push_back(r.record);
        runOf.emplace(ReportRecordKey(r.record), &r.run);
    }
    const std::vector<HistoryEntry> history = SensorHistory(records, sensor);
    io.out << "sensor " << Utf8FromCp1251(sensor) << ": " << history.size() << " calibrations\n";
    io.out << "date        time      no.  K<00>     K<i>      change of K<i>  as found; as left (computed); "
              "cylinder; "
              "operator"
           << (shape.workstation ? "; workstation" : "") << "\n";
    for (const HistoryEntry& e : history) {
        const ReportRecord& r = e.record;
        // Each entry with the run of its own record (every entry has one: the
        // records came from the runs).
        const auto found = runOf.find(ReportRecordKey(r));
        if (found == runOf.end()) continue;
        const RunRecord& run = *found->second;
        std::string line = DotDateText(r.date) + "  " + r.time + "  " +
                           PadRight(std::to_string(r.calibration), 3) + "  " + PadRight(r.k00, 8) + "  " +
                           PadRight(r.ki, 8);
        char change[32] = "";
        if (e.changePercent) std::snprintf(change, sizeof change, "%+.1f %%", *e.changePercent);
        line += "  " + PadRight(change, 14);
        std::string extra = run.imported
                                ? std::string("импорт"_cp)
                                : ReadingText(run.asFound.foundReference) + " " + ToleranceText(run) + "; " +
                                      ReadingText(run.asFound.leftReference);
        extra += "; " + CylinderText(run, cylinders) + "; " + run.operatorName;
        if (shape.workstation) extra += "; " + run.workstation;
        line += "  " + extra;
        if (e.fastChange) line += "  ! fast change";
        if (RecordWithoutSensorWrite(run)) line += "  ! " + std::string("ДАТЧИК НЕ ЗАПИСАН"_cp);
        PrintLine(io.out, line.substr(0, line.find_last_not_of(' ') + 1));
    }
    if (!invalid.empty()) io.out << "runs that left the sensor without a valid calibration:\n";
    for (const std::string& line : invalid)
        PrintLine(io.out, line);
    return 0;
}

int HistoryFromStore(const std::string& sensor, CommandIo io) {
    const auto store = OpenStoreForReading(io);
    if (!store) return 1;
    return PrintHistory(sensor, sensor.empty() ? store->LoggedRuns() : store->SensorRuns(sensor),
                        CylinderMap(*store), HistoryShape{"the database", false}, io);
}

int DueFromStore(const CivilDate& today, std::int64_t within, bool tsv, CommandIo io) {
    const auto store = OpenStoreForReading(io);
    if (!store) return 1;
    return PrintDue(store->DueList(today, within), tsv, io);
}

int PrintDue(const StoreRead<std::vector<StoreDueSensor>>& read, bool tsv, CommandIo io) {
    if (!read.ok) {
        PrintLine(io.err, read.message);
        return 1;
    }
    if (tsv) {
        io.out << "sensor\tgas\tcalibrated\tnext\tdays\n";
    } else {
        io.out << "sensor            gas         calibrated  next         days  end of use passed\n";
    }
    for (const StoreDueSensor& d : read.value) {
        if (tsv) {
            io.out << Utf8FromCp1251(d.sensorNumber) << "\t" << Utf8FromCp1251(d.gasText) << "\t"
                   << IsoDateText(d.calibrated) << "\t" << IsoDateText(d.nextCalibration) << "\t"
                   << d.daysLeft << "\n";
            continue;
        }
        std::string days = std::to_string(d.daysLeft);
        days.insert(0, days.size() < 5 ? 5 - days.size() : 0, ' ');
        io.out << Utf8FromCp1251(PadRightSpaces(d.sensorNumber, 16)) << "  "
               << Utf8FromCp1251(PadRightSpaces(d.gasText, 10)) << "  " << DotDateText(d.calibrated) << "  "
               << DotDateText(d.nextCalibration) << "  " << days;
        if (d.endOfUsePassed) io.out << "  " << DotDateText(*d.endOfUse);
        io.out << "\n";
    }
    return 0;
}

int CsvFromStore(bool excel, CommandIo io) {
    const auto store = OpenStoreForReading(io);
    if (!store) return 1;
    return PrintCsv(store->LoggedRuns(), CylinderMap(*store), excel, io);
}

int PrintCsv(StoreRead<std::vector<StoredRun>> read, const std::map<std::int64_t, Cylinder>& cylinders,
             bool excel, CommandIo io) {
    const auto runs = Logged(std::move(read), {}, io);
    if (!runs) return 1;
    std::vector<ReportRecord> records;
    std::vector<std::vector<std::string>> extra;
    for (const LoggedRun& r : *runs) {
        records.push_back(r.record);
        extra.push_back(StoreCsvColumns(r.run, cylinders));
    }
    io.out << RecordsCsv(records, excel ? CsvFlavour::kExcel : CsvFlavour::kRfc4180, StoreCsvHeader(), extra);
    io.out.flush();
    return io.out ? 0 : 1;
}

}  // namespace gvc::cli
