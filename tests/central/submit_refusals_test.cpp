// What the server keeps out of the laboratory's records, whatever a
// workstation login sends: a row hash that is no SHA-256 text, a run that ends
// after the server's clock, a run another workstation holds. And what it keeps
// of each sensor's newest calibration when a run claims to lie ahead.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

#include "central/central_outbox.h"
#include "central/central_reader.h"
#include "central/central_schema.h"
#include "central/central_sender.h"
#include "central/central_submit.h"
#include "read_fixture.h"
#include "send_fixture.h"
#include "store/run_codec.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

std::int64_t NowUtc() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The UTC clock's time `utc` as a local stamp (the server's clock and a
// workstation in UTC agree).
ReportTimestamp StampAt(std::int64_t utc) {
    const CivilDate d = DateFromDayNumber(utc / 86400);
    const int s = static_cast<int>(utc % 86400);
    return {d.day, d.month, d.year, s / 3600, s / 60 % 60, s % 60};
}

// A saved run of `sensor` that ended at `endUtc`, stamped in UTC.
StoredRun RunEndingAt(const std::string& id, const std::string& sensor, std::int64_t endUtc,
                      const CivilDate& next) {
    StoredRun row;
    row.id = 1;
    row.record = test::LabRun("WS-A", 1, sensor, DateFromDayNumber(endUtc / 86400), next);
    row.record.runId = id;
    row.record.startUtc = endUtc - 125;
    row.record.endUtc = endUtc;
    row.record.startLocal = StampAt(endUtc - 125);
    row.record.endLocal = StampAt(endUtc);
    row.rowHash = std::string(64, 'b');
    return row;
}

class SubmitRefusals : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Ok());
        settings_ = server_.NewLogin();
        std::string message;
        login_ = PgConnection::Connect(ConnectOptionsOf(settings_), message);
        ASSERT_TRUE(login_) << Utf8FromCp1251(message);
    }
    std::string Submit(const std::string& station, const StoredRun& row) {
        const PgResult r = login_->Exec(SubmitRunSql(), SubmitRunParams(station, "PC", row));
        if (!r.Ok() || r.Rows() != 1) return "error: " + Utf8FromCp1251(login_->Error());
        return r.Text(0, 0);
    }
    std::int64_t ServerRows() {
        const PgResult r = server_.Admin().Exec("SELECT count(*) FROM gvc.runs");
        return r.Ok() ? r.Int(0, 0).value_or(-1) : -1;
    }
    test::CentralServer server_{"refuse"};
    CentralSettings settings_;
    std::unique_ptr<PgConnection> login_;
};

constexpr const char* kStation = "6f1c3a52-8d0e-4c51-9a3e-0b5f2d7e9c41";
const std::string kSensor = "03-01.00.012.777";

TEST_F(SubmitRefusals, ForgedHashesAndRunsAheadOfTheServersClock) {
    const std::int64_t now = NowUtc();
    const CivilDate next{2027, 12, 1};
    const struct {
        const char* what;
        std::function<void(StoredRun&)> forge;
        const char* answer;
    } cases[] = {
        {"a row hash of three letters", [](StoredRun& r) { r.rowHash = "abc"; }, "refused hash"},
        {"a row hash in capitals", [](StoredRun& r) { r.rowHash = std::string(64, 'B'); }, "refused hash"},
        {"a row hash of 63 digits", [](StoredRun& r) { r.rowHash = std::string(63, 'b'); }, "refused hash"},
        {"a row hash with a blank", [](StoredRun& r) { r.rowHash = std::string(63, 'b') + " "; },
         "refused hash"},
        {"a previous hash that is no hash", [](StoredRun& r) { r.prevHash = "xyz"; }, "refused hash"},
        {"a run dated 2099",
         [](StoredRun& r) {
             r.record.endUtc = 4102444800;  // 2100-01-01
             r.record.endLocal = StampAt(r.record.endUtc);
         },
         "refused future"},
        {"an end an hour ahead of the server",
         [now](StoredRun& r) {
             r.record.endUtc = now + 3600;
             r.record.endLocal = StampAt(now + 3600);
         },
         "refused future"},
        {"a local end two days ahead, the UTC end honest",
         [now](StoredRun& r) { r.record.endLocal = StampAt(now + 2 * 86400); }, "refused future"},
    };
    for (const auto& c : cases) {
        StoredRun row = RunEndingAt(std::string("forged-") + c.what, kSensor, now - 60, next);
        c.forge(row);
        EXPECT_EQ(Submit(kStation, row), c.answer) << c.what;
    }
    EXPECT_EQ(ServerRows(), 0);
    // The same run honest, and one whose clock runs a little ahead (within
    // the margin), go in; a workstation in a time zone ahead of UTC too.
    StoredRun honest = RunEndingAt("honest", kSensor, now - 60, next);
    EXPECT_EQ(Submit(kStation, honest), "added");
    StoredRun ahead = RunEndingAt("slightly-ahead", kSensor, now + 120, next);
    ahead.prevHash = honest.rowHash;
    ahead.rowHash = std::string(64, 'c');
    EXPECT_EQ(Submit(kStation, ahead), "added");
    StoredRun east = RunEndingAt("east", kSensor, now - 30, next);
    east.record.endLocal = StampAt(now - 30 + 12 * 3600);
    east.prevHash = ahead.rowHash;
    east.rowHash = std::string(64, 'd');
    EXPECT_EQ(Submit(kStation, east), "added");
    EXPECT_EQ(ServerRows(), 3);
}

