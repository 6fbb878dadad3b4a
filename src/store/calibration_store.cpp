#include "store/calibration_store.h"

#include <sqlite3.h>

#include <system_error>

#include "records/locations.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "store/store_locations.h"
#include "store/store_schema.h"
#include "util/cp1251.h"
#include "util/native_path.h"

namespace gvc {

using namespace gvc::literals;

namespace {

template <class T>
StoreRead<T> Failure(SqliteDb& db) {
    StoreRead<T> read;
    read.message = db.Error();
    return read;
}

StoreRead<std::vector<StoredRun>> ReadRuns(SqliteDb& db, int version, const std::string& where,
                                           std::string_view bind) {
    const std::string sql =
        "SELECT id, prev_hash, row_hash, " + RunSelectColumns(version) + " FROM runs " + where;
    SqliteStatement st(db, sql);
    if (!st.Ok()) return Failure<std::vector<StoredRun>>(db);
    if (!bind.empty()) st.BindText(1, Utf8FromCp1251(bind));
    StoreRead<std::vector<StoredRun>> read;
    while (st.Step()) {
        auto row = ReadRunRow(st, version);
        if (!row) {
            read.message = std::string("строка "_cp) + std::to_string(st.Int(0)) +
                           std::string(" базы данных не читается"_cp);
            return read;
        }
        read.value.push_back(std::move(*row));
    }
    if (st.Failed()) return Failure<std::vector<StoredRun>>(db);
    read.ok = true;
    return read;
}

Cylinder ReadCylinder(const SqliteStatement& st, bool& ok) {
    Cylinder c;
    c.id = st.Int(0);
    const std::int64_t gas = st.Int(1);
    if (gas < 0 || gas > 255) ok = false;
    c.gasCode = static_cast<int>(gas);
    c.gasText = Cp1251FromUtf8(st.Text(2));
    c.concentration = st.Real(3);
    c.unitText = Cp1251FromUtf8(st.Text(4));
    c.lot = Cp1251FromUtf8(st.Text(5));
    const auto expiry = ParseIsoDate(st.Text(6));
    if (expiry) {
        c.expiry = *expiry;
    } else {
        ok = false;
    }
    c.retired = st.Int(7) != 0;
    return c;
}

StoreRead<std::vector<Cylinder>> ReadCylinders(SqliteDb& db, const std::string& where,
                                               std::optional<int> gas) {
    SqliteStatement st(
        db, "SELECT id, gas_code, gas_text, concentration, unit_text, lot, expiry, retired FROM cylinders " +
                where + " ORDER BY gas_code, expiry, id");
    if (!st.Ok()) return Failure<std::vector<Cylinder>>(db);
    if (gas) st.Bind(1, std::int64_t{*gas});
    StoreRead<std::vector<Cylinder>> read;
    while (st.Step()) {
        bool ok = true;
        Cylinder c = ReadCylinder(st, ok);
        if (ok) read.value.push_back(std::move(c));
    }
    if (st.Failed()) return Failure<std::vector<Cylinder>>(db);
    read.ok = true;
    return read;
}

}  // namespace

std::filesystem::path DefaultStoreFile() {
    return NativePath(locations::DatabasePath);
}
std::filesystem::path DefaultOutboxDir() {
    return NativePath(locations::OutboxDir);
}

CalibrationStore::CalibrationStore(std::unique_ptr<SqliteDb> db, std::filesystem::path file, int versionFound,
                                   int version, bool readOnly)
    : db_(std::move(db)),
      file_(std::move(file)),
      versionFound_(versionFound),
      version_(version),
      readOnly_(readOnly) {}

CalibrationStore::~CalibrationStore() = default;

std::unique_ptr<CalibrationStore> CalibrationStore::Open(const std::filesystem::path& file,
                                                         std::string& message) {
    auto db = std::make_unique<SqliteDb>(file, true);
    if (!db->Ok()) {
        message = db->Error();
        return nullptr;
    }
    if (sqlite3_db_readonly(db->Handle(), "main") == 1) {
        db->SetError(SQLITE_READONLY);
        message = db->Error();
        return nullptr;
    }
    const auto found = StoreSchemaVersion(*db);
    if (!found) {
        message = db->Error();
        return nullptr;
    }
    // WAL keeps readers and the writer apart; FULL syncs the log at every
    // commit, so a run reported saved survives a power cut.
    {
        SqliteStatement wal(*db, "PRAGMA journal_mode = WAL");
        if (!wal.Step() || wal.Text(0) != "wal") {
            if (db->Code() == 0) db->SetError(SQLITE_READONLY);
            message = db->Error();
            return nullptr;
        }
    }
    if (!db->Exec("PRAGMA synchronous = FULL") || !MigrateStore(*db, kStoreSchemaVersion, message)) {
        if (message.empty()) message = db->Error();
        return nullptr;
    }
    return std::unique_ptr<CalibrationStore>(
        new CalibrationStore(std::move(db), file, *found, kStoreSchemaVersion, false));
}

std::unique_ptr<CalibrationStore> CalibrationStore::OpenReadOnly(const std::filesystem::path& file,
                                                                 std::string& message) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        message = Cp1251PathText(file) + std::string(": базы данных нет"_cp);
        return nullptr;
    }
    // Shared first, so that a writer's newest commits are seen; a copy that
    // cannot take the read locks (no -shm beside it, read-only media) is read
    // as it stands.
    for (const auto mode : {SqliteDb::ReadOnly::kShared, SqliteDb::ReadOnly::kImmutable}) {
        auto db = std::make_unique<SqliteDb>(file, mode);
        const auto found = db->Ok() ? StoreSchemaVersion(*db) : std::nullopt;
        if (!found) {
            message = db->Error();
            continue;
        }
        if (*found == 0) {
            message = Cp1251PathText(file) + std::string(": это не база данных градуировок"_cp);
            return nullptr;
        }
        if (*found > kStoreSchemaVersion) {
            message = std::string("база данных записана более новой версией программы"_cp);
            return nullptr;
        }
        return std::unique_ptr<CalibrationStore>(
            new CalibrationStore(std::move(db), file, *found, *found, true));
    }
    return nullptr;
}

