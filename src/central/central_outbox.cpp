#include "central/central_outbox.h"

#include "central/central_sender.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

std::optional<std::string> StationId(CalibrationStore& store, std::string& message) {
    SqliteStatement st(store.Db(), "SELECT station_id FROM workstation_identity WHERE singleton = 1");
    if (st.Ok() && st.Step()) return st.Text(0);
    message = store.Db().Error();
    return std::nullopt;
}

StoreRead<std::vector<StoredRun>> UnsentRuns(CalibrationStore& store, std::int64_t afterId, int limit) {
    StoreRead<std::vector<StoredRun>> read;
    SqliteStatement st(store.Db(), "SELECT id, prev_hash, row_hash, " + RunSelectColumns() +
                                       " FROM runs WHERE id > ? AND NOT EXISTS "
                                       "(SELECT 1 FROM central_sent s WHERE s.run_id = runs.run_id) "
                                       "ORDER BY id LIMIT ?");
    st.Bind(1, afterId).Bind(2, static_cast<std::int64_t>(limit));
    while (st.Ok() && st.Step()) {
        auto row = ReadRunRow(st);
        if (!row) {
            read.message = "строка базы данных не читается"_cp;
            return read;
        }
        read.value.push_back(std::move(*row));
    }
    if (!st.Ok() || st.Failed()) {
        read.message = store.Db().Error();
        return read;
    }
    read.ok = true;
    return read;
}

bool MarkSent(CalibrationStore& store, const std::vector<SentMark>& marks, std::int64_t sentUtc,
              std::string& message) {
    if (marks.empty()) return true;
    SqliteTransaction tx(store.Db());
    if (!tx.Began()) {
        message = store.Db().Error();
        return false;
    }
    SqliteStatement st(store.Db(),
                       "INSERT OR IGNORE INTO central_sent (run_id, sent_utc, server_seq) VALUES (?, ?, ?)");
    for (const SentMark& m : marks) {
        st.Reset();
        st.BindText(1, Utf8FromCp1251(m.runId)).Bind(2, sentUtc).Bind(3, m.serverSeq);
        st.Step();
        if (!st.Ok() || st.Failed()) {
            message = store.Db().Error();
            return false;
        }
    }
    if (!tx.Commit()) {
        message = store.Db().Error();
        return false;
    }
    return true;
}

StoreRead<std::int64_t> UnsentRunCount(CalibrationStore& store) {
    StoreRead<std::int64_t> read;
    // Only runs of this database are ever marked, so the difference is the count.
    const auto n = store.Db().QueryInt(
        "SELECT max(0, (SELECT count(*) FROM runs) - (SELECT count(*) FROM central_sent))");
    if (!n) {
        read.message = store.Db().Error();
        return read;
    }
    read.ok = true;
    read.value = *n;
    return read;
}

}  // namespace gvc
