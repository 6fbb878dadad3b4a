#include "store/store_verify.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "store/field_values.h"
#include "store/record_files_read.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "store/store_outbox.h"
#include "store/store_recovery.h"
#include "store/store_session.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string Row(std::int64_t id) {
    return std::string("строка "_cp) + std::to_string(id) + std::string(" базы данных: "_cp);
}

std::string Gap(std::int64_t from, std::int64_t to) {
    if (from == to)
        return std::string("строка "_cp) + std::to_string(from) + std::string(" базы данных удалена"_cp);
    return std::string("строки "_cp) + std::to_string(from) + "-" + std::to_string(to) +
           std::string(" базы данных удалены"_cp);
}

// "2026-12-11 09:00:00 UTC".
std::string UtcText(std::int64_t seconds) {
    const std::int64_t day = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const std::int64_t second = seconds - day * 86400;
    const CivilDate date = DateFromDayNumber(day + DayNumber(CivilDate{1970, 1, 1}));
    char text[48];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d UTC", static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return IsoDateText(date) + text;
}

// The due list's state of one sensor as the chain gives it.
struct Latest {
    std::int64_t row = 0;
    std::string calibrated;  // "yyyy-mm-dd hh:mm:ss"
    std::string next;        // "yyyy-mm-dd"
};

struct ChainState {
    std::int64_t lastId = 0;
    std::string lastHash;
    std::map<std::string, std::int64_t> lines;  // the record lines written to the log, and their row
    std::set<std::string> hashes;               // every certificate hash the rows hold
    std::map<std::string, Latest> latest;       // by sensor number (UTF-8, as the table keys it)
    std::optional<std::int64_t> firstOwn;       // when the first run of the workstation itself was recorded
    std::vector<std::pair<std::int64_t, std::int64_t>> imported;  // rows from the files, when they came in
    std::vector<RunRecord> unfinished;  // unfinished runs not followed by a saved calibration
};

void Follow(ChainState& s, std::int64_t id, const RunRecord& run) {
    const std::string sensor = Utf8FromCp1251(run.sensorNumber);
    if (const auto next = LatestNextCalibration(run)) {
        const std::string calibrated = StampText(run.endLocal);
        auto it = s.latest.find(sensor);
        if (it == s.latest.end() || calibrated >= it->second.calibrated)
            s.latest[sensor] = Latest{id, calibrated, IsoDateText(*next)};
    }
    if (run.outcome == RunOutcome::kSaved)
        std::erase_if(s.unfinished, [&](const RunRecord& u) { return u.sensorNumber == run.sensorNumber; });
    if (run.outcome == RunOutcome::kUnfinished) s.unfinished.push_back(run);
    if (run.imported || run.recordedFrom == RecordedFrom::kImport) {
        if (run.recordedUtc) s.imported.emplace_back(id, *run.recordedUtc);
    } else if (!s.firstOwn && run.recordedUtc) {
        s.firstOwn = run.recordedUtc;
    }
}

// The due list's table against the chain.
void CheckLatest(SqliteDb& db, const ChainState& s, StoreVerifyReport& report) {
    SqliteStatement st(db, "SELECT sensor_number, run_row, calibrated, next_calibration FROM sensor_latest");
    std::set<std::string> seen;
    while (st.Step()) {
        const std::string sensor = st.Text(0);
        seen.insert(sensor);
        const auto it = s.latest.find(sensor);
        const std::string name = Cp1251FromUtf8(sensor);
        if (it == s.latest.end()) {
            report.differences.push_back(std::string("список сроков: у датчика "_cp) + name +
                                         std::string(" нет градуировки в базе данных"_cp));
        } else if (st.Int(1) != it->second.row || st.Text(2) != it->second.calibrated ||
                   st.Text(3) != it->second.next) {
            report.differences.push_back(std::string("список сроков: у датчика "_cp) + name +
                                         std::string(" срок "_cp) + st.Text(3) +
                                         std::string(", по записям базы данных "_cp) + it->second.next +
                                         std::string(" (строка "_cp) + std::to_string(it->second.row) + ")");
        }
    }
    if (!st.Ok() || st.Failed()) {
        report.differences.push_back(db.Error());
        return;
    }
    for (const auto& [sensor, latest] : s.latest)
        if (seen.count(sensor) == 0)
            report.differences.push_back(std::string("список сроков: нет датчика "_cp) +
                                         Cp1251FromUtf8(sensor) + std::string(" (срок "_cp) + latest.next +
                                         std::string(" по строке "_cp) + std::to_string(latest.row) + ")");
}