bool CalibrationStore::AddRun(const RunRecord& run, std::string& message, std::optional<CivilDate> endOfUse) {
    SqliteTransaction tx(*db_);
    if (!tx.Began()) {
        message = db_->Error();
        return false;
    }
    const bool known = HasRun(run.runId);
    if (db_->Code() != 0) {
        message = db_->Error();
        return false;
    }
    if (!known) {
        RunRecord stamped = run;
        if (!stamped.recordedUtc) stamped.recordedUtc = UtcSecondsNow();
        if (!InsertRunRow(*db_, stamped, endOfUse, kStoreSchemaVersion, message)) return false;
    }
    SqliteStatement done(*db_, "DELETE FROM runs_open WHERE run_id = ?");
    done.BindText(1, Utf8FromCp1251(run.runId));
    done.Step();
    if (!done.Ok() || done.Failed() || !tx.Commit()) {
        message = db_->Error();
        return false;
    }
    return true;
}

bool CalibrationStore::HasRun(std::string_view runId) {
    db_->ClearError();
    SqliteStatement st(*db_, "SELECT 1 FROM runs WHERE run_id = ?");
    st.BindText(1, Utf8FromCp1251(runId));
    return st.Step();
}

bool CalibrationStore::SaveOpenRun(const RunRecord& run, std::string& message) {
    SqliteStatement st(*db_,
                       "INSERT OR REPLACE INTO runs_open (run_id, updated_utc, record) VALUES (?, ?, ?)");
    st.BindText(1, Utf8FromCp1251(run.runId))
        .Bind(2, UtcSecondsNow())
        .BindBlob(3, EncodeRun(run, std::nullopt));
    st.Step();
    if (!st.Ok() || st.Failed()) {
        message = db_->Error();
        return false;
    }
    return true;
}

