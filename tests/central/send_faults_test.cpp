// Sending when things go wrong, against a real server: the server down at
// the end of a run and up again later, the server stopped in the middle of
// sending, the sender killed in the middle, the connection cut while a
// transaction is open, and two processes sending the same rows at once. Each
// ends with every run on the server exactly once and the chain unbroken.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "central/central_sender.h"
#include "send_fixture.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using namespace std::chrono_literals;

std::int64_t ServerCount(PgConnection& admin) {
    return admin.Exec("SELECT count(*) FROM gvc.runs").Int(0, 0).value_or(-1);
}

// Everything on the server once, the chain whole, nothing left here.
void ExpectAllThereOnce(test::CentralServer& server, CalibrationStore& store, std::int64_t runs) {
    const test::ServerRuns check = test::CheckServer(server.Admin());
    EXPECT_EQ(check.rows, runs);
    EXPECT_EQ(check.distinctRunIds, runs);
    EXPECT_EQ(check.chainProblem, "");
    EXPECT_EQ(UnsentRunCount(store).value, 0);
}

TEST(SendFaults, ServerDownAtTheEndThenUpAndStoppedMidSend) {
    test::PrivateCluster cluster;
    test::CentralServer server("down", cluster.Info());
    ASSERT_TRUE(server.Ok());
    const CentralSettings settings = server.NewLogin();
    test::Workstation station;
    ASSERT_TRUE(station.AddRuns("WSD", 1, 3));
    auto store = station.OpenStore();

    // The run ends while the server is down: nothing is lost, the state says so.
    ASSERT_TRUE(cluster.Down());
    const SendResult down = SendPendingRuns(*store, settings);
    EXPECT_FALSE(down.connected);
    EXPECT_EQ(down.left, 3);
    EXPECT_NE(down.message.find("нет связи с центральной базой"_cp), std::string::npos);
    EXPECT_EQ(CentralStatusText(CentralStateOf(down), down.left), "Центральная база: нет связи"_cp);
    ASSERT_TRUE(cluster.Up());
    auto admin = server.Database().Admin();
    ASSERT_TRUE(admin);
    const SendResult up = SendPendingRuns(*store, settings);
    EXPECT_TRUE(up.complete) << Utf8FromCp1251(up.message);
    EXPECT_EQ(up.sent, 3);
    EXPECT_EQ(SendPendingRuns(*store, settings).sent, 0);

    // The server stops while a larger backlog is being sent.
    constexpr int kMore = 6000;
    ASSERT_TRUE(station.AddRuns("WSD", 4, kMore));
    SendResult midway;
    std::thread sender([&] {
        auto own = station.OpenStore();
        SendOptions options;
        options.batchSize = 50;
        midway = SendPendingRuns(*own, settings, options);
    });
    while (ServerCount(*admin) < 500)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(cluster.Down());
    sender.join();
    EXPECT_FALSE(midway.complete);
    EXPECT_FALSE(midway.connected);
    EXPECT_GT(midway.left, 0);
    ASSERT_TRUE(cluster.Up());
    const SendResult after = SendPendingRuns(*store, settings);
    EXPECT_TRUE(after.complete) << Utf8FromCp1251(after.message);
    admin = server.Database().Admin();
    ASSERT_TRUE(admin);
    const test::ServerRuns check = test::CheckServer(*admin);
    EXPECT_EQ(check.rows, 3 + kMore);
    EXPECT_EQ(check.distinctRunIds, 3 + kMore);
    EXPECT_EQ(check.chainProblem, "");
}

