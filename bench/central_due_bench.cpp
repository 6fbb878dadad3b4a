// The laboratory's due list and one sensor's history on the central server,
// over 1 000 000 runs from 20 workstations (GVC_CENTRAL_BENCH_RUNS sets
// another count), read as the program reads them: CentralReader over a TCP
// connection to the server. The server is a cluster of tests/scripts/
// pg_cluster.sh, named by GVC_PG_STATE_DIR:
//   tests/scripts/pg_cluster.sh start /tmp/gvc-bench-pg
//   GVC_PG_STATE_DIR=/tmp/gvc-bench-pg build/bench/gvc_central_bench
//   tests/scripts/pg_cluster.sh remove /tmp/gvc-bench-pg
// The runs are made inside the server by one INSERT ... SELECT over
// generate_series as the administrator (minutes, not hours), into a database
// named after the count, kept in that cluster for the next start; nothing is
// cached outside it. The indexes are those the schema's migrations create.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "central/central_reader.h"
#include "central/central_schema.h"
#include "central/central_settings.h"
#include "central/pg_connection.h"
#include "util/cp1251.h"

namespace {

constexpr int kSensors = 10000;
constexpr int kFirstDay = 9131;  // 1995-01-01

std::int64_t RunCount() {
    const char* env = std::getenv("GVC_CENTRAL_BENCH_RUNS");
    const long long n = env != nullptr ? std::atoll(env) : 1000000;
    return n > 0 ? n : 1000000;
}

std::string SensorNumber(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "03-01.00.%03d.%03d", n / 1000 % 1000, n % 1000);
    return text;
}

// The cluster's place and the administrator from cluster.env.
std::map<std::string, std::string> ClusterEnv() {
    std::map<std::string, std::string> env;
    const char* dir = std::getenv("GVC_PG_STATE_DIR");
    if (dir == nullptr || *dir == '\0') return env;
    std::ifstream in(std::string(dir) + "/cluster.env");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return env;
}

gvc::CentralSettings AdminSettings(const std::string& database) {
    const auto env = ClusterEnv();
    gvc::CentralSettings s;
    if (env.count("GVC_PG_PORT") == 0) return s;
    s.host = env.at("GVC_PG_HOST");
    s.port = std::atoi(env.at("GVC_PG_PORT").c_str());
    s.database = database;
    s.user = env.at("GVC_PG_ADMIN");
    s.passFile = env.at("GVC_PG_PASSFILE");
    s.sslMode = "disable";
    return s;
}

std::string DatabaseName() {
    return "gvc_bench_due_" + std::to_string(RunCount());
}

// Run i: sensor s = i % kSensors, workstation i % kStations, on day
// kFirstDay + (i / kSensors) * 30 + s % 30 (each sensor once a month, the
// sensors spread over the month), saved, its next calibration a year later.
// Every column not named here takes a value of its type.
const char* kFill = R"sql(
SET session_replication_role = replica;
INSERT INTO gvc.workstations (station_id, station_name, login_name, last_seq, last_hash,
                              first_received, last_received)
    SELECT ('00000000-0000-0000-0000-' || lpad(s::text, 12, '0'))::uuid, 'WS' || s, 'bench',
           0, '', now(), now()
    FROM generate_series(0, 19) s;
INSERT INTO gvc.runs (
    id, station_id, station_name, local_id, station_seq, received_at, server_prev_hash, server_hash,
    prev_hash, row_hash, run_id, workstation, operator_name, sensor_number, gas_code, gas_text,
    type_number, type_text, unit_text, range_top, start_local, end_local, start_utc, end_utc,
    reference_thousandths, reference_source, cylinder_id, temperature, zero_average, zero_spread,
    reference_average, reference_spread, zero_series, reference_series, before_slope, before_offset,
    before_pga, after_slope, after_offset, after_pga, readback_slope, readback_offset, readback_pga,
    readback_done, outcome, result_text, step_report_log, step_certificate, step_sensor_write,
    step_read_back, saving_message, report_record_line, certificate_sha256, certificate_path,
    next_calibration,
    found_zero_shown, found_zero_error_reading, found_zero_error_range, found_reference_shown,
    found_reference_error_reading, found_reference_error_range, found_in_tolerance, tolerance_percent,
    left_zero_shown, left_zero_error_reading, left_zero_error_range, left_reference_shown,
    left_reference_error_reading, left_reference_error_range, imported, end_of_use)
