#include "store/store_schema.h"

#include <array>
#include <string_view>

#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// Version 1: the runs with every field, and the reference gas cylinders.
constexpr std::string_view kVersion1 = R"sql(
CREATE TABLE runs (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    run_id TEXT NOT NULL UNIQUE,
    workstation TEXT NOT NULL, operator_name TEXT NOT NULL,
    sensor_number TEXT NOT NULL, gas_code INTEGER NOT NULL, gas_text TEXT NOT NULL,
    type_number INTEGER NOT NULL, type_text TEXT NOT NULL, unit_text TEXT NOT NULL, range_top REAL NOT NULL,
    start_local TEXT NOT NULL, end_local TEXT NOT NULL, start_utc INTEGER NOT NULL, end_utc INTEGER NOT NULL,
    reference_thousandths INTEGER NOT NULL, reference_source INTEGER NOT NULL, cylinder_id INTEGER,
    temperature INTEGER NOT NULL,
    zero_average INTEGER NOT NULL, zero_spread INTEGER NOT NULL,
    reference_average INTEGER NOT NULL, reference_spread INTEGER NOT NULL,
    zero_series BLOB NOT NULL, reference_series BLOB NOT NULL,
    before_slope INTEGER NOT NULL, before_offset INTEGER NOT NULL, before_pga INTEGER NOT NULL,
    after_slope INTEGER NOT NULL, after_offset INTEGER NOT NULL, after_pga INTEGER NOT NULL,
    readback_slope INTEGER NOT NULL, readback_offset INTEGER NOT NULL, readback_pga INTEGER NOT NULL,
    readback_done INTEGER NOT NULL,
    outcome INTEGER NOT NULL, result_text TEXT NOT NULL,
    step_report_log INTEGER NOT NULL, step_certificate INTEGER NOT NULL,
    step_sensor_write INTEGER NOT NULL, step_read_back INTEGER NOT NULL, saving_message TEXT NOT NULL,
    report_record_line TEXT NOT NULL, certificate_sha256 TEXT NOT NULL, certificate_path TEXT NOT NULL,
    next_calibration TEXT,
    found_zero_shown REAL, found_zero_error_reading REAL, found_zero_error_range REAL,
    found_reference_shown REAL, found_reference_error_reading REAL, found_reference_error_range REAL,
    found_in_tolerance INTEGER, tolerance_percent REAL NOT NULL,
    left_zero_shown REAL, left_zero_error_reading REAL, left_zero_error_range REAL,
    left_reference_shown REAL, left_reference_error_reading REAL, left_reference_error_range REAL,
    imported INTEGER NOT NULL,
    prev_hash TEXT NOT NULL, row_hash TEXT NOT NULL
);
CREATE TABLE cylinders (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    gas_code INTEGER NOT NULL, gas_text TEXT NOT NULL,
    concentration REAL NOT NULL, unit_text TEXT NOT NULL,
    lot TEXT NOT NULL, expiry TEXT NOT NULL, retired INTEGER NOT NULL DEFAULT 0
);
)sql";

// Version 2: the certificate's end of use; one sensor's runs and the newest
// calibration of every sensor (for the due list) found without a scan, the
// due list's values kept beside it so that it reads no run.
constexpr std::string_view kVersion2 = R"sql(
ALTER TABLE runs ADD COLUMN end_of_use TEXT;
CREATE INDEX runs_by_sensor ON runs (sensor_number, id);
CREATE TABLE sensor_latest (
    sensor_number TEXT PRIMARY KEY,
    run_row INTEGER NOT NULL, calibrated TEXT NOT NULL, next_calibration TEXT NOT NULL,
    gas_text TEXT NOT NULL, end_of_use TEXT
) WITHOUT ROWID;
CREATE INDEX sensor_latest_by_next ON sensor_latest (next_calibration, sensor_number);
INSERT INTO sensor_latest (sensor_number, run_row, calibrated, next_calibration, gas_text, end_of_use)
    SELECT sensor_number, id, end_local, next_calibration, gas_text, end_of_use FROM runs r
    WHERE outcome = 0 AND next_calibration IS NOT NULL AND id = (
        SELECT id FROM runs s WHERE s.sensor_number = r.sensor_number AND s.outcome = 0
            AND s.next_calibration IS NOT NULL ORDER BY s.end_local DESC, s.id DESC LIMIT 1);
)sql";

// Version 3: the central database. The workstation's identity (a random
// UUID, made once, so the server tells workstations apart whatever their
// computer names) and the runs the central server has confirmed: every run
// not listed is waiting to be sent.
constexpr std::string_view kVersion3 = R"sql(
CREATE TABLE workstation_identity (
    singleton INTEGER PRIMARY KEY CHECK (singleton = 1),
    station_id TEXT NOT NULL
);
INSERT INTO workstation_identity (singleton, station_id)
    SELECT 1, lower(substr(h, 1, 8) || '-' || substr(h, 9, 4) || '-4' || substr(h, 14, 3) || '-' ||
                    substr('89ab', 1 + (instr('0123456789ABCDEF', substr(h, 17, 1)) - 1) % 4, 1) ||
                    substr(h, 18, 3) || '-' || substr(h, 21, 12))
    FROM (SELECT hex(randomblob(16)) AS h);
CREATE TABLE central_sent (
    run_id TEXT PRIMARY KEY,
    sent_utc INTEGER NOT NULL,
    server_seq INTEGER NOT NULL
) WITHOUT ROWID;
)sql";

constexpr std::array<std::string_view, 3> kMigrations = {kVersion1, kVersion2, kVersion3};

}  // namespace

std::optional<int> StoreSchemaVersion(SqliteDb& db) {
    const auto v = db.QueryInt("PRAGMA user_version");
    if (!v || *v < 0 || *v > 1'000'000) return std::nullopt;
    return static_cast<int>(*v);
}

bool MigrateStore(SqliteDb& db, int target, std::string& message) {
    for (;;) {
        SqliteTransaction tx(db);
        if (!tx.Began()) {
            message = db.Error();
            return false;
        }
        const auto version = StoreSchemaVersion(db);
        if (!version) {
            message = db.Error();
            return false;
        }
        if (*version > static_cast<int>(kMigrations.size())) {
            message = "база данных записана более новой версией программы"_cp;
            return false;
        }
        if (*version >= target) return tx.Commit() || (message = db.Error(), false);
        const std::size_t step = static_cast<std::size_t>(*version);
        if (!db.Exec(kMigrations[step]) ||
            !db.Exec("PRAGMA user_version = " + std::to_string(*version + 1)) || !tx.Commit()) {
            message = db.Error();
            return false;
        }
    }
}

}  // namespace gvc
