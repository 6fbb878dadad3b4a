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

// Version 4: records that tell one story. The run's write into the sensor at
// its start and the restore at its end, the computed result, a copy of the
// reference cylinder (a later edit of the cylinder does not rewrite a run),
// and how and when the row came in. Runs under way are kept in runs_open
// from before their first write into the sensor until they end, so that a
// crash leaves a run that says it is unfinished. store_origin says when and
// how the database was made.
constexpr std::string_view kVersion4 = R"sql(
ALTER TABLE runs ADD COLUMN params_write INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN restore INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN before_unknown INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN computed_slope INTEGER;
ALTER TABLE runs ADD COLUMN computed_offset INTEGER;
ALTER TABLE runs ADD COLUMN cylinder_gas_code INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN cylinder_gas_text TEXT NOT NULL DEFAULT '';
ALTER TABLE runs ADD COLUMN cylinder_concentration REAL;
ALTER TABLE runs ADD COLUMN cylinder_unit TEXT NOT NULL DEFAULT '';
ALTER TABLE runs ADD COLUMN cylinder_lot TEXT NOT NULL DEFAULT '';
ALTER TABLE runs ADD COLUMN cylinder_expiry TEXT NOT NULL DEFAULT '';
ALTER TABLE runs ADD COLUMN recorded_from INTEGER NOT NULL DEFAULT 0;
ALTER TABLE runs ADD COLUMN recorded_utc INTEGER;
CREATE TABLE runs_open (
    run_id TEXT PRIMARY KEY,
    updated_utc INTEGER NOT NULL,
    record BLOB NOT NULL
) WITHOUT ROWID;
CREATE TABLE store_origin (
    singleton INTEGER PRIMARY KEY CHECK (singleton = 1),
    created_utc INTEGER NOT NULL,
    imported_records INTEGER NOT NULL,
    rebuilt INTEGER NOT NULL
);
)sql";

constexpr std::array<std::string_view, 4> kMigrations = {kVersion1, kVersion2, kVersion3, kVersion4};

}  // namespace

std::optional<int> StoreSchemaVersion(SqliteDb& db) {
    const auto v = db.QueryInt("PRAGMA user_version");
    if (!v || *v < 0 || *v > 1'000'000) return std::nullopt;
    return static_cast<int>(*v);
}

bool MigrateStore(SqliteDb& db, int target, std::string& message) {
    // Only a migration that is due takes the write lock: opening a current
    // database never waits for another writer.
    if (const auto version = StoreSchemaVersion(db); version && *version == target) return true;
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
