#include "central/central_verify.h"

#include <map>

#include "central/central_outbox.h"
#include "central/central_schema.h"
#include "store/run_codec.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

std::string Run(const std::string& runId) {
    return std::string("запуск "_cp) + runId;
}

std::string LocalRow(std::int64_t id) {
    return std::string("строка "_cp) + std::to_string(id) + std::string(" базы данных"_cp);
}

std::string ServerRows(std::int64_t from, std::int64_t to) {
    if (from == to)
        return std::string("центральная база: строка "_cp) + std::to_string(from) +
               std::string(" этого рабочего места удалена"_cp);
    return std::string("центральная база: строки "_cp) + std::to_string(from) + "-" + std::to_string(to) +
           std::string(" этого рабочего места удалены"_cp);
}

std::string ServerRow(std::int64_t seq) {
    return std::string("центральная база, строка "_cp) + std::to_string(seq) +
           std::string(" этого рабочего места: "_cp);
}

// The server's chain over the workstation's rows, and each row's own hash
// recomputed from the columns the server holds.
void CheckServerRows(const std::vector<CentralRun>& server, const std::optional<CentralStationHead>& head,
                     CentralVerifyReport& report) {
    std::int64_t lastSeq = 0;
    std::string lastHash;
    for (const CentralRun& r : server) {
        if (r.sequence > lastSeq + 1) report.differences.push_back(ServerRows(lastSeq + 1, r.sequence - 1));
        if (r.sequence <= lastSeq) {
            report.differences.push_back(ServerRow(r.sequence) + std::string("номер повторяется"_cp));
        } else if (r.sequence == lastSeq + 1 && r.serverPrevHash != lastHash) {
            report.differences.push_back(ServerRow(r.sequence) +
                                         std::string("не совпадает ссылка на предыдущую строку"_cp));
        }
        if (ServerChainHash(r.serverPrevHash, r.stored.rowHash, r.sequence, r.receivedAt) != r.serverHash)
            report.differences.push_back(
                ServerRow(r.sequence) +
                std::string("цепочка сервера нарушена (хеш сервера не совпадает)"_cp));
        const std::string rowHash =
            ChainHash(EncodeRun(r.stored.record, r.stored.endOfUse), r.stored.prevHash);
        if (rowHash != r.stored.rowHash)
            report.differences.push_back(ServerRow(r.sequence) + Run(r.stored.record.runId) +
                                         std::string(": содержимое изменено (хеш не совпадает)"_cp));
        lastSeq = std::max(lastSeq, r.sequence);
        lastHash = r.serverHash;
    }
    // Rows removed at the end: the workstation's head remembers the last number given.
    if (head && head->lastSeq > lastSeq) report.differences.push_back(ServerRows(lastSeq + 1, head->lastSeq));
    if (head && head->lastSeq == lastSeq && lastSeq > 0 && head->lastHash != lastHash)
        report.differences.push_back(ServerRow(lastSeq) +
                                     std::string("не совпадает с последним хешем рабочего места"_cp));
}

}  // namespace

CentralVerifyReport CompareWithCentral(const std::vector<StoredRun>& local,
                                       const std::set<std::string>& confirmed,
                                       const std::vector<CentralRun>& server,
                                       const std::optional<CentralStationHead>& head) {
    CentralVerifyReport report;
    report.localRuns = static_cast<std::int64_t>(local.size());
    report.serverRuns = static_cast<std::int64_t>(server.size());
    CheckServerRows(server, head, report);

    std::map<std::string, const CentralRun*> onServer;
    for (const CentralRun& r : server)
        onServer.emplace(r.stored.record.runId, &r);
    std::set<std::string> here;
    for (const StoredRun& s : local) {
        const std::string& id = s.record.runId;
        here.insert(id);
        const auto it = onServer.find(id);
        if (it == onServer.end()) {
            if (confirmed.count(id) != 0) {
                report.differences.push_back(
                    Run(id) + " (" + LocalRow(s.id) +
                    std::string(") отправлен, но на центральном сервере его нет"_cp));
            } else {
                ++report.notSent;
                report.differences.push_back(Run(id) + " (" + LocalRow(s.id) +
                                             std::string(") ещё не отправлен на центральный сервер"_cp));
            }
            continue;
        }
        const StoredRun& copy = it->second->stored;
        if (copy.rowHash != s.rowHash || copy.prevHash != s.prevHash || copy.id != s.id)
            report.differences.push_back(Run(id) + ": " +
                                         std::string("копия на центральном сервере отличается от "_cp) +
                                         LocalRow(s.id));
    }
    for (const CentralRun& r : server)
        if (here.count(r.stored.record.runId) == 0)
            report.differences.push_back(ServerRow(r.sequence) + Run(r.stored.record.runId) +
                                         std::string(" есть на центральном сервере, но нет в базе данных "
                                                     "рабочего места"_cp));
    report.ok = report.differences.empty();
    return report;
}

}  // namespace gvc

namespace gvc {

CentralVerifyReport VerifyWithCentral(CalibrationStore& store, CentralReader& reader) {
    CentralVerifyReport failed;
    std::string message;
    const auto station = StationId(store, message);
    if (!station) {
        failed.differences.push_back(message);
        return failed;
    }
    // The workstation's side as one snapshot: its runs and the server's confirmations.
    StoreRead<std::vector<StoredRun>> local;
    std::set<std::string> confirmed;
    {
        SqliteTransaction snapshot(store.Db(), false);
        local = store.AllRuns();
        SqliteStatement st(store.Db(), "SELECT run_id FROM central_sent");
        while (st.Step())
            confirmed.insert(Cp1251FromUtf8(st.Text(0)));
        if (!st.Ok() || st.Failed()) local = {false, store.Db().Error(), {}};
    }
    if (!local.ok) {
        failed.differences.push_back(local.message);
        return failed;
    }
    const auto server = reader.WorkstationRuns(*station);
    const auto head = reader.StationHead(*station);
    if (!server.ok || !head.ok) {
        failed.differences.push_back(server.ok ? head.message : server.message);
        return failed;
    }
    return CompareWithCentral(local.value, confirmed, server.value, head.value);
}

}  // namespace gvc
