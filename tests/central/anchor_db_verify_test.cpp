// `gvc-cli db verify` with the laboratory's server as the anchor: edits of
// the workstation's database that its own chain cannot show (the newest rows
// deleted with sqlite_sequence set back, the whole chain rebuilt with other
// content, a run marked sent that never reached the server) are named from
// the server's copy of the workstation's runs; a server out of reach is said
// in one line and fails nothing.
#include <gtest/gtest.h>

#include <functional>

#include "central/central_anchor.h"
#include "central/central_outbox.h"
#include "central/central_sender.h"
#include "send_fixture.h"
#include "store/sqlite_db.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

// A run that left no record in the files (refused, interrupted, or out of
// tolerance and not saved): `db verify` has nothing in the files to hold it against.
RunRecord Unlogged(std::string_view station, int n) {
    RunRecord run = test::SampleRun(station, n);
    run.outcome = RunOutcome::kInterrupted;
    run.saving = {};
    run.reportRecordLine.clear();
    run.certificatePath.clear();
    run.certificateSha256.clear();
    run.nextCalibration.reset();
    return run;
}

void AddUnlogged(const test::Workstation& station, std::string_view name, int first, int count) {
    auto store = station.OpenStore();
    ASSERT_TRUE(store);
    std::string message;
    for (int n = first; n < first + count; ++n)
        ASSERT_TRUE(store->AddRun(Unlogged(name, n), message)) << Utf8FromCp1251(message);
}

test::ProcessResult DbVerify(const test::Workstation& station) {
    return test::RunProcess({test::CliPath(), "db", "verify"}, {}, {station.DriveEnv()});
}

class AnchorDbVerify : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Ok());
        settings_ = server_.NewLogin();
    }
    // A workstation with four runs, all sent, and central.ini.
    void Sent(const test::Workstation& station, std::string_view name) {
        AddUnlogged(station, name, 1, 4);
        station.WriteSettings(settings_);
        auto store = station.OpenStore();
        const SendResult r = SendPendingRuns(*store, settings_);
        ASSERT_TRUE(r.complete) << Utf8FromCp1251(r.message);
    }
    test::CentralServer server_{"anchor"};
    CentralSettings settings_;
};

TEST_F(AnchorDbVerify, EditsTheLocalChainCannotShowAreNamedFromTheServersCopy) {
    const struct {
        const char* what;
        std::function<void(const test::Workstation&, const std::string& name)> edit;
        int exitCode;
        std::vector<std::string> said;
    } cases[] = {
        {"nothing edited",
         [](const test::Workstation&, const std::string&) {},
         0,
         {"4 runs of this workstation on the central server: the database and the server's copy agree"}},
        {"the newest run deleted, the sequence set back",
         [](const test::Workstation& s, const std::string&) {
             auto store = s.OpenStore();
             ASSERT_TRUE(
                 store->Db().Exec("DELETE FROM runs WHERE id = 4; "
                                  "UPDATE sqlite_sequence SET seq = 3 WHERE name = 'runs'"));
         },
         1,
         {"запуск WSB-2026-12-11-4 (центральная база, строка 4 этого рабочего места, строка 4 базы данных, "
          "получен сервером ",
          "есть на центральном сервере, но нет в базе данных рабочего места", "DIFFERENCES FOUND"}},
        {"the newest run and its sent mark deleted",
         [](const test::Workstation& s, const std::string&) {
             auto store = s.OpenStore();
             ASSERT_TRUE(
                 store->Db().Exec("DELETE FROM runs WHERE id = 4; DELETE FROM central_sent; "
                                  "UPDATE sqlite_sequence SET seq = 3 WHERE name = 'runs'"));
         },
         1,
         {"запуск WSC-2026-12-11-4 (", "нет в базе данных рабочего места"}},
        {"the whole chain rebuilt with the last run changed",
         [](const test::Workstation& s, const std::string& name) {
             // Another database under this workstation's identity, its chain
             // whole: the first runs as they were, the last one rewritten.
             test::Workstation rebuilt;
             AddUnlogged(rebuilt, name, 1, 3);
             RunRecord changed = Unlogged(name, 4);
             changed.operatorName = "Сидоров"_cp;
             std::string message;
             auto store = rebuilt.OpenStore();
             ASSERT_TRUE(store->AddRun(changed, message));
             auto original = s.OpenStore();
             const auto id = StationId(*original, message);
             ASSERT_TRUE(id);
             ASSERT_TRUE(store->Db().Exec("UPDATE workstation_identity SET station_id = '" + *id + "'"));
             store.reset();
             original.reset();
             std::filesystem::copy_file(rebuilt.DatabaseFile(), s.DatabaseFile(),
                                        std::filesystem::copy_options::overwrite_existing);
         },
         1,
         {"запуск WSD-2026-12-11-4 (",
          "в базе данных рабочего места другая строка, чем на центральном сервере (хеш не совпадает)"}},
        {"a run marked sent that the server never received",
         [](const test::Workstation& s, const std::string& name) {
             AddUnlogged(s, name, 5, 1);
             auto store = s.OpenStore();
             ASSERT_TRUE(
                 store->Db().Exec("INSERT INTO central_sent (run_id, sent_utc, server_seq) VALUES ('" + name +
                                  "-2026-12-11-5', 0, 5)"));
         },
         1,
         {"запуск WSE-2026-12-11-5: отмечен отправленным, но центральный сервер не хранит его для этого "
          "рабочего места"}},
    };
    char name[] = "WSA";
    for (const auto& c : cases) {
        test::Workstation station;
        Sent(station, name);
        c.edit(station, name);
        const test::ProcessResult r = DbVerify(station);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.out << r.err;
        for (const std::string& part : c.said)
            EXPECT_NE(r.out.find(part), std::string::npos) << c.what << ": " << part << "\n"
                                                           << r.out << r.err;
        ++name[2];
    }
}

