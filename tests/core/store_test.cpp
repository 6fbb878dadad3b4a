// The calibration database: SHA-256, the run's encodings, every field kept,
// the migration from the first schema, cylinders and the due list.
#include <gtest/gtest.h>

#include "store/calibration_store.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "store/store_schema.h"
#include "store_fixtures.h"
#include "util/sha256.h"

namespace gvc {
namespace {

TEST(Sha256, StandardVectors) {
    struct Case {
        std::string input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmno"
         "pqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        // Lengths on both sides of the padding boundary.
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sha256Hex(c.input), c.digest) << c.input.size();
    // Fed in pieces of every size, the digest is the same as in one go.
    const std::string text(200, 'q');
    for (std::size_t piece = 1; piece < 70; ++piece) {
        Sha256 h;
        for (std::size_t at = 0; at < text.size(); at += piece)
            h.Update(std::string_view(text).substr(at, piece));
        EXPECT_EQ(HexText(h.Finish()), Sha256Hex(text)) << piece;
    }
}

TEST(RunCodec, SeriesAndRunsComeBackAndDamageIsRefused) {
    const std::vector<std::vector<std::int32_t>> series = {
        {}, {0}, {-2147483647 - 1, 2147483647, -2147483647 - 1}, {5, 5, 5, 6, 4}};
    for (const auto& s : series)
        EXPECT_EQ(DecodeSeries(EncodeSeries(s)), s);
    EXPECT_FALSE(DecodeSeries("\x05\x01"));                                      // fewer values than counted
    EXPECT_FALSE(DecodeSeries("\x01\x02\x03"));                                  // bytes after the values
    EXPECT_FALSE(DecodeSeries("\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01"));  // a count beyond any run

    const RunRecord run = testing::FullRun(1);
    const std::string bytes = EncodeRun(run, CivilDate{2030, 1, 1});
    const auto back = DecodeRun(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(EncodeRun(back->run, back->endOfUse), bytes);
    EXPECT_EQ(back->endOfUse, (CivilDate{2030, 1, 1}));
    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(DecodeRun(bytes.substr(0, cut))) << cut;
    // An enum out of its range is no run.
    std::string bad = bytes;
    const std::size_t outcome =
        bad.find("OK !") - 18;  // the outcome (tag, 8 bytes), the text's tag and length
    ASSERT_EQ(bad[outcome], 'I');
    bad[outcome + 1] = 9;
    EXPECT_FALSE(DecodeRun(bad));
}

class Store : public testing::StoreRoot {};

TEST_F(Store, EveryFieldComesBackAndARunIsKeptOnce) {
    auto store = OpenStore();
    ASSERT_TRUE(store);
    EXPECT_TRUE(store->IsNew());
    std::string message;
    RunRecord interrupted;
    interrupted.runId = "WS1-interrupted";
    interrupted.zeroSeries = {1, 2};
    interrupted.recordedUtc = 1'800'000'000;
    RunRecord full = testing::FullRun(1);
    full.recordedUtc = 1'800'000'001;
    ASSERT_TRUE(store->AddRun(full, message, CivilDate{2030, 12, 31})) << message;
    ASSERT_TRUE(store->AddRun(interrupted, message)) << message;
    ASSERT_TRUE(store->AddRun(full, message)) << message;  // the same run again
    const auto all = store->AllRuns();
    ASSERT_TRUE(all.ok) << Utf8FromCp1251(all.message);
    ASSERT_EQ(all.value.size(), 2u);
    EXPECT_EQ(EncodeRun(all.value[0].record, all.value[0].endOfUse),
              EncodeRun(full, CivilDate{2030, 12, 31}));
    EXPECT_EQ(EncodeRun(all.value[1].record, std::nullopt), EncodeRun(interrupted, std::nullopt));
    EXPECT_EQ(all.value[0].prevHash, "");
    EXPECT_EQ(all.value[1].prevHash, all.value[0].rowHash);

    // Reopened: the schema is current and nothing is migrated again.
    store.reset();
    store = OpenStore();
    EXPECT_EQ(store->VersionFound(), kStoreSchemaVersion);
    EXPECT_EQ(store->RunCount().value, 2);
}

TEST_F(Store, AFirstSchemaFileIsMigratedAndItsRowsKeepTheirHashes) {
    {
        SqliteDb db(places_.database, true);
        std::string message;
        ASSERT_TRUE(MigrateStore(db, 1, message)) << message;
        SqliteTransaction tx(db);
        ASSERT_TRUE(InsertRunRow(db, testing::FullRun(1), std::nullopt, 1, message)) << message;
        ASSERT_TRUE(InsertRunRow(db, testing::FullRun(2), std::nullopt, 1, message)) << message;
        ASSERT_TRUE(tx.Commit());
        EXPECT_EQ(StoreSchemaVersion(db), 1);
    }
    auto store = OpenStore();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->VersionFound(), 1);
    EXPECT_EQ(StoreSchemaVersion(store->Db()), kStoreSchemaVersion);
    const auto all = store->AllRuns();
    ASSERT_EQ(all.value.size(), 2u);
    for (const StoredRun& row : all.value)
        EXPECT_EQ(ChainHash(EncodeRun(row.record, row.endOfUse), row.prevHash), row.rowHash);
    // The migration filled the newest-calibration table the due list reads.
    const auto due = store->DueList({2027, 5, 1}, 30);
    ASSERT_TRUE(due.ok);
    ASSERT_EQ(due.value.size(), 1u);
    EXPECT_EQ(due.value[0].daysLeft, 13);
    EXPECT_EQ(due.value[0].gasText, "CO");
    EXPECT_EQ(due.value[0].calibrated, (CivilDate{2026, 5, 14}));
}

TEST_F(Store, AFileOfANewerProgramIsRefused) {
    {
        SqliteDb db(places_.database, true);
        ASSERT_TRUE(db.Exec("PRAGMA user_version = 99"));
    }
    std::string message;
    EXPECT_FALSE(CalibrationStore::Open(places_.database, message));
    EXPECT_NE(Utf8FromCp1251(message).find("более новой версией"), std::string::npos);
}

TEST_F(Store, DueListTakesEachSensorsNewestSavedCalibration) {
    auto store = OpenStore();
    std::string message;
    struct Case {
        const char* sensor;
        ReportTimestamp end;
        RunOutcome outcome;
        CivilDate next;
    };
    const Case cases[] = {
        {"03-01.00.000.001", {1, 1, 2026, 9, 0, 0}, RunOutcome::kSaved, {2026, 6, 1}},
        {"03-01.00.000.001", {1, 3, 2026, 9, 0, 0}, RunOutcome::kSaved, {2027, 3, 1}},    // newer: not due
        {"03-01.00.000.002", {1, 2, 2026, 9, 0, 0}, RunOutcome::kSaved, {2026, 6, 10}},   // due in 9 days
        {"03-01.00.000.002", {1, 4, 2026, 9, 0, 0}, RunOutcome::kRefused, {2027, 1, 1}},  // refused: ignored
        {"03-01.00.000.003", {1, 2, 2026, 9, 0, 0}, RunOutcome::kSaved, {2026, 5, 1}},    // overdue
        {"03-01.00.000.003", {1, 1, 2026, 9, 0, 0}, RunOutcome::kSaved, {2027, 1, 1}},  // older, added later
    };
    int n = 0;
    for (const Case& c : cases) {
        RunRecord r = testing::FullRun(++n);
        r.sensorNumber = c.sensor;
        r.endLocal = c.end;
        r.outcome = c.outcome;
        r.nextCalibration = c.next;
        ASSERT_TRUE(store->AddRun(r, message)) << message;
    }
    const auto due = store->DueList({2026, 6, 1}, 10);
    ASSERT_TRUE(due.ok);
    std::vector<std::string> got;
    for (const StoreDueSensor& d : due.value)
        got.push_back(d.sensorNumber + " " + std::to_string(d.daysLeft));
    EXPECT_EQ(got, (std::vector<std::string>{"03-01.00.000.003 -31", "03-01.00.000.002 9"}));
    EXPECT_EQ(store->SensorRuns("03-01.00.000.002").value.size(), 2u);
}

TEST_F(Store, CylindersAddListRetire) {
    auto store = OpenStore();
    std::string message;
    Cylinder co{0, 3, "CO", 50.0, "ppm", "4521", {2027, 6, 1}, false};
    Cylinder old{0, 3, "CO", 20.0, "ppm", "11", {2020, 1, 1}, false};
    Cylinder ch4{0, 1, "CH4", 2.2, "%", "9", {2028, 1, 1}, false};
    const std::int64_t a = store->AddCylinder(co, message);
    const std::int64_t b = store->AddCylinder(old, message);
    ASSERT_GT(store->AddCylinder(ch4, message), 0);
    Cylinder bad = co;
    bad.concentration = std::nan("");
    EXPECT_EQ(store->AddCylinder(bad, message), 0);
    const auto co2 = store->CylindersForGas(3);
    ASSERT_EQ(co2.value.size(), 2u);
    EXPECT_TRUE(IsExpired(co2.value[0], {2026, 1, 1}));
    EXPECT_FALSE(IsExpired(co2.value[1], {2027, 6, 1}));  // usable on its expiry day
    EXPECT_TRUE(store->RetireCylinder(b, message));
    EXPECT_FALSE(store->RetireCylinder(999, message));
    EXPECT_EQ(store->CylindersForGas(3).value.size(), 1u);
    EXPECT_EQ(store->Cylinders(true).value.size(), 3u);
    EXPECT_EQ(store->FindCylinder(a).value->lot, "4521");
}

}  // namespace
}  // namespace gvc
