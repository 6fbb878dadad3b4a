// The workstation's database, version 3: a file of version 2 is migrated
// with its rows and hashes unchanged, gets its workstation identity once (a
// random UUID that stays), and all its runs wait to be sent.
#include <gtest/gtest.h>

#include <regex>

#include "central/central_outbox.h"
#include "central/central_sender.h"
#include "central_cluster.h"
#include "store/run_codec.h"
#include "store/run_rows.h"
#include "store/sqlite_db.h"
#include "store/store_schema.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

TEST(LocalStoreVersion3, AVersion2FileIsMigratedAndGetsOneIdentity) {
    test::Workstation station;
    {
        SqliteDb db(station.DatabaseFile(), true);
        std::string message;
        ASSERT_TRUE(MigrateStore(db, 2, message)) << message;
        SqliteTransaction tx(db);
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(InsertRunRow(db, test::SampleRun("WS2", n), std::nullopt, 2, message)) << message;
        ASSERT_TRUE(tx.Commit());
        EXPECT_EQ(StoreSchemaVersion(db), 2);
    }
    std::string first, message;
    {
        auto store = station.OpenStore();
        ASSERT_TRUE(store);
        EXPECT_EQ(store->VersionFound(), 2);
        EXPECT_EQ(StoreSchemaVersion(store->Db()), kStoreSchemaVersion);
        const auto all = store->AllRuns();
        ASSERT_EQ(all.value.size(), 3u);
        for (const StoredRun& row : all.value)
            EXPECT_EQ(ChainHash(EncodeRun(row.record, row.endOfUse), row.prevHash), row.rowHash);
        EXPECT_EQ(UnsentRunCount(*store).value, 3);
        first = StationId(*store, message).value_or("");
        EXPECT_TRUE(std::regex_match(
            first, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
            << first;
        const auto unsent = UnsentRuns(*store, 1, 10);
        ASSERT_TRUE(unsent.ok);
        ASSERT_EQ(unsent.value.size(), 2u);
        EXPECT_EQ(unsent.value[0].id, 2);
    }
    auto store = station.OpenStore();
    EXPECT_EQ(store->VersionFound(), kStoreSchemaVersion);
    EXPECT_EQ(StationId(*store, message), first);
    // Another database is another workstation.
    test::Workstation other;
    auto otherStore = other.OpenStore();
    EXPECT_NE(StationId(*otherStore, message), first);
}

}  // namespace
}  // namespace gvc