TEST_F(SubmitRefusals, ARunDatedAheadDoesNotKeepTheSensorOffTheDueList) {
    const std::int64_t now = NowUtc();
    // A run that claims its sensor good until 2099 and lies almost a day
    // ahead in local time (an end the server takes, within every time zone),
    // then the genuine calibration that finds the sensor due in a month.
    StoredRun forged = RunEndingAt("forged", kSensor, now + 300, {2099, 1, 1});
    forged.record.endLocal = StampAt(now + 13 * 3600);
    ASSERT_EQ(Submit(kStation, forged), "added");
    const CivilDate today = DateFromDayNumber(now / 86400);
    const CivilDate inAMonth = DateFromDayNumber(now / 86400 + 30);
    // Its end read after the forged run went in (one clock for both here).
    StoredRun genuine = RunEndingAt("genuine", kSensor, NowUtc(), inAMonth);
    genuine.prevHash = forged.rowHash;
    genuine.rowHash = std::string(64, 'c');
    ASSERT_EQ(Submit(kStation, genuine), "added");

    std::string message;
    CentralReader reader(PgConnection::Connect(ConnectOptionsOf(settings_), message));
    const auto due = reader.DueList(today, 60);
    ASSERT_TRUE(due.ok) << Utf8FromCp1251(due.message);
    ASSERT_EQ(due.value.size(), 1u);
    EXPECT_EQ(due.value[0].sensorNumber, kSensor);
    EXPECT_EQ(due.value[0].nextCalibration, inAMonth);
}

TEST_F(SubmitRefusals, ARunSentOnlyWhereItIsHeld) {
    // Workstation A sends its runs. B holds the same runs (its database built
    // from the same records under another identity, or one log imported on
    // two PCs): the server has them for A, not for B.
    test::Workstation a;
    ASSERT_TRUE(a.AddRuns("WSA", 1, 3));
    auto storeA = a.OpenStore();
    ASSERT_TRUE(SendPendingRuns(*storeA, settings_).complete);
    test::Workstation b;
    ASSERT_TRUE(b.AddRuns("WSA", 1, 3));
    ASSERT_TRUE(b.AddRuns("WSB", 4, 1));
    auto storeB = b.OpenStore();
    const SendResult r = SendPendingRuns(*storeB, server_.NewLogin());
    EXPECT_TRUE(r.connected);
    EXPECT_EQ(r.alreadyThere, 0);
    EXPECT_EQ(r.refused, 3);
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(r.left, 3);
    EXPECT_FALSE(r.complete);
    EXPECT_NE(r.message.find("WSA-2026-12-11-1"), std::string::npos) << Utf8FromCp1251(r.message);
    EXPECT_NE(r.message.find("другого рабочего места"_cp), std::string::npos) << Utf8FromCp1251(r.message);
    // Each of them named, once.
    ASSERT_EQ(r.refusals.size(), 3u);
    for (int n = 1; n <= 3; ++n)
        EXPECT_NE(r.refusals[static_cast<std::size_t>(n - 1)].find("WSA-2026-12-11-" + std::to_string(n)),
                  std::string::npos);
    // A itself, its marks lost, is still told "already".
    ASSERT_TRUE(storeA->Db().Exec("DELETE FROM central_sent"));
    const SendResult again = SendPendingRuns(*storeA, settings_);
    EXPECT_EQ(again.alreadyThere, 3);
    EXPECT_TRUE(again.complete);
}

TEST_F(SubmitRefusals, ARefusedRunStaysUnsentAndIsNamedWithItsReason) {
    test::Workstation station;
    auto store = station.OpenStore();
    std::string message;
    RunRecord early = test::SampleRun("WSC", 1);
    RunRecord ahead = test::SampleRun("WSC", 2);
    ahead.endUtc = 4102444800;
    ahead.endLocal = StampAt(ahead.endUtc);
    RunRecord later = test::SampleRun("WSC", 3);
    for (const RunRecord* run : {&early, &ahead, &later})
        ASSERT_TRUE(store->AddRun(*run, message)) << Utf8FromCp1251(message);
    const SendResult r = SendPendingRuns(*store, settings_);
    EXPECT_EQ(r.sent, 2);
    EXPECT_EQ(r.refused, 1);
    EXPECT_EQ(r.left, 1);
    EXPECT_NE(r.message.find(ahead.runId), std::string::npos) << Utf8FromCp1251(r.message);
    EXPECT_NE(r.message.find("позже часов сервера"_cp), std::string::npos) << Utf8FromCp1251(r.message);
}