// Walks the rows in order without holding them all: the chain, and what the
// files are checked against afterwards.
bool CheckChain(SqliteDb& db, int version, ChainState& s, StoreVerifyReport& report) {
    SqliteStatement st(
        db, "SELECT id, prev_hash, row_hash, " + RunSelectColumns(version) + " FROM runs ORDER BY id");
    while (st.Step()) {
        ++report.rows;
        const std::int64_t id = st.Int(0);
        if (id > s.lastId + 1) report.differences.push_back(Gap(s.lastId + 1, id - 1));
        const auto row = ReadRunRow(st, version);
        if (!row) {
            report.differences.push_back(
                Row(id) + std::string("значения не читаются или не того типа (строка изменена)"_cp));
        } else {
            if (row->prevHash != s.lastHash && id == s.lastId + 1)
                report.differences.push_back(Row(id) +
                                             std::string("не совпадает ссылка на предыдущую строку"_cp));
            const std::string expected = ChainHash(EncodeRun(row->record, row->endOfUse), row->prevHash);
            if (expected != row->rowHash)
                report.differences.push_back(Row(id) +
                                             std::string("содержимое изменено (хеш не совпадает)"_cp));
            if (row->record.saving.reportLog == StepOutcome::kOk && !row->record.reportRecordLine.empty())
                s.lines.emplace(row->record.reportRecordLine, id);
            if (!row->record.certificateSha256.empty()) s.hashes.insert(row->record.certificateSha256);
            Follow(s, id, row->record);
        }
        s.lastId = id;
        s.lastHash = st.Text(2);
    }
    if (!st.Ok() || st.Failed()) {
        report.differences.push_back(db.Error());
        return false;
    }
    // AUTOINCREMENT remembers the highest number ever given: rows removed at
    // the end show, unless whoever removed them also lowered that number.
    // Only the laboratory's server, where there is one, makes such a removal
    // visible for certain.
    const auto highest = db.QueryInt("SELECT seq FROM sqlite_sequence WHERE name = 'runs'");
    if (highest && *highest > s.lastId) report.differences.push_back(Gap(s.lastId + 1, *highest));
    return true;
}

}  // namespace

StoreVerifyReport VerifyStore(CalibrationStore& store, const RecordFiles& files,
                              const std::filesystem::path& outboxDir) {
    StoreVerifyReport report;
    ChainState state;
    SqliteDb& db = store.Db();
    // One read transaction: the rows and the chain are one snapshot.
    SqliteTransaction tx(db, false);
    const bool chainRead = CheckChain(db, store.Version(), state, report);
    if (chainRead && store.Version() >= 2) CheckLatest(db, state, report);
    // Records the files gave a new database when it was made are its past;
    // one taken in later, after the workstation's own runs began, is a record
    // no run of this workstation made.
    const auto origin = store.ReadOrigin();
    const std::int64_t created = origin.ok && origin.value ? origin.value->createdUtc : 0;
    if (state.firstOwn) {
        for (const auto& [id, when] : state.imported)
            if (when > created && when >= *state.firstOwn)
                report.differences.push_back(
                    Row(id) + std::string("запись внесена из файлов "_cp) + UtcText(when) +
                    std::string(", после первого прогона этого рабочего места ("_cp) +
                    UtcText(*state.firstOwn) + ")");
    }
    if (origin.ok && origin.value && origin.value->importedRecords > 0)
        report.notices.push_back(RebuiltStoreText(store.File(), origin.value->importedRecords));
    for (const RunRecord& run : state.unfinished)
        report.notices.push_back(UnfinishedRunText(run));
    if (const auto open = store.OpenRuns(); open.ok) {
        for (const RunRecord& run : open.value)
            report.notices.push_back(std::string("Прогон идет сейчас или оставлен остановкой программы "
                                                 "(будет закрыт при следующем запуске): "_cp) +
                                     UnfinishedRunText(CloseUnfinishedRun(run, files)));
    }
    if (!outboxDir.empty()) {
        for (const OutboxFile& f : ReadOutbox(outboxDir)) {
            std::string text = Cp1251PathText(f.file) + std::string(": "_cp);
            text += f.run ? std::string("прогон "_cp) + f.run->runId +
                                std::string(" ждет в папке ожидания и в базу данных не внесен"_cp)
                          : f.problem;
            report.differences.push_back(std::move(text));
        }
    }

    const LogLines log = ReadLogLines(files.reportLog);
    if (!log.ok) report.differences.push_back(log.message);
    report.logRecords = static_cast<int>(log.lines.size());
    std::set<std::string> inLog;
    for (std::size_t i = 0; i < log.lines.size(); ++i) {
        const std::string& line = log.lines[i];
        inLog.insert(line);
        if (state.lines.count(line) == 0)
            report.differences.push_back(std::string("запись журнала "_cp) + std::to_string(i + 1) +
                                         std::string(" нет в базе данных: "_cp) + line);
    }
    if (log.ok) {
        for (const auto& [line, id] : state.lines)
            if (inLog.count(line) == 0)
                report.differences.push_back(Row(id) + std::string("её записи нет в журнале: "_cp) + line);
    }
    std::vector<std::string> problems;
    const std::vector<CertificateFile> certificates =
        ReadCertificateFiles({files.sensorsDir, files.archiveDir}, problems);
    report.certificates = static_cast<int>(certificates.size());
    for (const std::string& p : problems)
        report.differences.push_back(p);
    for (const CertificateFile& c : certificates)
        if (state.hashes.count(c.sha256) == 0)
            report.differences.push_back(
                c.pathText + std::string(": Свидетельства с таким содержимым нет в базе данных"_cp));
    report.ok = chainRead && report.differences.empty();
    return report;
}

}  // namespace gvc
