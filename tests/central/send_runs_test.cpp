// Sending: every run reaches the server once with its content, its local
// hashes and the workstation's chain; a second send sends nothing; marks lost
// here are found on the server; a row the server holds differently under the
// same identifier is refused and named without holding back the others; a
// login cannot send in another workstation's name.
#include <gtest/gtest.h>

#include <filesystem>

#include "central/central_outbox.h"
#include "central/central_sender.h"
#include "send_fixture.h"
#include "store/run_codec.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

class SendRuns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Ok());
        settings_ = server_.NewLogin();
        ASSERT_TRUE(station_.AddRuns("WSA", 1, kRuns));
        store_ = station_.OpenStore();
        ASSERT_TRUE(store_);
    }
    static constexpr int kRuns = 250;
    test::CentralServer server_{"send"};
    CentralSettings settings_;
    test::Workstation station_;
    std::unique_ptr<CalibrationStore> store_;
};

TEST_F(SendRuns, EveryRunOnceWithItsContentAndChain) {
    EXPECT_EQ(UnsentRunCount(*store_).value, kRuns);
    SendOptions options;
    options.stationName = "ПОСТ-1"_cp;
    const SendResult first = SendPendingRuns(*store_, settings_, options);
    EXPECT_TRUE(first.connected);
    EXPECT_TRUE(first.complete) << Utf8FromCp1251(first.message);
    EXPECT_EQ(first.sent, kRuns);
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(CentralStatusText(CentralStateOf(first), first.left), "Центральная база: отправлено"_cp);

    const SendResult second = SendPendingRuns(*store_, settings_);
    EXPECT_EQ(second.sent + second.alreadyThere, 0);
    EXPECT_TRUE(second.complete);

    const test::ServerRuns check = test::CheckServer(server_.Admin());
    EXPECT_EQ(check.rows, kRuns);
    EXPECT_EQ(check.distinctRunIds, kRuns);
    EXPECT_EQ(check.stations, 1);
    EXPECT_EQ(check.chainProblem, "");

    // One row field by field: texts in UTF-8, series with the local bytes,
    // doubles exact, the local numbers and hashes, the identity.
    const auto local = store_->AllRuns();
    ASSERT_TRUE(local.ok);
    const StoredRun& row = local.value[4];
    std::string message;
    const PgResult r = server_.Admin().Exec(
        "SELECT operator_name, unit_text, zero_series, found_reference_error_range, start_local::text, "
        "next_calibration::text, cylinder_id, left_zero_shown, local_id, prev_hash, row_hash, "
        "station_id::text, "
        "station_name, end_of_use FROM gvc.runs WHERE run_id = $1",
        PgParams().Text(row.record.runId));
    ASSERT_TRUE(r.Ok() && r.Rows() == 1) << Utf8FromCp1251(server_.Admin().Error());
    EXPECT_EQ(r.Text(0, 0), "Петров Пётр");
    EXPECT_EQ(r.Text(0, 1), "мг/м3");
    EXPECT_EQ(r.Bytes(0, 2), EncodeSeries(row.record.zeroSeries));
    EXPECT_EQ(r.Real(0, 3), row.record.asFound.foundReference->errorPercentRange);
    EXPECT_EQ(r.Text(0, 4), "2026-12-11 10:00:05");
    EXPECT_EQ(r.Text(0, 5), "2027-12-06");
    EXPECT_EQ(r.Int(0, 6), 7);
    EXPECT_TRUE(r.IsNull(0, 7));
    EXPECT_EQ(r.Int(0, 8), row.id);
    EXPECT_EQ(r.Text(0, 9), row.prevHash);
    EXPECT_EQ(r.Text(0, 10), row.rowHash);
    EXPECT_EQ(r.Text(0, 11), StationId(*store_, message));
    EXPECT_EQ(r.Text(0, 12), "ПОСТ-1");
    EXPECT_TRUE(r.IsNull(0, 13));

    // Each sensor's newest saved run with a next-calibration date.
    const PgResult latest = server_.Admin().Exec(
        "SELECT l.sensor_number, r.run_id FROM gvc.sensor_latest l JOIN gvc.runs r ON r.id = l.run_row "
        "ORDER BY 1");
    ASSERT_TRUE(latest.Ok());
    ASSERT_EQ(latest.Rows(), 50);
    for (int i = 0; i < latest.Rows(); ++i) {
        int newest = 0;
        for (int n = 1; n <= kRuns; ++n) {
            const RunRecord run = test::SampleRun("WSA", n);
            if (run.sensorNumber == latest.Text(i, 0) && run.outcome == RunOutcome::kSaved) newest = n;
        }
        EXPECT_EQ(latest.Text(i, 1), "WSA-2026-12-11-" + std::to_string(newest)) << latest.Text(i, 0);
    }
}