TEST(SendFaults, ASenderKilledMidwayLeavesNothingTwice) {
    test::CentralServer server("killed");
    ASSERT_TRUE(server.Ok());
    test::Workstation station;
    station.WriteSettings(server.NewLogin());
    constexpr int kRuns = 8000;
    ASSERT_TRUE(station.AddRuns("WSK", 1, kRuns));
    const pid_t pid = test::StartProcess({test::CliPath(), "central", "send"}, {station.DriveEnv()});
    ASSERT_GT(pid, 0);
    std::int64_t atKill = 0;
    while ((atKill = ServerCount(server.Admin())) < 1000)
        std::this_thread::sleep_for(2ms);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    EXPECT_EQ(test::WaitProcess(pid), 128 + SIGKILL);
    EXPECT_LT(atKill, kRuns) << "the sender finished before it was killed";

    auto store = station.OpenStore();
    const std::int64_t waiting = UnsentRunCount(*store).value;
    EXPECT_GT(waiting, 0);
    const test::ProcessResult again =
        test::RunProcess({test::CliPath(), "central", "send"}, {}, {station.DriveEnv()});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Центральная база: отправлено"), std::string::npos) << again.out;
    ExpectAllThereOnce(server, *store, kRuns);
}

TEST(SendFaults, TheConnectionCutInATransactionStoresNothingOfIt) {
    test::CentralServer server("cut");
    ASSERT_TRUE(server.Ok());
    const CentralSettings settings = server.NewLogin();
    test::Workstation station;
    constexpr int kRuns = 3000, kBatch = 1000;
    ASSERT_TRUE(station.AddRuns("WSC", 1, kRuns));
    SendResult cut;
    std::thread sender([&] {
        auto own = station.OpenStore();
        SendOptions options;
        options.batchSize = kBatch;
        cut = SendPendingRuns(*own, settings, options);
    });
    // The sender's backend, once it holds an open transaction with rows in it
    // (a transaction id of its own: it has written), is ended by the administrator.
    const std::string user = Utf8FromCp1251(settings.user);
    bool terminated = false;
    for (int tries = 0; tries < 20000 && !terminated; ++tries) {
        const PgResult r = server.Admin().Exec(
            "SELECT pg_terminate_backend(a.pid) FROM pg_stat_activity a JOIN pg_locks l ON l.pid = a.pid "
            "WHERE a.usename = $1 AND a.xact_start IS NOT NULL AND l.locktype = 'transactionid' "
            "AND l.mode = 'ExclusiveLock'",
            PgParams().Text(user));
        terminated = r.Ok() && r.Rows() > 0 && r.Text(0, 0) == "t";
        if (!terminated) std::this_thread::sleep_for(1ms);
    }
    sender.join();
    ASSERT_TRUE(terminated);
    EXPECT_FALSE(cut.complete);
    EXPECT_FALSE(cut.connected);
    EXPECT_NE(cut.message.find("связь с центральной базой прервана"_cp), std::string::npos)
        << Utf8FromCp1251(cut.message);
    // Only whole batches were committed; the cut one left no row.
    const std::int64_t stored = ServerCount(server.Admin());
    EXPECT_EQ(stored % kBatch, 0) << stored;
    auto store = station.OpenStore();
    EXPECT_EQ(UnsentRunCount(*store).value, kRuns - stored);
    EXPECT_TRUE(SendPendingRuns(*store, settings).complete);
    ExpectAllThereOnce(server, *store, kRuns);
}

TEST(SendFaults, TwoProcessesSendingTheSameRowsStoreThemOnce) {
    test::CentralServer server("twice");
    ASSERT_TRUE(server.Ok());
    test::Workstation station;
    station.WriteSettings(server.NewLogin());
    constexpr int kRuns = 3000;
    ASSERT_TRUE(station.AddRuns("WST", 1, kRuns));
    test::ProcessResult results[2];
    std::thread senders[2];
    for (int i = 0; i < 2; ++i) {
        senders[i] = std::thread([&results, &station, i] {
            results[i] = test::RunProcess({test::CliPath(), "central", "send"}, {}, {station.DriveEnv()});
        });
    }
    for (auto& t : senders)
        t.join();
    long long sent = 0;
    for (const auto& r : results) {
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        long long n = 0;
        if (std::sscanf(r.out.c_str(), "sent %lld", &n) == 1) sent += n;
    }
    // Each run was added by exactly one of them.
    EXPECT_EQ(sent, kRuns);
    auto store = station.OpenStore();
    ExpectAllThereOnce(server, *store, kRuns);
}

}  // namespace
}  // namespace gvc