TEST_F(AnchorDbVerify, AServerOutOfReachIsSaidInOneLineAndFailsNothing) {
    test::Workstation station;
    Sent(station, "WSU");
    CentralSettings away = settings_;
    away.port = 1;
    away.connectTimeoutSeconds = 2;
    station.WriteSettings(away);
    const test::ProcessResult r = DbVerify(station);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("the database and the files agree\ncentral database not reached: "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("; the server's copy was not compared\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("DIFFERENCES"), std::string::npos) << r.out;

    // Without central.ini, db verify says nothing of a server.
    std::filesystem::remove(station.DataDir() / "central.ini");
    const test::ProcessResult alone = DbVerify(station);
    EXPECT_EQ(alone.exitCode, 0) << alone.out << alone.err;
    EXPECT_EQ(alone.out.find("central"), std::string::npos) << alone.out;
}

TEST_F(AnchorDbVerify, TheComparisonNamesEachSideOfTheDifference) {
    // The function itself over a connection: the server's runs of one
    // workstation against a local list and a sent list.
    test::Workstation station;
    Sent(station, "WSF");
    auto store = station.OpenStore();
    AnchorLocalSide local = ReadAnchorLocalSide(*store);
    ASSERT_TRUE(local.ok) << Utf8FromCp1251(local.message);
    ASSERT_EQ(local.runs.size(), 4u);
    ASSERT_EQ(local.sent.size(), 4u);
    AnchorReport same = CheckCentralAnchor(settings_, local.stationId, local.runs, local.sent);
    EXPECT_TRUE(same.reached) << Utf8FromCp1251(same.message);
    EXPECT_EQ(same.serverRuns, 4);
    EXPECT_TRUE(same.differences.empty());

    local.runs.erase(local.runs.begin());          // run 1 gone here
    local.runs[0].rowHash = std::string(64, '0');  // run 2 another row
    local.runs.push_back({"WSF-extra", "x"});      // a run the server never had...
    local.sent.insert("WSF-extra");                // ...marked sent
    const AnchorReport d = CheckCentralAnchor(settings_, local.stationId, local.runs, local.sent);
    ASSERT_EQ(d.differences.size(), 3u);
    EXPECT_NE(d.differences[0].find("WSF-2026-12-11-1 ("), std::string::npos)
        << Utf8FromCp1251(d.differences[0]);
    EXPECT_NE(d.differences[1].find("WSF-2026-12-11-2 ("), std::string::npos)
        << Utf8FromCp1251(d.differences[1]);
    EXPECT_NE(d.differences[2].find("WSF-extra: "), std::string::npos) << Utf8FromCp1251(d.differences[2]);

    // Another workstation's identity: none of these runs are its own.
    const AnchorReport other =
        CheckCentralAnchor(settings_, "0b6f3e1a-2c4d-4e5f-8a9b-0c1d2e3f4a5b", local.runs, local.sent);
    EXPECT_TRUE(other.reached);
    EXPECT_EQ(other.serverRuns, 0);
    EXPECT_EQ(other.differences.size(), 5u);  // every run marked sent here
}

}  // namespace
}  // namespace gvc