StoreRead<std::vector<RunRecord>> CalibrationStore::OpenRuns() {
    StoreRead<std::vector<RunRecord>> read;
    if (version_ < 4) {
        read.ok = true;
        return read;
    }
    SqliteStatement st(*db_, "SELECT run_id, record FROM runs_open ORDER BY updated_utc, run_id");
    if (!st.Ok()) return Failure<std::vector<RunRecord>>(*db_);
    while (st.Step()) {
        auto decoded = st.Type(1) == SQLITE_BLOB ? DecodeRun(st.Blob(1)) : std::nullopt;
        if (!decoded) {
            // What the run had recorded is damaged: its identity is all there is.
            RunRecord run;
            run.runId = Cp1251FromUtf8(st.Text(0));
            run.outcome = RunOutcome::kUnfinished;
            run.resultText = std::string("запись прогона повреждена"_cp);
            run.paramsWrite = StepOutcome::kStarted;
            read.value.push_back(std::move(run));
            continue;
        }
        read.value.push_back(std::move(decoded->run));
    }
    if (st.Failed()) return Failure<std::vector<RunRecord>>(*db_);
    read.ok = true;
    return read;
}

StoreRead<std::optional<CalibrationStore::Origin>> CalibrationStore::ReadOrigin() {
    StoreRead<std::optional<Origin>> read;
    if (version_ < 4) {
        read.ok = true;
        return read;
    }
    SqliteStatement st(*db_, "SELECT created_utc, imported_records, rebuilt FROM store_origin");
    if (!st.Ok()) return Failure<std::optional<Origin>>(*db_);
    if (st.Step()) read.value = Origin{st.Int(0), st.Int(1), st.Int(2) != 0};
    if (st.Failed()) return Failure<std::optional<Origin>>(*db_);
    read.ok = true;
    return read;
}

bool CalibrationStore::WriteOrigin(const Origin& origin, std::string& message) {
    SqliteStatement st(
        *db_,
        "INSERT OR IGNORE INTO store_origin (singleton, created_utc, imported_records, rebuilt) "
        "VALUES (1, ?, ?, ?)");
    st.Bind(1, origin.createdUtc)
        .Bind(2, origin.importedRecords)
        .Bind(3, std::int64_t{origin.rebuilt ? 1 : 0});
    st.Step();
    if (!st.Ok() || st.Failed()) {
        message = db_->Error();
        return false;
    }
    return true;
}

StoreRead<std::vector<StoredRun>> CalibrationStore::AllRuns() {
    return ReadRuns(*db_, version_, "ORDER BY id", {});
}

StoreRead<std::vector<StoredRun>> CalibrationStore::SensorRuns(std::string_view sensorNumber) {
    if (sensorNumber.empty()) return ReadRuns(*db_, version_, "WHERE sensor_number = '' ORDER BY id", {});
    return ReadRuns(*db_, version_, "WHERE sensor_number = ? ORDER BY id", sensorNumber);
}

StoreRead<std::vector<StoredRun>> CalibrationStore::LoggedRuns() {
    return ReadRuns(*db_, version_, "WHERE report_record_line <> '' AND step_report_log = 1 ORDER BY id", {});
}