TEST_F(SendRuns, MarksLostHereAreFoundOnTheServer) {
    ASSERT_TRUE(SendPendingRuns(*store_, settings_).complete);
    // As after a crash between the server's commit and the local mark.
    ASSERT_TRUE(store_->Db().Exec("DELETE FROM central_sent WHERE run_id LIKE '%5' OR run_id LIKE '%-1%'"));
    const std::int64_t unmarked = UnsentRunCount(*store_).value;
    ASSERT_GT(unmarked, 0);
    const SendResult again = SendPendingRuns(*store_, settings_);
    EXPECT_EQ(again.sent, 0);
    EXPECT_EQ(again.alreadyThere, unmarked);
    EXPECT_TRUE(again.complete);
    const test::ServerRuns check = test::CheckServer(server_.Admin());
    EXPECT_EQ(check.rows, kRuns);
    EXPECT_EQ(check.chainProblem, "");
}

TEST_F(SendRuns, AnotherRowUnderTheSameIdentifierIsRefusedAndNamed) {
    ASSERT_TRUE(SendPendingRuns(*store_, settings_).complete);
    // Another workstation holds a run with WSA's identifier but other content,
    // between runs of its own.
    test::Workstation other;
    ASSERT_TRUE(other.AddRuns("WSB", 1, 3));
    {
        auto store = other.OpenStore();
        RunRecord clash = test::SampleRun("WSA", 7);
        clash.resultText = "changed";
        std::string message;
        ASSERT_TRUE(store->AddRun(clash, message));
    }
    ASSERT_TRUE(other.AddRuns("WSB", 4, 3));
    auto store = other.OpenStore();
    const SendResult r = SendPendingRuns(*store, server_.NewLogin());
    EXPECT_TRUE(r.connected);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.sent, 6);
    EXPECT_EQ(r.refused, 1);
    EXPECT_EQ(r.left, 1);
    EXPECT_NE(r.message.find("WSA-2026-12-11-7"), std::string::npos) << Utf8FromCp1251(r.message);
    EXPECT_EQ(CentralStatusText(CentralStateOf(r), r.left), "Центральная база: не отправлено 1"_cp);
    const PgResult kept =
        server_.Admin().Exec("SELECT result_text FROM gvc.runs WHERE run_id = 'WSA-2026-12-11-7'");
    EXPECT_EQ(kept.Text(0, 0), "OK !");
    const test::ServerRuns check = test::CheckServer(server_.Admin());
    EXPECT_EQ(check.rows, kRuns + 6);
    EXPECT_EQ(check.chainProblem, "");
}

TEST_F(SendRuns, ALoginCannotSendInAnotherWorkstationsName) {
    ASSERT_TRUE(SendPendingRuns(*store_, settings_).complete);
    // A copy of the database (the same workstation UUID) with a new run, sent by another login.
    test::Workstation copy;
    store_.reset();
    std::filesystem::copy_file(station_.DatabaseFile(), copy.DatabaseFile());
    auto store = copy.OpenStore();
    std::string message;
    ASSERT_TRUE(store->AddRun(test::SampleRun("WSA", kRuns + 1), message));
    const SendResult r = SendPendingRuns(*store, server_.NewLogin());
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.sent, 0);
    EXPECT_EQ(r.left, 1);
    EXPECT_NE(r.message.find("sends as"), std::string::npos) << Utf8FromCp1251(r.message);
    EXPECT_EQ(test::CheckServer(server_.Admin()).rows, kRuns);
}

TEST(SendRules, BackOffAndStatusTexts) {
    const struct {
        int failures;
        long long seconds;
    } delays[] = {{0, 0}, {1, 5}, {2, 10}, {3, 20}, {6, 160}, {7, 300}, {50, 300}, {-3, 0}};
    for (const auto& d : delays)
        EXPECT_EQ(SendRetryDelay(d.failures).count(), d.seconds) << d.failures;
    EXPECT_EQ(CentralStatusText(CentralState::kSent, 0), "Центральная база: отправлено"_cp);
    EXPECT_EQ(CentralStatusText(CentralState::kUnsent, 12), "Центральная база: не отправлено 12"_cp);
    EXPECT_EQ(CentralStatusText(CentralState::kNoConnection, 3), "Центральная база: нет связи"_cp);
    SendResult r;
    EXPECT_EQ(CentralStateOf(r), CentralState::kNoConnection);
    r.connected = true;
    r.left = 2;
    EXPECT_EQ(CentralStateOf(r), CentralState::kUnsent);
    r.left = 0;
    EXPECT_EQ(CentralStateOf(r), CentralState::kSent);
}

}  // namespace
}  // namespace gvc
