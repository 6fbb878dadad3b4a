// Forgeries and faults made by hand against a real database file, its due
// list, its outbox and its readers: each must be caught, refused, or leave
// the evidence as it was.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "history_fixtures.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/run_texts.h"
#include "store/sqlite_db.h"
#include "store/store_import.h"
#include "store/store_outbox.h"
#include "store/store_recovery.h"
#include "store/store_schema.h"
#include "store/store_verify.h"
#include "store_fixtures.h"
#include "util/sha256.h"

namespace gvc {
namespace {

namespace fs = std::filesystem;

std::int64_t UtcNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool Names(const std::vector<std::string>& texts, std::string_view part) {
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

// What db verify said, in UTF-8.
struct Verified {
    bool ok = false;
    std::int64_t rows = 0;
    std::vector<std::string> differences;
    std::vector<std::string> notices;
};

class StoreForgery : public testing::StoreRoot {
protected:
    // "03-01.00.000.10n": one sensor per run number.
    static std::string Sensor(int n) { return "03-01.00.000." + std::to_string(100 + n); }

    static std::string Line(int n) {
        testing::LogLine l;
        l.sensor = Sensor(n);
        l.time = "10:22:" + std::string(n < 10 ? "0" : "") + std::to_string(n);
        return testing::RecordLine(l);
    }

    // A saved run of its own sensor whose record line the log holds.
    static RunRecord Run(int n) {
        RunRecord r = testing::FullRun(n);
        r.sensorNumber = Sensor(n);
        r.reportRecordLine = Line(n);
        return r;
    }

    void WriteLog(const std::vector<int>& runs) {
        std::vector<std::string> lines;
        for (const int n : runs)
            lines.push_back(Line(n));
        const fs::path log = Native(locations::ReportLogPath);
        fs::create_directories(log.parent_path());
        std::ofstream(log, std::ios::binary | std::ios::trunc) << testing::LogBytes(lines);
        ASSERT_TRUE(fs::is_regular_file(log));
    }

    // A new database with runs 1 and 2, and the log of both.
    std::unique_ptr<CalibrationStore> TwoRuns() {
        auto store = OpenStore();
        std::string message;
        EXPECT_TRUE(store->AddRun(Run(1), message)) << Utf8FromCp1251(message);
        EXPECT_TRUE(store->AddRun(Run(2), message)) << Utf8FromCp1251(message);
        WriteLog({1, 2});
        return store;
    }

    Verified Verify(CalibrationStore& store, const fs::path& outbox = {}) {
        const StoreVerifyReport report = VerifyStore(store, places_.files, outbox);
        Verified v{report.ok, report.rows, {}, {}};
        for (const std::string& d : report.differences)
            v.differences.push_back(Utf8FromCp1251(d));
        for (const std::string& n : report.notices)
            v.notices.push_back(Utf8FromCp1251(n));
        return v;
    }

    // A fresh data tree for the next case of a table.
    void Renew() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        SetUp();
    }
};

// Every value of a row must be of its column's type, or the row is not read:
// the hash covers the value as read, and a value of another type reads as a
// number or text its bytes are not. The chain and the due list against the rows.
TEST_F(StoreForgery, EveryEditOfTheRowsOrTheDueListIsNamed) {
    constexpr const char* kWrongType = "строка 1 базы данных: значения не читаются или не того типа";
    // Row 1 edited by someone who also made its hash again (the content's
    // hash is no secret): only the next row's link tells.
    RunRecord edited = Run(1);
    edited.operatorName = Cp1251FromUtf8("Петров");
    const std::string rehashed = ChainHash(EncodeRun(edited, std::nullopt), "");
    struct Forgery {
        const char* name;
        std::string sql;
        const char* named;               // UTF-8 part of a difference
        const char* notNamed = nullptr;  // UTF-8 part no difference may hold
    };
    const Forgery forgeries[] = {
        {"an integer column given a real", "UPDATE runs SET after_slope = 50000.9 WHERE id = 1", kWrongType},
        {"an integer column given text", "UPDATE runs SET after_slope = '7433 (edited)' WHERE id = 1",
         kWrongType},
        // Text and reals that SQLite reads as the integer the row held.
        {"an integer column given a real that reads as its value",
         "UPDATE runs SET after_slope = after_slope + 0.4 WHERE id = 1", kWrongType},
        {"an integer column given text that reads as its value",
         "UPDATE runs SET after_slope = after_slope || ' (edited)' WHERE id = 1", kWrongType},
        {"a real column given text", "UPDATE runs SET range_top = '200.5 (edited)' WHERE id = 1", kWrongType},
        {"a text column given an integer-looking blob",
         "UPDATE runs SET operator_name = X'3132' WHERE id = 1", kWrongType},
        {"a text column given its own bytes as a blob",
         "UPDATE runs SET operator_name = CAST(operator_name AS BLOB) WHERE id = 1", kWrongType},
        {"a series column given text", "UPDATE runs SET zero_series = '1020,1021' WHERE id = 1", kWrongType},
        {"a series column given its own bytes as text",
         "UPDATE runs SET reference_series = CAST(reference_series AS TEXT) WHERE id = 1", kWrongType},
        {"a time given its own bytes as a blob",
         "UPDATE runs SET end_local = CAST(end_local AS BLOB) WHERE id = 1", kWrongType},
        {"a date given a number", "UPDATE runs SET next_calibration = 20990101 WHERE id = 1", kWrongType},
        {"a row edited", "UPDATE runs SET operator_name = 'someone' WHERE id = 2",
         "строка 2 базы данных: содержимое изменено"},
        {"a row edited with its hash made again",
         "UPDATE runs SET operator_name = 'Петров', row_hash = '" + rehashed + "' WHERE id = 1",
         "строка 2 базы данных: не совпадает ссылка на предыдущую строку", "строка 1 базы данных"},
        {"a due date moved", "UPDATE sensor_latest SET next_calibration = '2099-01-01'",
         "список сроков: у датчика 03-01.00.000.101 срок 2099-01-01, по записям базы данных 2027-05-14"},
        {"the due list emptied", "DELETE FROM sensor_latest", "список сроков: нет датчика 03-01.00.000.102"},
        {"a sensor never calibrated added",
         "INSERT INTO sensor_latest (sensor_number, run_row, calibrated, next_calibration, gas_text, "
         "end_of_use) VALUES ('03-01.00.000.999', 1, '2026-05-14 10:22:01', '2099-01-01', 'CO', NULL)",
         "список сроков: у датчика 03-01.00.000.999 нет градуировки в базе данных"},
    };
    for (const Forgery& f : forgeries) {
        SCOPED_TRACE(f.name);
        Renew();
        auto store = TwoRuns();
        ASSERT_TRUE(store);
        const auto runs = store->AllRuns();
        ASSERT_TRUE(runs.ok);
        // The forger's hash is the one the program makes for that content.
        ASSERT_EQ(runs.value.at(0).rowHash, ChainHash(EncodeRun(Run(1), std::nullopt), ""));
        ASSERT_TRUE(Verify(*store).ok) << ::testing::PrintToString(Verify(*store).differences);

        ASSERT_TRUE(store->Db().Exec(f.sql)) << Utf8FromCp1251(store->Db().Error());
        const Verified v = Verify(*store);
        EXPECT_FALSE(v.ok);
        EXPECT_TRUE(Names(v.differences, f.named)) << f.named << "\n"
                                                   << ::testing::PrintToString(v.differences);
        if (f.notNamed != nullptr) {
            EXPECT_FALSE(Names(v.differences, f.notNamed)) << ::testing::PrintToString(v.differences);
        }
        // A row that does not read is shown to nobody as if it were the run.
        if (f.named == kWrongType) {
            EXPECT_FALSE(store->AllRuns().ok);
        }
    }
}

// The cylinders table is no evidence: a run keeps its own copy of the
// cylinder it used, and a later edit of the entry changes no run.
TEST_F(StoreForgery, ARewrittenCylinderChangesNoRun) {
    auto store = OpenStore();
    std::string message;
    Cylinder used{0, 3, "CO", 50.0, Cp1251FromUtf8("мг/м3"), Cp1251FromUtf8("ПГС-17"), {2027, 1, 31}, false};
    used.id = store->AddCylinder(used, message);
    ASSERT_GT(used.id, 0) << Utf8FromCp1251(message);
    RunRecord run = Run(1);
    run.cylinderId = used.id;
    run.cylinder =
        RunCylinder{used.gasCode, used.gasText, used.concentration, used.unitText, used.lot, used.expiry};
    ASSERT_TRUE(store->AddRun(run, message));
    WriteLog({1});

    ASSERT_TRUE(
        store->Db().Exec("UPDATE cylinders SET lot = 'ПГС-99', concentration = 75.5, "
                         "expiry = '2031-12-31' WHERE id = " +
                         std::to_string(used.id)));
    std::map<std::int64_t, Cylinder> cylinders;
    for (const Cylinder& c : store->Cylinders(true).value)
        cylinders[c.id] = c;
    ASSERT_EQ(Utf8FromCp1251(cylinders.at(used.id).lot), "ПГС-99");

    const auto runs = store->AllRuns();
    ASSERT_TRUE(runs.ok);
    const RunRecord& stored = runs.value.at(0).record;
    EXPECT_EQ(stored.cylinder, run.cylinder);
    EXPECT_EQ(Utf8FromCp1251(CylinderText(stored, cylinders)), Utf8FromCp1251(CylinderText(used)));
    EXPECT_NE(CylinderText(stored, cylinders), CylinderText(cylinders.at(used.id)));
    const Verified v = Verify(*store);
    EXPECT_TRUE(v.ok) << ::testing::PrintToString(v.differences);
}

// Outbox files are evidence too: one edited by hand, one without its digest
// and one invented (with a digest made for it) are each named while they
// wait; only a file whose digest holds goes in, and an invented record then
// shows against the log.
TEST_F(StoreForgery, OutboxFilesAreCheckedAndNamed) {
    auto store = OpenStore();
    std::string message;
    ASSERT_TRUE(store->AddRun(Run(1), message));
    WriteLog({1, 2});  // run 2's record was written; its row waits in the outbox
    const fs::path& outbox = places_.outbox;
    auto written = [&](const RunRecord& run) {
        std::set<fs::path> before;
        for (const auto& e : fs::directory_iterator(outbox))
            before.insert(e.path());
        EXPECT_TRUE(WriteToOutbox(outbox, run, std::nullopt, message)) << Utf8FromCp1251(message);
        for (const auto& e : fs::directory_iterator(outbox))
            if (before.count(e.path()) == 0) return e.path();
        return fs::path();
    };
    fs::create_directories(outbox);
    const fs::path good = written(Run(2));
    const fs::path edited = written(Run(3));
    {
        std::string bytes = ReadFileBytes(edited, 1 << 20).value();
        const std::size_t at = bytes.find(Cp1251FromUtf8("Иванов"));
        ASSERT_NE(at, std::string::npos);
        bytes[at + 1] = static_cast<char>(bytes[at + 1] + 1);
        std::ofstream(edited, std::ios::binary | std::ios::trunc) << bytes;
    }
    const fs::path raw = outbox / "1778750404_raw.run";
    std::ofstream(raw, std::ios::binary) << EncodeRun(Run(4), std::nullopt);
    RunRecord inventedRun = Run(5);
    const std::string payload = EncodeRun(inventedRun, std::nullopt);
    const fs::path invented = outbox / "1778750405_invented.run";
    std::ofstream(invented, std::ios::binary) << "GVCOUT1\n" + Sha256Hex(payload) + "\n" + payload;

    const Verified waiting = Verify(*store, outbox);
    EXPECT_FALSE(waiting.ok);
    for (const fs::path& file : {good, edited, raw, invented})
        EXPECT_TRUE(Names(waiting.differences, file.filename().string()))
            << file << "\n"
            << ::testing::PrintToString(waiting.differences);

    const std::int64_t flushed = UtcNow();
    const OutboxFlush flush = FlushOutbox(*store, outbox, places_.files, false);
    EXPECT_EQ(flush.added, 2);
    EXPECT_EQ(flush.left, 2);
    std::vector<std::string> problems;
    for (const std::string& p : flush.problems)
        problems.push_back(Utf8FromCp1251(p));
    ASSERT_EQ(problems.size(), 2u) << ::testing::PrintToString(problems);
    EXPECT_TRUE(Names(problems, edited.filename().string() + ": контрольная сумма не совпадает"));
    EXPECT_TRUE(Names(problems, raw.filename().string() + ": запись повреждена или сделана не программой"));
    EXPECT_TRUE(fs::exists(edited));
    EXPECT_TRUE(fs::exists(raw));
    EXPECT_FALSE(fs::exists(good));

    const auto runs = store->AllRuns();
    ASSERT_TRUE(runs.ok);
    ASSERT_EQ(runs.value.size(), 3u);
    const RunRecord& moved = runs.value.at(1).record;
    EXPECT_EQ(moved.runId, Run(2).runId);
    EXPECT_EQ(moved.recordedFrom, RecordedFrom::kOutbox);
    ASSERT_TRUE(moved.recordedUtc);
    EXPECT_GE(*moved.recordedUtc, flushed);

    // The invented run's record was never written to the log.
    const Verified after = Verify(*store, outbox);
    EXPECT_FALSE(after.ok);
    EXPECT_TRUE(Names(after.differences, "строка 3 базы данных: её записи нет в журнале"))
        << ::testing::PrintToString(after.differences);
    EXPECT_TRUE(Names(after.differences, edited.filename().string()));
    EXPECT_TRUE(Names(after.differences, raw.filename().string()));
    EXPECT_FALSE(Names(after.differences, good.filename().string()));
    EXPECT_FALSE(Names(after.differences, "строка 2"));
}

// Takes a fault away when the case ends, however it ends.
struct Undo {
    std::function<void()> undo;
    void Now() {
        if (undo) std::exchange(undo, nullptr)();
    }
    ~Undo() { Now(); }
};

// A reader leaves the file as it found it: no migration, no write, no flush
// of the outbox, whether the file may not be written at all or its original
// is held by a writer.
TEST_F(StoreForgery, ReadersNeverWrite) {
    struct Schema {
        const char* name;
        int version;
    };
    const Schema schemas[] = {{"current schema", kStoreSchemaVersion}, {"older schema", 3}};
    struct Guard {
        const char* name;
        // Protects the database; gives the file to read and what undoes it.
        std::function<fs::path(std::function<void()>&)> make;
    };
    const Guard guards[] = {
        {"a file nobody may write in a directory nobody may write",
         [this](std::function<void()>& undo) {
             const fs::path file = places_.database;
             const fs::path dir = file.parent_path();
             using p = fs::perms;
             fs::permissions(file, p::owner_read | p::group_read | p::others_read);
             fs::permissions(dir, p::owner_read | p::owner_exec | p::group_read | p::group_exec |
                                      p::others_read | p::others_exec);
             // Permissions do not stop root: a root test process checks
             // files as an ordinary user while it reads.
             const bool root = ::geteuid() == 0;
             if (root) {
                 for (fs::path up = dir.parent_path(); up != root_.parent_path(); up = up.parent_path())
                     fs::permissions(up, p::others_read | p::others_exec, fs::perm_options::add);
                 ::setfsgid(65534);
                 ::setfsuid(65534);
             }
             EXPECT_FALSE(std::ofstream(file, std::ios::binary | std::ios::app).is_open());
             undo = [file, dir, root] {
                 if (root) {
                     ::setfsuid(0);
                     ::setfsgid(0);
                 }
                 fs::permissions(dir, p::owner_all);
                 fs::permissions(file, p::owner_read | p::owner_write);
             };
             return file;
         }},
        {"a copy, while another connection holds the original's write lock",
         [this](std::function<void()>& undo) {
             const fs::path copy = places_.database.parent_path() / "copy.sqlite";
             fs::copy_file(places_.database, copy);
             auto writer = std::make_shared<SqliteDb>(places_.database, false);
             EXPECT_TRUE(writer->Exec("BEGIN IMMEDIATE")) << Utf8FromCp1251(writer->Error());
             undo = [writer] { writer->Exec("ROLLBACK"); };
             return copy;
         }},
    };
    for (const Schema& schema : schemas) {
        for (const Guard& guard : guards) {
            SCOPED_TRACE(std::string(schema.name) + ", " + guard.name);
            Renew();
            std::string message;
            if (schema.version == kStoreSchemaVersion) {
                auto store = OpenStore();
                ASSERT_TRUE(store->AddRun(Run(1), message));
            } else {
                SqliteDb db(places_.database, true);
                ASSERT_TRUE(MigrateStore(db, schema.version, message)) << Utf8FromCp1251(message);
                ASSERT_TRUE(InsertRunRow(db, Run(1), std::nullopt, schema.version, message))
                    << Utf8FromCp1251(message);
            }
            WriteLog({1});
            ASSERT_TRUE(WriteToOutbox(places_.outbox, Run(2), std::nullopt, message));

            Undo undo;
            const fs::path file = guard.make(undo.undo);
            const std::string bytes = ReadFileBytes(file, 1 << 24).value();
            {
                auto store = CalibrationStore::OpenReadOnly(file, message);
                ASSERT_TRUE(store) << Utf8FromCp1251(message);
                EXPECT_TRUE(store->IsReadOnly());
                EXPECT_EQ(store->Version(), schema.version);
                const auto runs = store->AllRuns();
                EXPECT_TRUE(runs.ok) << Utf8FromCp1251(runs.message);
                ASSERT_EQ(runs.value.size(), 1u);
                EXPECT_EQ(runs.value[0].record.runId, Run(1).runId);
                const Verified v = Verify(*store, places_.outbox);
                EXPECT_EQ(v.rows, 1);
                // The waiting run is the one difference.
                ASSERT_EQ(v.differences.size(), 1u) << ::testing::PrintToString(v.differences);
                EXPECT_NE(v.differences[0].find(" ждет в папке ожидания"), std::string::npos);
            }
            undo.Now();
            EXPECT_TRUE(ReadFileBytes(file, 1 << 24).value() == bytes);
            SqliteDb after(file, SqliteDb::ReadOnly::kImmutable);
            EXPECT_EQ(after.QueryInt("PRAGMA user_version"), schema.version);
            EXPECT_EQ(OutboxCount(places_.outbox), 1);
        }
    }
}

// A reader does not wait for a writer: what the writer has not committed is
// not there yet.
TEST_F(StoreForgery, AReaderReadsPastAnOpenWrite) {
    {
        auto store = OpenStore();
        std::string message;
        ASSERT_TRUE(store->AddRun(Run(1), message));
    }
    WriteLog({1});
    SqliteDb writer(places_.database, false);
    ASSERT_TRUE(writer.Exec("BEGIN IMMEDIATE"));
    std::string message;
    ASSERT_TRUE(InsertRunRow(writer, Run(2), std::nullopt, kStoreSchemaVersion, message))
        << Utf8FromCp1251(message);
    {
        auto reader = CalibrationStore::OpenReadOnly(places_.database, message);
        ASSERT_TRUE(reader) << Utf8FromCp1251(message);
        const auto runs = reader->AllRuns();
        ASSERT_TRUE(runs.ok) << Utf8FromCp1251(runs.message);
        EXPECT_EQ(runs.value.size(), 1u);
        const Verified v = Verify(*reader);
        EXPECT_TRUE(v.ok) << ::testing::PrintToString(v.differences);
    }
    EXPECT_TRUE(writer.Exec("ROLLBACK"));
}

// A database made now from the files of record already there: those rows
// are its past, no difference. The workstation's own run follows.
class StoreForgeryImport : public StoreForgery {
protected:
    void SetUp() override {
        StoreForgery::SetUp();
        WriteLog({3});
        StoreSession session = OpenWorkstationStore(places_);
        ASSERT_TRUE(session.store) << Utf8FromCp1251(session.message);
        ASSERT_TRUE(session.imported);
        ASSERT_EQ(session.import.added, 1);
        store_ = std::move(session.store);
        // Made a while ago; the workstation's own run came later.
        ASSERT_TRUE(store_->Db().Exec("UPDATE store_origin SET created_utc = created_utc - 100"));
        RunRecord own = Run(1);
        own.recordedUtc = UtcNow() - 50;
        std::string message;
        ASSERT_TRUE(store_->AddRun(own, message)) << Utf8FromCp1251(message);
        WriteLog({3, 1});
    }
    std::unique_ptr<CalibrationStore> store_;
};

TEST_F(StoreForgeryImport, RecordsImportedWhenTheDatabaseWasMadeAreNotNamed) {
    const Verified v = Verify(*store_);
    EXPECT_TRUE(v.ok) << ::testing::PrintToString(v.differences);
    EXPECT_FALSE(Names(v.differences, "внесена из файлов"));
}

TEST_F(StoreForgeryImport, ARecordImportedAfterTheWorkstationsOwnRunIsNamed) {
    // A record appears in the log that no run of this workstation wrote, and
    // an import takes it in.
    WriteLog({3, 1, 4});
    const ImportSummary import = ImportRecordFiles(*store_, places_.files);
    ASSERT_TRUE(import.ok) << Utf8FromCp1251(import.message);
    ASSERT_EQ(import.added, 1);
    const Verified v = Verify(*store_);
    EXPECT_FALSE(v.ok);
    EXPECT_TRUE(Names(v.differences, "строка 3 базы данных: запись внесена из файлов"))
        << ::testing::PrintToString(v.differences);
}

// Runs a stop left under way: said while they wait, never taken for
// imported calibrations, closed as unfinished rows at the next start, and
// their sensors due at once.
TEST_F(StoreForgery, ARunLeftUnderWayIsClosedAsUnfinished) {
    struct Stop {
        const char* name;
        int n;
        std::function<void(RunRecord&)> during;
    };
    const Stop stops[] = {
        {"during the write of the parameters at the start", 1,
         [](RunRecord& r) {
             r.paramsWrite = StepOutcome::kStarted;
             r.reportRecordLine.clear();
         }},
        {"during the report's write, its record in the log", 2,
         [](RunRecord& r) {
             r.paramsWrite = StepOutcome::kOk;
             r.saving.reportLog = StepOutcome::kStarted;
         }},
    };
    auto store = OpenStore();
    std::string message;
    for (const Stop& s : stops) {
        RunRecord r = Run(s.n);
        r.outcome = RunOutcome::kUnfinished;
        r.endUtc = 0;
        r.endLocal = {};
        r.saving = {};
        r.readBack = {};
        r.readBackDone = false;
        r.resultText.clear();
        r.certificateSha256.clear();
        r.nextCalibration.reset();
        r.recordedUtc.reset();
        s.during(r);
        ASSERT_TRUE(store->SaveOpenRun(r, message)) << Utf8FromCp1251(message);
    }
    WriteLog({2});

    const Verified waiting = Verify(*store);
    for (const Stop& s : stops)
        EXPECT_TRUE(Names(waiting.notices, Sensor(s.n))) << s.name << "\n"
                                                         << ::testing::PrintToString(waiting.notices);
    const ImportSummary import = ImportRecordFiles(*store, places_.files);
    EXPECT_TRUE(import.ok);
    EXPECT_EQ(import.added, 0);
    EXPECT_EQ(store->AllRuns().value.size(), 0u);
    store.reset();

    StoreSession session = OpenWorkstationStore(places_, true);
    ASSERT_TRUE(session.store) << Utf8FromCp1251(session.message);
    EXPECT_EQ(session.unfinished.size(), 2u);
    EXPECT_EQ(session.store->OpenRuns().value.size(), 0u);
    const auto runs = session.store->AllRuns();
    ASSERT_TRUE(runs.ok);
    ASSERT_EQ(runs.value.size(), 2u);
    const auto due = session.store->DueList({2026, 5, 14}, 0);
    ASSERT_TRUE(due.ok);
    for (std::size_t i = 0; i < 2; ++i) {
        const Stop& s = stops[i];
        SCOPED_TRACE(s.name);
        const RunRecord& row = runs.value[i].record;
        EXPECT_EQ(row.sensorNumber, Sensor(s.n));
        EXPECT_EQ(row.outcome, RunOutcome::kUnfinished);
        EXPECT_EQ(row.recordedFrom, RecordedFrom::kRecovered);
        EXPECT_TRUE(row.recordedUtc);
        EXPECT_TRUE(LeftSensorInvalid(row));
        bool listed = false;
        for (const StoreDueSensor& d : due.value)
            listed = listed || (d.sensorNumber == Sensor(s.n) && d.nextCalibration == CivilDate{2026, 5, 14});
        EXPECT_TRUE(listed);
        const std::string text = Utf8FromCp1251(UnfinishedRunText(row));
        EXPECT_NE(text.find(Sensor(s.n)), std::string::npos) << text;
        EXPECT_NE(text.find("отградуировать заново"), std::string::npos) << text;
    }
    // The record the second run wrote is its own row's now.
    EXPECT_EQ(runs.value[1].record.saving.reportLog, StepOutcome::kOk);
    const Verified closed = Verify(*session.store);
    EXPECT_TRUE(closed.ok) << ::testing::PrintToString(closed.differences);
    for (const Stop& s : stops)
        EXPECT_TRUE(Names(closed.notices, Sensor(s.n)));
}

}  // namespace
}  // namespace gvc
