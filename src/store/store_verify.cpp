#include "store/store_verify.h"

#include <map>
#include <set>

#include "store/record_files_read.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

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

struct ChainState {
    std::int64_t lastId = 0;
    std::string lastHash;
    std::map<std::string, std::int64_t> lines;  // the record lines written to the log, and their row
    std::set<std::string> hashes;               // every certificate hash the rows hold
};

// Walks the rows in order without holding them all: the chain, and what the
// files are checked against afterwards.
bool CheckChain(SqliteDb& db, ChainState& s, StoreVerifyReport& report) {
    SqliteStatement st(db,
                       "SELECT id, prev_hash, row_hash, " + RunSelectColumns() + " FROM runs ORDER BY id");
    while (st.Step()) {
        ++report.rows;
        const std::int64_t id = st.Int(0);
        if (id > s.lastId + 1) report.differences.push_back(Gap(s.lastId + 1, id - 1));
        const auto row = ReadRunRow(st);
        if (!row) {
            report.differences.push_back(Row(id) + std::string("значения не читаются (строка изменена)"_cp));
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
        }
        s.lastId = id;
        s.lastHash = st.Text(2);
    }
    if (!st.Ok() || st.Failed()) {
        report.differences.push_back(db.Error());
        return false;
    }
    // AUTOINCREMENT remembers the highest number ever given: rows removed at the end show.
    const auto highest = db.QueryInt("SELECT seq FROM sqlite_sequence WHERE name = 'runs'");
    if (highest && *highest > s.lastId) report.differences.push_back(Gap(s.lastId + 1, *highest));
    return true;
}

}  // namespace

StoreVerifyReport VerifyStore(CalibrationStore& store, const RecordFiles& files) {
    StoreVerifyReport report;
    ChainState state;
    SqliteDb& db = store.Db();
    // One read transaction: the rows and the chain are one snapshot.
    SqliteTransaction tx(db, false);
    const bool chainRead = CheckChain(db, state, report);

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
