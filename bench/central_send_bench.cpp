// Sending 10 000 runs (with their series) to the central PostgreSQL server:
// a throw-away cluster of tests/scripts/pg_cluster.sh on this machine (or the
// one whose cluster.env is in GVC_PG_STATE_DIR). Each iteration sends the
// whole workstation database to a fresh server database, in batches of 100
// runs per server transaction, marking them sent locally.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "central/central_schema.h"
#include "central/central_sender.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace {

constexpr int kRuns = 10000;
constexpr std::size_t kSeries = 120;

// The cluster, started once for the program and removed at its end.
class BenchCluster {
public:
    BenchCluster() {
        const char* given = std::getenv("GVC_PG_STATE_DIR");
        if (given && *given) {
            state_ = given;
        } else {
            state_ = std::filesystem::temp_directory_path() / "gvc-central-bench";
            own_ =
                std::system(("'" + Script() + "' start '" + state_.string() + "' >/dev/null").c_str()) == 0;
        }
        std::ifstream env(state_ / "cluster.env");
        std::string line;
        while (std::getline(env, line)) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) values_[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    ~BenchCluster() {
        if (own_) std::system(("'" + Script() + "' remove '" + state_.string() + "' >/dev/null").c_str());
    }
    gvc::PgConnectOptions Admin(const std::string& database) const {
        gvc::PgConnectOptions o;
        o.host = Value("GVC_PG_HOST");
        o.port = std::atoi(Value("GVC_PG_PORT").c_str());
        o.database = database;
        o.user = Value("GVC_PG_ADMIN");
        o.passFile = Value("GVC_PG_PASSFILE");
        o.sslMode = "disable";
        return o;
    }
    std::string Value(const std::string& key) const {
        const auto it = values_.find(key);
        return it == values_.end() ? std::string() : it->second;
    }
    const std::filesystem::path& State() const { return state_; }

private:
    static std::string Script() { return std::string(GVC_SOURCE_DIR) + "/tests/scripts/pg_cluster.sh"; }
    std::filesystem::path state_;
    bool own_ = false;
    std::map<std::string, std::string> values_;
};

gvc::RunRecord MakeRun(int i) {
    gvc::RunRecord r;
    r.runId = "BENCH-" + std::to_string(i);
    r.workstation = "WS1";
    r.operatorName = "operator";
    r.sensorNumber = "03-01.00." + std::to_string(100 + i % 1000);
    r.gasCode = 3;
    r.gasText = "CO";
    r.typeNumber = 1;
    r.typeText = "03-01";
    r.unitText = "ppm";
    r.rangeTop = 200;
    r.startLocal = {11, 12, 2026, 9, i / 60 % 60, i % 60};
    r.endLocal = {11, 12, 2026, 10, i / 60 % 60, i % 60};
    r.referenceThousandths = 50000;
    r.zeroSeries.resize(kSeries);
    r.referenceSeries.resize(kSeries);
    for (std::size_t k = 0; k < kSeries; ++k) {
        r.zeroSeries[k] = static_cast<std::int32_t>(1000 + (i * 31 + static_cast<int>(k) * 7) % 13);
        r.referenceSeries[k] = static_cast<std::int32_t>(88000 + (i * 17 + static_cast<int>(k) * 5) % 29);
    }
    r.outcome = gvc::RunOutcome::kSaved;
    r.resultText = "OK !";
    r.reportRecordLine = "|" + std::to_string(i) + "|";
    r.certificateSha256 = std::string(64, 'c');
    r.nextCalibration = gvc::CivilDate{2027, 12, 11};
    r.asFound.foundReference = gvc::ReadingError{48.0, -4.0, -1.0};
    r.asFound.tolerancePercent = 10.0;
    return r;
}

void BM_SendTenThousandRuns(benchmark::State& state) {
    static BenchCluster cluster;
    if (cluster.Value("GVC_PG_PORT").empty()) {
        state.SkipWithError("no PostgreSQL cluster (postgresql-15 installed?)");
        return;
    }
    const std::filesystem::path file = cluster.State() / "bench-workstation.sqlite";
    std::string message;
    std::filesystem::remove(file);
    auto store = gvc::CalibrationStore::Open(file, message);
    {
        gvc::SqliteTransaction tx(store->Db());
        for (int i = 0; i < kRuns; ++i)
            gvc::InsertRunRow(store->Db(), MakeRun(i), std::nullopt, gvc::kStoreSchemaVersion, message);
        tx.Commit();
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh server database and login; nothing marked sent here.
        const std::string database = "bench_" + std::to_string(round++);
        auto admin = gvc::PgConnection::Connect(cluster.Admin("postgres"), message);
        admin->Run("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        admin->Run("CREATE DATABASE " + database);
        auto adminDb = gvc::PgConnection::Connect(cluster.Admin(database), message);
        gvc::MigrateCentral(*adminDb, message);
        gvc::AddCentralUser(*adminDb, "bench_ws", "bench-password", gvc::CentralRole::kWorkstation, message);
        store->Db().Exec("DELETE FROM central_sent");
        gvc::CentralSettings settings;
        settings.host = cluster.Value("GVC_PG_HOST");
        settings.port = std::atoi(cluster.Value("GVC_PG_PORT").c_str());
        settings.database = database;
        settings.user = "bench_ws";
        settings.passFile = (cluster.State() / "bench.pgpass").string();
        settings.sslMode = "disable";
        gvc::SavePassFile(settings, "bench-password", message);
        state.ResumeTiming();

        const gvc::SendResult r = gvc::SendPendingRuns(*store, settings);
        if (!r.complete || r.sent != kRuns) state.SkipWithError(gvc::Utf8FromCp1251(r.message).c_str());

        state.PauseTiming();
        adminDb.reset();
        admin->Run("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        state.ResumeTiming();
    }
    state.counters["runs_per_s"] = benchmark::Counter(
        static_cast<double>(kRuns) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SendTenThousandRuns)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
