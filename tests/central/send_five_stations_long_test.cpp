// Five workstations (five processes, five databases) send 2 000 runs each to
// the same server at the same time: nothing lost, nothing doubled, every
// workstation's chain whole, and every workstation with nothing left to send.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "central/central_sender.h"
#include "send_fixture.h"

namespace gvc {
namespace {

TEST(SendFiveStations, TwoThousandRunsEachAtOnce) {
    constexpr std::size_t kStations = 5;
    constexpr int kRuns = 2000;
    test::CentralServer server("five");
    ASSERT_TRUE(server.Ok());
    std::array<test::Workstation, kStations> stations;
    for (std::size_t i = 0; i < kStations; ++i) {
        stations[i].WriteSettings(server.NewLogin());
        ASSERT_TRUE(stations[i].AddRuns("WS" + std::to_string(i + 1), 1, kRuns));
    }
    std::array<test::ProcessResult, kStations> results;
    std::array<std::thread, kStations> senders;
    for (std::size_t i = 0; i < kStations; ++i) {
        senders[i] = std::thread([&results, &stations, i] {
            results[i] = test::RunProcess({test::CliPath(), "central", "send"}, {}, {stations[i].DriveEnv()});
        });
    }
    for (std::size_t i = 0; i < kStations; ++i) {
        senders[i].join();
        EXPECT_EQ(results[i].exitCode, 0) << "station " << i + 1 << ": " << results[i].out << results[i].err;
    }

    const test::ServerRuns check = test::CheckServer(server.Admin());
    EXPECT_EQ(check.rows, static_cast<std::int64_t>(kStations) * kRuns);
    EXPECT_EQ(check.distinctRunIds, static_cast<std::int64_t>(kStations) * kRuns);
    EXPECT_EQ(check.stations, static_cast<std::int64_t>(kStations));
    EXPECT_EQ(check.chainProblem, "");
    // Each workstation's rows in its own order: the local row numbers rise with the sequence.
    const PgResult order = server.Admin().Exec(
        "SELECT count(*) FROM (SELECT local_id, lag(local_id) OVER (PARTITION BY station_id ORDER BY "
        "station_seq) "
        "AS before FROM gvc.runs) t WHERE before IS NOT NULL AND local_id <= before");
    EXPECT_EQ(order.Int(0, 0), 0);
    for (const auto& s : stations)
        EXPECT_EQ(UnsentRunCount(*s.OpenStore()).value, 0);
}

}  // namespace
}  // namespace gvc