OVERRIDING SYSTEM VALUE SELECT * FROM (
  SELECT
    i AS id,
    ('00000000-0000-0000-0000-' || lpad((i % 20)::text, 12, '0'))::uuid AS station_id,
    'WS' || (i % 20) AS station_name,
    i / 20 + 1 AS local_id,
    i / 20 + 1 AS station_seq,
    now() AS received_at,
    '' AS server_prev_hash, md5(i::text) AS server_hash,
    '' AS prev_hash, md5(i::text) AS row_hash,
    'BENCH-' || i AS run_id, 'WS' || (i % 20) AS workstation, 'operator' AS operator_name,
    '03-01.00.' || lpad(((i % 10000) / 1000)::text, 3, '0') || '.' || lpad((i % 1000)::text, 3, '0')
        AS sensor_number,
    3 AS gas_code, 'CO' AS gas_text, 1 AS type_number, '03-01' AS type_text, 'ppm' AS unit_text,
    200.0::float8 AS range_top,
    (date '1970-01-01' + (9131 + (i / 10000) * 30 + (i % 10000) % 30)) + time '09:00' AS start_local,
    (date '1970-01-01' + (9131 + (i / 10000) * 30 + (i % 10000) % 30)) + time '09:00' + (i % 60) * interval '1 minute'
        AS end_local,
    (9131 + (i / 10000) * 30 + (i % 10000) % 30) * 86400 + 32400 AS start_utc,
    (9131 + (i / 10000) * 30 + (i % 10000) % 30) * 86400 + 32400 + (i % 60) * 60 AS end_utc,
    50000 AS reference_thousandths, 0 AS reference_source, NULL::bigint AS cylinder_id,
    20 AS temperature, 1000 AS zero_average, 3 AS zero_spread,
    88000 AS reference_average, 5 AS reference_spread,
    '\x00'::bytea AS zero_series, '\x00'::bytea AS reference_series,
    1000 AS before_slope, 0 AS before_offset, 2 AS before_pga,
    1010 AS after_slope, 1 AS after_offset, 2 AS after_pga,
    1010 AS readback_slope, 1 AS readback_offset, 2 AS readback_pga, 1 AS readback_done,
    0 AS outcome, 'OK !' AS result_text,
    1 AS step_report_log, 1 AS step_certificate, 1 AS step_sensor_write, 1 AS step_read_back,
    '' AS saving_message, '|' || i || '|' AS report_record_line, repeat('c', 64) AS certificate_sha256,
    '' AS certificate_path,
    date '1970-01-01' + (9131 + (i / 10000) * 30 + (i % 10000) % 30 + 365) AS next_calibration,
    NULL::float8 AS found_zero_shown, NULL::float8 AS found_zero_error_reading,
    NULL::float8 AS found_zero_error_range,
    48.0::float8 AS found_reference_shown, -4.0::float8 AS found_reference_error_reading,
    -1.0::float8 AS found_reference_error_range,
    1 AS found_in_tolerance, 10.0::float8 AS tolerance_percent,
    NULL::float8 AS left_zero_shown, NULL::float8 AS left_zero_error_reading,
    NULL::float8 AS left_zero_error_range,
    NULL::float8 AS left_reference_shown, NULL::float8 AS left_reference_error_reading,
    NULL::float8 AS left_reference_error_range,
    0 AS imported, NULL::date AS end_of_use
  FROM generate_series(0, $1::bigint - 1) i) r;
INSERT INTO gvc.sensor_latest (sensor_number, run_row, calibrated, next_calibration, gas_text,
                               end_of_use, station_id)
    SELECT DISTINCT ON (sensor_number) sensor_number, id, end_local, next_calibration, gas_text,
           end_of_use, station_id
    FROM gvc.runs WHERE outcome = 0 AND next_calibration IS NOT NULL
    ORDER BY sensor_number, end_local DESC, id DESC;