StoreRead<std::vector<StoreDueSensor>> CalibrationStore::DueList(const CivilDate& today,
                                                                 std::int64_t withinDays) {
    const CivilDate last = DateFromDayNumber(DayNumber(today) + withinDays);
    SqliteStatement st(
        *db_,
        "SELECT sensor_number, gas_text, calibrated, next_calibration, end_of_use FROM sensor_latest "
        "WHERE next_calibration <= ? ORDER BY next_calibration, sensor_number");
    if (!st.Ok()) return Failure<std::vector<StoreDueSensor>>(*db_);
    st.BindText(1, IsoDateText(last));
    StoreRead<std::vector<StoreDueSensor>> read;
    while (st.Step()) {
        StoreDueSensor d;
        d.sensorNumber = Cp1251FromUtf8(st.Text(0));
        d.gasText = Cp1251FromUtf8(st.Text(1));
        const std::string calibrated = st.Text(2);
        const auto cal = ParseIsoDate(std::string_view(calibrated).substr(0, 10));
        const auto next = ParseIsoDate(st.Text(3));
        if (!cal || !next) continue;
        d.calibrated = *cal;
        d.nextCalibration = *next;
        if (!st.IsNull(4)) d.endOfUse = ParseIsoDate(st.Text(4));
        d.daysLeft = DayNumber(*next) - DayNumber(today);
        d.endOfUsePassed = d.endOfUse && *d.endOfUse < today;
        read.value.push_back(std::move(d));
    }
    if (st.Failed()) return Failure<std::vector<StoreDueSensor>>(*db_);
    read.ok = true;
    return read;
}

StoreRead<std::int64_t> CalibrationStore::RunCount() {
    StoreRead<std::int64_t> read;
    const auto n = db_->QueryInt("SELECT count(*) FROM runs");
    if (!n) return Failure<std::int64_t>(*db_);
    read.ok = true;
    read.value = *n;
    return read;
}

std::int64_t CalibrationStore::AddCylinder(const Cylinder& c, std::string& message) {
    if (!IsValidDate(c.expiry) || !(c.concentration > 0.0) || c.concentration > 1e9) {
        message = std::string("баллон: неверная концентрация или дата"_cp);
        return 0;
    }
    SqliteStatement st(
        *db_,
        "INSERT INTO cylinders (gas_code, gas_text, concentration, unit_text, lot, expiry, retired) "
        "VALUES (?, ?, ?, ?, ?, ?, 0)");
    st.Bind(1, std::int64_t{c.gasCode})
        .BindText(2, Utf8FromCp1251(c.gasText))
        .Bind(3, c.concentration)
        .BindText(4, Utf8FromCp1251(c.unitText))
        .BindText(5, Utf8FromCp1251(c.lot))
        .BindText(6, IsoDateText(c.expiry));
    st.Step();
    if (!st.Ok() || st.Failed()) {
        message = db_->Error();
        return 0;
    }
    return sqlite3_last_insert_rowid(db_->Handle());
}

StoreRead<std::vector<Cylinder>> CalibrationStore::Cylinders(bool withRetired) {
    return ReadCylinders(*db_, withRetired ? "" : "WHERE retired = 0", std::nullopt);
}

StoreRead<std::vector<Cylinder>> CalibrationStore::CylindersForGas(int gasCode) {
    return ReadCylinders(*db_, "WHERE retired = 0 AND gas_code = ?", gasCode);
}

StoreRead<std::optional<Cylinder>> CalibrationStore::FindCylinder(std::int64_t id) {
    StoreRead<std::optional<Cylinder>> read;
    auto all = Cylinders(true);
    if (!all.ok) {
        read.message = all.message;
        return read;
    }
    read.ok = true;
    for (Cylinder& c : all.value)
        if (c.id == id) read.value = std::move(c);
    return read;
}

bool CalibrationStore::RetireCylinder(std::int64_t id, std::string& message) {
    SqliteStatement st(*db_, "UPDATE cylinders SET retired = 1 WHERE id = ?");
    st.Bind(1, id);
    st.Step();
    if (!st.Ok() || st.Failed()) {
        message = db_->Error();
        return false;
    }
    if (sqlite3_changes(db_->Handle()) == 0) {
        message = std::string("нет баллона с номером "_cp) + std::to_string(id);
        return false;
    }
    return true;
}

}  // namespace gvc
