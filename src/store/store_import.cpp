#include "store/store_import.h"

#include <algorithm>
#include <set>

#include "history/report_records.h"
#include "records/locations.h"
#include "store/field_values.h"
#include "store/record_files_read.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"
#include "util/native_path.h"
#include "util/sha256.h"
#include "util/stable_sort.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::optional<ReportTimestamp> Stamp(const CivilDate& date, std::string_view time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d ", date.year, date.month, date.day);
    return ParseStampText(std::string(text) + std::string(time));
}

// "03-01.00.012.345": the gas code and the type number in front.
void GasAndType(RunRecord& run) {
    const std::string& s = run.sensorNumber;
    auto digits = [&](std::size_t at) {
        if (s.size() < at + 2 || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return 0;
        return (s[at] - '0') * 10 + (s[at + 1] - '0');
    };
    run.gasCode = digits(0);
    run.typeNumber = digits(3);
    if (s.size() >= 5) run.typeText = s.substr(0, 5);
}

RunRecord ImportedRun(std::string_view sensor, const ReportTimestamp& when) {
    RunRecord run;
    run.imported = true;
    run.recordedFrom = RecordedFrom::kImport;
    run.recordedUtc = UtcSecondsNow();
    run.outcome = RunOutcome::kSaved;
    run.sensorNumber = std::string(sensor);
    run.startLocal = when;
    run.endLocal = when;
    run.resultText = std::string("импортировано из файлов"_cp);
    GasAndType(run);
    return run;
}

void TakeCertificate(RunRecord& run, std::optional<CivilDate>& endOfUse, const CertificateFile& c) {
    run.certificateSha256 = c.sha256;
    run.certificatePath = c.pathText;
    run.saving.certificate = StepOutcome::kOk;
    if (c.summary) {
        run.gasText = c.summary->gas;
        run.nextCalibration = c.summary->nextCalibration;
        endOfUse = c.summary->endOfUse;
    }
}

struct Pending {
    RunRecord run;
    std::optional<CivilDate> endOfUse;
};

}  // namespace

RecordFiles WorkstationRecordFiles() {
    return RecordFiles{NativePath(locations::ReportLogPath), NativePath(locations::SensorsDir),
                       NativePath(locations::ArchiveDir)};
}

ImportSummary ImportRecordFiles(CalibrationStore& store, const RecordFiles& files) {
    ImportSummary summary;
    const LogLines log = ReadLogLines(files.reportLog);
    if (!log.ok) summary.problems.push_back(log.message);
    const std::vector<CertificateFile> certificates =
        ReadCertificateFiles({files.sensorsDir, files.archiveDir}, summary.problems);
    summary.logRecords = static_cast<int>(log.lines.size());
    summary.certificates = static_cast<int>(certificates.size());

    SqliteDb& db = store.Db();
    SqliteTransaction tx(db);
    std::set<std::string> knownLines, knownHashes;
    {
        SqliteStatement st(db, "SELECT report_record_line, certificate_sha256 FROM runs");
        while (st.Step()) {
            knownLines.insert(Cp1251FromUtf8(st.Text(0)));
            knownHashes.insert(st.Text(1));
        }
        if (!tx.Began() || !st.Ok() || st.Failed()) {
            summary.message = db.Error();
            return summary;
        }
    }
    // A run under way (or left unfinished by a stop) may have appended its
    // record already: that record is its own, never an imported calibration.
    const auto open = store.OpenRuns();
    if (!open.ok) {
        summary.message = open.message;
        return summary;
    }
    for (const RunRecord& run : open.value)
        if (!run.reportRecordLine.empty()) knownLines.insert(run.reportRecordLine);
    std::vector<Pending> pending;
    std::vector<bool> used(certificates.size(), false);
    for (const std::string& line : log.lines) {
        if (knownLines.count(line) != 0) continue;
        const auto record = ParseReportRecord(line);
        const auto when = record ? Stamp(record->date, record->time) : std::nullopt;
        if (!record || !when) {
            summary.problems.push_back(line + std::string(": запись журнала не разбирается"_cp));
            continue;
        }
        knownLines.insert(line);
        Pending p{ImportedRun(record->sensorNew, *when), std::nullopt};
        p.run.runId = "import-log-" + Sha256Hex(line).substr(0, 32);
        p.run.reportRecordLine = line;
        p.run.unitText = record->unit;
        p.run.saving.reportLog = StepOutcome::kOk;
        for (std::size_t i = 0; i < certificates.size(); ++i) {
            const auto& s = certificates[i].summary;
            if (used[i] || !s || s->sensorNumber != record->sensorNew || s->calibrated.date != record->date ||
                s->calibrated.time != record->time || knownHashes.count(certificates[i].sha256) != 0)
                continue;
            TakeCertificate(p.run, p.endOfUse, certificates[i]);
            used[i] = true;
            knownHashes.insert(certificates[i].sha256);
            break;
        }
        pending.push_back(std::move(p));
    }
    for (std::size_t i = 0; i < certificates.size(); ++i) {
        const CertificateFile& c = certificates[i];
        if (used[i] || knownHashes.count(c.sha256) != 0) continue;
        if (!c.summary) {
            summary.problems.push_back(c.pathText + ": " + c.problem);
            continue;
        }
        const auto when = Stamp(c.summary->calibrated.date, c.summary->calibrated.time);
        if (!when) continue;
        knownHashes.insert(c.sha256);
        Pending p{ImportedRun(c.summary->sensorNumber, *when), std::nullopt};
        p.run.runId = "import-certificate-" + c.sha256.substr(0, 32);
        TakeCertificate(p.run, p.endOfUse, c);
        pending.push_back(std::move(p));
    }
    StableSort(pending, [](const Pending& a, const Pending& b) {
        return StampText(a.run.endLocal) < StampText(b.run.endLocal);
    });
    for (const Pending& p : pending) {
        if (!InsertRunRow(db, p.run, p.endOfUse, kStoreSchemaVersion, summary.message)) return summary;
        ++summary.added;
    }
    if (!tx.Commit()) {
        summary.message = db.Error();
        summary.added = 0;
        return summary;
    }
    summary.ok = true;
    return summary;
}

}  // namespace gvc