UPDATE gvc.workstations w SET last_seq = m.seq
    FROM (SELECT station_id, max(station_seq) AS seq FROM gvc.runs GROUP BY station_id) m
    WHERE m.station_id = w.station_id;
SET session_replication_role = origin;
)sql";

// Connects as the administrator to the benchmark's database, creating and
// filling it on first use.
gvc::CentralReader& Reader() {
    static std::unique_ptr<gvc::CentralReader> reader = []() -> std::unique_ptr<gvc::CentralReader> {
        std::string message;
        gvc::CentralSettings postgres = AdminSettings("postgres");
        if (postgres.host.empty()) {
            std::fprintf(stderr,
                         "GVC_PG_STATE_DIR names no cluster (tests/scripts/pg_cluster.sh start DIR)\n");
            return nullptr;
        }
        auto admin = gvc::PgConnection::Connect(gvc::ConnectOptionsOf(postgres), message);
        if (!admin) return nullptr;
        const gvc::PgResult exists =
            admin->Exec("SELECT 1 FROM pg_database WHERE datname = $1", gvc::PgParams().Text(DatabaseName()));
        const bool fresh = exists.Ok() && exists.Rows() == 0;
        if (fresh && !admin->Run("CREATE DATABASE " + DatabaseName())) return nullptr;
        auto db = gvc::PgConnection::Connect(gvc::ConnectOptionsOf(AdminSettings(DatabaseName())), message);
        if (!db) return nullptr;
        if (fresh) {
            std::fprintf(stderr, "filling %lld runs into %s...\n", static_cast<long long>(RunCount()),
                         DatabaseName().c_str());
            if (!gvc::MigrateCentral(*db, message)) {
                std::fprintf(stderr, "schema: %s\n", gvc::Utf8FromCp1251(message).c_str());
                return nullptr;
            }
            gvc::PgTransaction tx(*db);
            const gvc::PgResult fill = db->Exec(kFill, gvc::PgParams().Int(RunCount()));
            if (!fill.Ok() || !tx.Commit() || !db->Run("VACUUM ANALYZE")) {
                std::fprintf(stderr, "fill: %s\n", gvc::Utf8FromCp1251(db->Error()).c_str());
                admin->Run("DROP DATABASE " + DatabaseName());
                return nullptr;
            }
        }
        return std::make_unique<gvc::CentralReader>(std::move(db));
    }();
    if (!reader) std::abort();
    return *reader;
}

void BM_CentralDueList(benchmark::State& state) {
    gvc::CentralReader& reader = Reader();
    // The day before the first of the newest runs' next dates: within 30 days
    // every sensor is due (the longest list the laboratory can have), within
    // 3 days a tenth of them.
    const std::int64_t lastRound = (RunCount() - 1) / kSensors * 30;
    const gvc::CivilDate today = gvc::DateFromDayNumber(kFirstDay + lastRound + 365 - 1);
    std::size_t due = 0;
    for (auto _ : state) {
        const auto read = reader.DueList(today, state.range(0));
        if (!read.ok) state.SkipWithError("due list failed");
        due = read.value.size();
    }
    state.counters["sensors_due"] = static_cast<double>(due);
}
BENCHMARK(BM_CentralDueList)->Arg(30)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_CentralSensorHistory(benchmark::State& state) {
    gvc::CentralReader& reader = Reader();
    std::size_t runs = 0;
    int n = 0;
    for (auto _ : state) {
        const auto read = reader.SensorRuns(SensorNumber(n++ * 7919 % kSensors));
        if (!read.ok) state.SkipWithError("history failed");
        runs = read.value.size();
    }
    state.counters["runs_of_the_sensor"] = static_cast<double>(runs);
}
BENCHMARK(BM_CentralSensorHistory)->Unit(benchmark::kMillisecond);

void BM_CentralRunCount(benchmark::State& state) {
    gvc::CentralReader& reader = Reader();
    for (auto _ : state) {
        const auto read = reader.RunCount();
        if (!read.ok) state.SkipWithError("count failed");
        benchmark::DoNotOptimize(read.value);
    }
}
BENCHMARK(BM_CentralRunCount)->Unit(benchmark::kMillisecond);

}  // namespace