TEST_F(SubmitRefusals, NoLoginCanHoldTheLocksOfTheSending) {
    // A login that holds the advisory locks the sending once used, and tries
    // to lock the rows it serialises on now: the sending goes on.
    ASSERT_TRUE(login_->Run("SELECT pg_advisory_lock(hashtextextended('gvc.sensor_latest', 0))"));
    test::Workstation station;
    ASSERT_TRUE(station.AddRuns("WSD", 1, 2));
    auto store = station.OpenStore();
    std::string message;
    const auto id = StationId(*store, message);
    ASSERT_TRUE(id);
    ASSERT_TRUE(login_->Run("SELECT pg_advisory_lock(hashtextextended('gvc.station " + *id + "', 0))"));
    for (const char* sql :
         {"SELECT 1 FROM gvc.workstations FOR UPDATE", "SELECT 1 FROM gvc.workstations FOR KEY SHARE",
          "SELECT 1 FROM gvc.submit_serial FOR SHARE", "LOCK TABLE gvc.sensor_latest IN SHARE MODE"}) {
        EXPECT_FALSE(login_->Run(std::string("BEGIN; ") + sql)) << sql;
        login_->Run("ROLLBACK");
    }
    // Waiting on a lock fails the send instead of hanging the test.
    setenv("PGOPTIONS", "-c lock_timeout=5s", 1);
    const SendResult r = SendPendingRuns(*store, settings_);
    unsetenv("PGOPTIONS");
    EXPECT_TRUE(r.complete) << Utf8FromCp1251(r.message);
    EXPECT_EQ(r.sent, 2);
}

TEST(SubmitRefusalsMigration, TheNewestCalibrationsAreRebuiltByReceipt) {
    // A laboratory's server at schema version 2 that took a run dated 2099
    // before a genuine one: the sensor is off its due list.
    test::TestDatabase db("refuse_migrate");
    ASSERT_TRUE(db.Ok());
    auto admin = db.Admin();
    ASSERT_TRUE(admin);
    for (const char* role : {"gvc_workstation", "gvc_reader"})
        ASSERT_TRUE(
            admin->Run(std::string("DO $$ BEGIN CREATE ROLE ") + role +
                       " NOLOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$"));
    ASSERT_TRUE(
        admin->Run("BEGIN; CREATE SCHEMA gvc; CREATE TABLE gvc.schema_version (version integer NOT NULL)"));
    for (std::size_t step = 0; step < 2; ++step)
        ASSERT_TRUE(admin->Run(CentralMigrations()[step])) << Utf8FromCp1251(admin->Error());
    ASSERT_TRUE(admin->Run("INSERT INTO gvc.schema_version VALUES (2); COMMIT"));
    auto submit = [&](const StoredRun& row) {
        // The server of then knew the fields of the workstation's schema 3.
        const PgResult r = admin->Exec(SubmitRunSql(3), SubmitRunParams(kStation, "PC", row, 3));
        ASSERT_TRUE(r.Ok() && r.Rows() == 1) << Utf8FromCp1251(admin->Error());
        EXPECT_EQ(r.Text(0, 0), "added");
    };
    StoredRun forged = RunEndingAt("forged", kSensor, 4102444800, {2099, 1, 1});
    submit(forged);
    // The genuine calibration ends after the forged run was received.
    const std::int64_t now = NowUtc();
    StoredRun genuine = RunEndingAt("genuine", kSensor, now, DateFromDayNumber(now / 86400 + 30));
    genuine.prevHash = forged.rowHash;
    genuine.rowHash = std::string(64, 'c');
    submit(genuine);
    const CivilDate today = DateFromDayNumber(now / 86400);
    EXPECT_TRUE(CentralReader(db.Admin()).DueList(today, 60).value.empty());

    std::string message;
    ASSERT_TRUE(MigrateCentral(*admin, message)) << Utf8FromCp1251(message);
    const auto due = CentralReader(db.Admin()).DueList(today, 60);
    ASSERT_TRUE(due.ok) << Utf8FromCp1251(due.message);
    ASSERT_EQ(due.value.size(), 1u);
    EXPECT_EQ(due.value[0].nextCalibration, DateFromDayNumber(now / 86400 + 30));
    // The rows sent before the run's later fields existed read as they were
    // hashed, and their hashes still hold.
    const auto runs = CentralReader(db.Admin()).AllRuns();
    ASSERT_TRUE(runs.ok) << Utf8FromCp1251(runs.message);
    ASSERT_EQ(runs.value.size(), 2u);
    for (const StoredRun& row : runs.value) {
        const StoredRun& sent = row.record.runId == "genuine" ? genuine : forged;
        EXPECT_EQ(row.record.restore, StepOutcome::kNotRun);
        EXPECT_FALSE(row.record.cylinder.has_value());
        EXPECT_EQ(EncodeRun(row.record, row.endOfUse), EncodeRun(sent.record, sent.endOfUse));
    }
}

}  // namespace
}  // namespace gvc
