#include "central/central_anchor.h"

#include <map>

#include "central/central_outbox.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

struct ServerCopy {
    std::string rowHash;
    std::int64_t seq = 0;
    std::string localId;
    std::string receivedAt;
};

std::string Run(const std::string& runId) {
    return std::string("запуск "_cp) + runId;
}

std::string Held(const ServerCopy& copy) {
    return std::string(" (центральная база, строка "_cp) + std::to_string(copy.seq) +
           std::string(" этого рабочего места, строка "_cp) + copy.localId +
           std::string(" базы данных, получен сервером "_cp) + copy.receivedAt + " UTC)";
}

}  // namespace

AnchorLocalSide ReadAnchorLocalSide(CalibrationStore& store) {
    AnchorLocalSide side;
    const auto station = StationId(store, side.message);
    if (!station) return side;
    side.stationId = *station;
    SqliteTransaction snapshot(store.Db(), false);
    {
        SqliteStatement st(store.Db(), "SELECT run_id, row_hash FROM runs ORDER BY id");
        while (st.Step())
            side.runs.push_back({Cp1251FromUtf8(st.Text(0)), st.Text(1)});
        if (!st.Ok() || st.Failed()) {
            side.message = store.Db().Error();
            return side;
        }
    }
    SqliteStatement st(store.Db(), "SELECT run_id FROM central_sent");
    while (st.Step())
        side.sent.insert(Cp1251FromUtf8(st.Text(0)));
    if (!st.Ok() || st.Failed()) {
        side.message = store.Db().Error();
        return side;
    }
    side.ok = true;
    return side;
}

AnchorReport CompareWithAnchor(PgConnection& server, const std::string& stationId,
                               const std::vector<AnchorRun>& local, const std::set<std::string>& sent) {
    AnchorReport report;
    const PgResult rows = server.Exec(
        "SELECT run_id, row_hash, station_seq, local_id, "
        "to_char(received_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS') "
        "FROM gvc.runs WHERE station_id = $1::uuid ORDER BY station_seq",
        PgParams().Text(stationId));
    if (!rows.Ok()) {
        report.message = std::string("центральная база: "_cp) + server.Error();
        return report;
    }
    report.reached = true;
    report.serverRuns = rows.Rows();
    std::map<std::string, ServerCopy> held;
    std::vector<const std::string*> order;
    for (int i = 0; i < rows.Rows(); ++i) {
        const auto [it, added] = held.emplace(
            Cp1251FromUtf8(rows.Text(i, 0)),
            ServerCopy{rows.Text(i, 1), rows.Int(i, 2).value_or(0), rows.Text(i, 3), rows.Text(i, 4)});
        if (added) order.push_back(&it->first);
    }
    std::map<std::string, const AnchorRun*> here;
    for (const AnchorRun& r : local)
        here.emplace(r.runId, &r);
    // The server's runs of this workstation, in its sequence: each must be
    // here with the same row.
    for (const std::string* id : order) {
        const ServerCopy& copy = held.at(*id);
        const auto it = here.find(*id);
        if (it == here.end()) {
            report.differences.push_back(Run(*id) + Held(copy) +
                                         std::string(": есть на центральном сервере, но нет в базе данных "
                                                     "рабочего места (строка удалена?)"_cp));
        } else if (it->second->rowHash != copy.rowHash) {
            report.differences.push_back(Run(*id) + Held(copy) +
                                         std::string(": в базе данных рабочего места другая строка, чем на "
                                                     "центральном сервере (хеш не совпадает)"_cp));
        }
    }
    // The runs marked sent here: each must be on the server for this workstation.
    for (const AnchorRun& r : local) {
        if (sent.count(r.runId) != 0 && held.count(r.runId) == 0)
            report.differences.push_back(Run(r.runId) +
                                         std::string(": отмечен отправленным, но центральный сервер не "
                                                     "хранит его для этого рабочего места"_cp));
    }
    for (const std::string& id : sent) {
        if (here.count(id) == 0 && held.count(id) == 0)
            report.differences.push_back(Run(id) +
                                         std::string(": отмечен отправленным, но его нет ни в базе данных, "
                                                     "ни на центральном сервере"_cp));
    }
    return report;
}

AnchorReport CheckCentralAnchor(const CentralSettings& settings, const std::string& stationId,
                                const std::vector<AnchorRun>& local, const std::set<std::string>& sent) {
    std::string message;
    const auto server = PgConnection::Connect(ConnectOptionsOf(settings), message);
    if (!server) {
        AnchorReport report;
        report.message = message;
        return report;
    }
    return CompareWithAnchor(*server, stationId, local, sent);
}

}  // namespace gvc
