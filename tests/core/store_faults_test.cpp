// A database that cannot be opened or written (damaged, read-only, locked by
// another connection, a full disk) never loses a run: the sink writes it to
// the outbox, says so once, and the next good open moves it in.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>

#include "store/sqlite_db.h"
#include "store/store_outbox.h"
#include "store/store_run_sink.h"
#include "store_fixtures.h"

namespace gvc {
namespace {

class StoreFaults : public testing::StoreRoot {
protected:
    // A database with one cylinder, so that it exists before the fault.
    void MakeDatabase() {
        auto store = OpenStore();
        std::string message;
        ASSERT_GT(store->AddCylinder({0, 3, "CO", 50, "ppm", "1", {2030, 1, 1}, false}, message), 0);
    }
};

struct Fault {
    const char* name;
    const char* messagePart;  // UTF-8, in the one message the operator sees
    // Sets the fault up around the run; the returned function takes it away.
    std::function<std::function<void()>(StoreFaults&, const StorePlaces&)> make;
};

TEST_F(StoreFaults, EachFaultSendsTheRunToTheOutboxWithOneMessage) {
    const Fault faults[] = {
        {"damaged", "поврежден",
         [](StoreFaults&, const StorePlaces& p) -> std::function<void()> {
             std::ofstream(p.database, std::ios::binary | std::ios::trunc) << std::string(8192, 'x');
             return [p] { std::filesystem::remove(p.database); };
         }},
        {"read-only", "недоступна для записи",
         [](StoreFaults&, const StorePlaces& p) -> std::function<void()> {
             // The directory and file refuse writing; a root test process
             // checks files as an ordinary user while the run is recorded.
             std::filesystem::create_directories(p.outbox);
             std::filesystem::permissions(p.outbox, std::filesystem::perms::all);
             std::filesystem::permissions(p.database, std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
             const auto dir = p.database.parent_path();
             std::filesystem::permissions(
                 dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                          std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
             std::filesystem::permissions(dir.parent_path(), std::filesystem::perms::owner_all |
                                                                 std::filesystem::perms::others_read |
                                                                 std::filesystem::perms::others_exec);
             if (::geteuid() == 0) {
                 ::setfsgid(65534);
                 ::setfsuid(65534);
             }
             return [p, dir] {
                 if (::geteuid() == 0) {
                     ::setfsuid(0);
                     ::setfsgid(0);
                 }
                 std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
                 std::filesystem::permissions(p.database, std::filesystem::perms::owner_all);
             };
         }},
        {"locked", "занята другой программой",
         [](StoreFaults&, const StorePlaces& p) -> std::function<void()> {
             auto other = std::make_shared<SqliteDb>(p.database, false);
             EXPECT_TRUE(
                 other->Exec("BEGIN EXCLUSIVE; INSERT INTO cylinders (gas_code, gas_text, concentration, "
                             "unit_text, lot, expiry) VALUES (1, 'x', 1, 'x', 'x', '2030-01-01')"));
             return [other] { other->Exec("ROLLBACK"); };
         }},
        {"full disk", "диск полон",
         [](StoreFaults&, const StorePlaces& p) -> std::function<void()> {
             // Another connection fills the write-ahead log and keeps it from
             // being reset; then no file may grow past the largest one's end,
             // as on a disk without room (the outbox's file still fits).
             auto other = std::make_shared<SqliteDb>(p.database, false);
             EXPECT_TRUE(other->Exec(
                 "PRAGMA wal_autocheckpoint = 0; INSERT INTO cylinders (gas_code, gas_text, concentration, "
                 "unit_text, lot, expiry) VALUES (1, 'x', 1, 'x', hex(randomblob(300000)), '2030-01-01'); "
                 "BEGIN; SELECT count(*) FROM cylinders;"));
             std::uintmax_t largest = 0;
             for (const auto& e : std::filesystem::directory_iterator(p.database.parent_path()))
                 if (e.is_regular_file()) largest = std::max(largest, e.file_size());
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit old{};
             ::getrlimit(RLIMIT_FSIZE, &old);
             rlimit limit = old;
             limit.rlim_cur = static_cast<rlim_t>(largest + 100);
             ::setrlimit(RLIMIT_FSIZE, &limit);
             return [other, old] {
                 ::setrlimit(RLIMIT_FSIZE, &old);
                 other->Exec("COMMIT");
             };
         }},
    };
    int n = 0;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        std::filesystem::remove_all(places_.outbox);
        MakeDatabase();
        std::vector<std::string> messages;
        StoreRunSink sink(places_, [&](const std::string& m) { messages.push_back(Utf8FromCp1251(m)); });
        RunRecord run = testing::FullRun(++n);
        // A series large enough that its row cannot fit in the room left.
        run.zeroSeries.assign(20000, 0);
        for (std::size_t i = 0; i < run.zeroSeries.size(); ++i)
            run.zeroSeries[i] = static_cast<std::int32_t>(i * 7919 % 100003);
        {
            const auto undo = fault.make(*this, places_);
            sink.RunEnded(run);
            undo();
        }
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(fault.messagePart), std::string::npos) << messages[0];
        EXPECT_EQ(sink.LastKept(), StoreRunSink::Kept::kOutbox);
        EXPECT_EQ(OutboxCount(places_.outbox), 1);

        // The fault is gone: the next open moves the run in and empties the outbox.
        if (std::string(fault.name) == "damaged") MakeDatabase();
        StoreSession session = OpenWorkstationStore(places_);
        ASSERT_TRUE(session.store) << Utf8FromCp1251(session.message);
        EXPECT_EQ(session.outbox.added, 1);
        EXPECT_EQ(OutboxCount(places_.outbox), 0);
        EXPECT_TRUE(session.store->HasRun(run.runId));
        session.store.reset();
        std::filesystem::remove(places_.database);
        std::filesystem::remove(places_.database.string() + "-wal");
        std::filesystem::remove(places_.database.string() + "-shm");
    }
}

TEST_F(StoreFaults, TheSinkHashesTheCertificateAndTheOutboxKeepsDamagedFilesApart) {
    const auto certificate = Native(locations::DataDir) / "c.dat";
    std::ofstream(certificate, std::ios::binary) << "abc";
    RunRecord run = testing::FullRun(1);
    run.certificateSha256.clear();
    run.certificatePath = Cp1251FromUtf8("D:\\ВЕЛМОР_Датчики\\c.dat");
    std::vector<std::string> messages;
    StoreRunSink sink(places_, [&](const std::string& m) { messages.push_back(m); });
    sink.RunEnded(run);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sink.LastKept(), StoreRunSink::Kept::kDatabase);
    auto store = OpenStore();
    EXPECT_EQ(store->AllRuns().value.at(0).record.certificateSha256,
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    // A cut-short outbox file stays where it is, named; the good one goes in.
    std::string message;
    ASSERT_TRUE(WriteToOutbox(places_.outbox, testing::FullRun(2), std::nullopt, message));
    std::ofstream(places_.outbox / "0_cut.run", std::ios::binary) << "GVCRUN\x01I";
    const OutboxFlush flush = FlushOutbox(*store, places_.outbox, places_.files, true);
    EXPECT_EQ(flush.added, 1);
    EXPECT_EQ(flush.left, 1);
    ASSERT_EQ(flush.problems.size(), 1u);
    EXPECT_NE(flush.problems[0].find("0_cut.run"), std::string::npos);
}

}  // namespace
}  // namespace gvc
