// The workstation's calibration database: every run with its series, the
// reference gas cylinders, and a hash chain over the runs. One SQLite file in
// WAL mode with synchronous=FULL, so a run reported saved survives a power cut.
// The report log and the certificates stay the files of record; the database
// is kept beside them. Texts are Windows-1251.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/run_record.h"
#include "store/cylinder.h"
#include "util/calendar.h"

namespace gvc {

class SqliteDb;

// The schema this program writes; older files are migrated on open.
inline constexpr int kStoreSchemaVersion = 4;

// One run as the database holds it.
struct StoredRun {
    std::int64_t id = 0;  // the row's number, in order of recording
    RunRecord record;
    std::optional<CivilDate> endOfUse;  // from the certificate, when it had one
    std::string prevHash;               // lower-case hex; empty for the first row
    std::string rowHash;
};

// A query's rows, or why there are none.
template <class T>
struct StoreRead {
    bool ok = false;
    std::string message;  // Windows-1251; empty when ok
    T value{};
};

// A sensor whose newest saved calibration is due.
struct StoreDueSensor {
    std::string sensorNumber;
    std::string gasText;
    CivilDate calibrated;
    CivilDate nextCalibration;
    std::optional<CivilDate> endOfUse;
    std::int64_t daysLeft = 0;  // negative when overdue
    bool endOfUsePassed = false;
};

class CalibrationStore {
public:
    ~CalibrationStore();
    CalibrationStore(const CalibrationStore&) = delete;
    CalibrationStore& operator=(const CalibrationStore&) = delete;

    // Opens (creating when missing) and migrates the database at `file`.
    // Nothing, with the reason in `message`, when it cannot be opened,
    // is damaged, locked or read-only.
    static std::unique_ptr<CalibrationStore> Open(const std::filesystem::path& file, std::string& message);
    // Opens an existing database for reading only: never creates, migrates
    // or writes anything, takes no write lock, and reads a read-only copy (a
    // file nobody may write, on read-only media) as well. An older schema is
    // read as it is.
    static std::unique_ptr<CalibrationStore> OpenReadOnly(const std::filesystem::path& file,
                                                          std::string& message);

    const std::filesystem::path& File() const { return file_; }
    // The version the file had before this open migrated it (0 for a new file).
    int VersionFound() const { return versionFound_; }
    bool IsNew() const { return versionFound_ == 0; }
    bool IsReadOnly() const { return readOnly_; }
    // The schema version the rows are read with.
    int Version() const { return version_; }

    // Appends the run, chained to the last row, and removes its entry of the
    // runs under way. A run whose runId is already stored is not added again
    // (true). A run without recordedUtc gets the time now. False with the
    // reason on a failure; the database is then unchanged.
    bool AddRun(const RunRecord& run, std::string& message, std::optional<CivilDate> endOfUse = std::nullopt);
    bool HasRun(std::string_view runId);

    // The run under way as it stands (kept before each write into the sensor
    // or a file of record, replaced by its row when it ends).
    bool SaveOpenRun(const RunRecord& run, std::string& message);
    // The runs under way or left unfinished by a stop, oldest first.
    StoreRead<std::vector<RunRecord>> OpenRuns();

    // How the database was made: when, and how many records a new database
    // took in from the files of record (nothing for a database made before
    // this was recorded).
    struct Origin {
        std::int64_t createdUtc = 0;
        std::int64_t importedRecords = 0;
    };
    StoreRead<std::optional<Origin>> ReadOrigin();
    bool WriteOrigin(const Origin& origin, std::string& message);

    // Every run, oldest first.
    StoreRead<std::vector<StoredRun>> AllRuns();
    // One sensor's runs (by its number as the report record prints it), oldest first.
    StoreRead<std::vector<StoredRun>> SensorRuns(std::string_view sensorNumber);
    // The runs whose report record was written (saved, or imported from the
    // log), oldest first: what the report log holds.
    StoreRead<std::vector<StoredRun>> LoggedRuns();
    // The sensors whose newest calibration with a next-calibration date is
    // past or at most `withinDays` away, by that date, then sensor number.
    StoreRead<std::vector<StoreDueSensor>> DueList(const CivilDate& today, std::int64_t withinDays);
    StoreRead<std::int64_t> RunCount();

    // Cylinders. AddCylinder gives the new id (0 with the reason on failure).
    std::int64_t AddCylinder(const Cylinder& cylinder, std::string& message);
    StoreRead<std::vector<Cylinder>> Cylinders(bool withRetired);
    // The cylinders of one gas that are not retired (expired ones included:
    // the caller says why they cannot be chosen).
    StoreRead<std::vector<Cylinder>> CylindersForGas(int gasCode);
    StoreRead<std::optional<Cylinder>> FindCylinder(std::int64_t id);
    // False with the reason when there is no such cylinder or the write failed.
    bool RetireCylinder(std::int64_t id, std::string& message);

    // For the database's own parts (import, verify, tests).
    SqliteDb& Db() { return *db_; }

private:
    CalibrationStore(std::unique_ptr<SqliteDb> db, std::filesystem::path file, int versionFound, int version,
                     bool readOnly);
    std::unique_ptr<SqliteDb> db_;
    std::filesystem::path file_;
    int versionFound_ = 0;
    int version_ = kStoreSchemaVersion;
    bool readOnly_ = false;
};

// The native path of D:\ВЕЛМОР_Датчики\calibrations.sqlite and of its outbox.
std::filesystem::path DefaultStoreFile();
std::filesystem::path DefaultOutboxDir();

}  // namespace gvc
