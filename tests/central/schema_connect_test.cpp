// The connection itself: the administrator reaches the test cluster, values
// travel as parameters (a text that would break a pasted statement comes back
// unchanged), a failed statement names its cause, and a transaction left
// without Commit leaves nothing.
#include <gtest/gtest.h>

#include "central/pg_connection.h"
#include "central_cluster.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

TEST(CentralConnection, ReachesTheClusterAndKeepsParametersApart) {
    test::TestDatabase db("connect");
    ASSERT_TRUE(db.Ok());
    auto admin = db.Admin();
    ASSERT_TRUE(admin);
    const PgResult version = admin->Exec("SHOW server_version_num");
    ASSERT_TRUE(version.Ok()) << admin->Error();
    EXPECT_GE(version.Int(0, 0).value_or(0), 150000);

    const std::string tricky = "x'); DROP TABLE t; -- Кислород \\ \"";
    const PgResult echo =
        admin->Exec("SELECT $1::text, $2::bigint, $3::float8, $4::bytea, $5::text IS NULL",
                    PgParams().Text(tricky).Int(-42).Real(0.1).Binary(std::string("\0\xff", 2)).Null());
    ASSERT_TRUE(echo.Ok()) << admin->Error();
    EXPECT_EQ(echo.Text(0, 0), tricky);
    EXPECT_EQ(echo.Int(0, 1), -42);
    EXPECT_EQ(echo.Real(0, 2), 0.1);
    EXPECT_EQ(echo.Bytes(0, 3), std::string("\0\xff", 2));
    EXPECT_EQ(echo.Text(0, 4), "t");
}

TEST(CentralConnection, FailureNamesItsCauseAndRollsBack) {
    test::TestDatabase db("rollback");
    ASSERT_TRUE(db.Ok());
    auto admin = db.Admin();
    ASSERT_TRUE(admin);
    ASSERT_TRUE(admin->Run("CREATE TABLE t (v integer UNIQUE)"));
    {
        PgTransaction tx(*admin);
        ASSERT_TRUE(tx.Began());
        ASSERT_TRUE(admin->Exec("INSERT INTO t VALUES ($1)", PgParams().Int(1)).Ok());
    }
    EXPECT_EQ(admin->Exec("SELECT count(*) FROM t").Int(0, 0), 0);
    {
        PgTransaction tx(*admin);
        ASSERT_TRUE(admin->Exec("INSERT INTO t VALUES (1)").Ok());
        EXPECT_FALSE(admin->Exec("INSERT INTO t VALUES (1)").Ok());
        EXPECT_EQ(admin->SqlState(), "23505");
        EXPECT_NE(admin->Error().find("duplicate key"), std::string::npos) << admin->Error();
        // A transaction the server aborted cannot be committed.
        EXPECT_FALSE(tx.Commit());
    }
    EXPECT_EQ(admin->Exec("SELECT count(*) FROM t").Int(0, 0), 0);
}

TEST(CentralConnection, UnreachableServerSaysSoWithinTheTimeout) {
    PgConnectOptions o;
    o.host = "127.0.0.1";
    o.port = 1;  // nothing listens there
    o.database = "x";
    o.user = "x";
    o.connectTimeoutSeconds = 2;
    std::string message;
    EXPECT_EQ(PgConnection::Connect(o, message), nullptr);
    EXPECT_NE(message.find("нет связи с центральной базой"_cp), std::string::npos);
    o.port = 70000;
    EXPECT_EQ(PgConnection::Connect(o, message), nullptr);
    EXPECT_NE(message.find("неверный порт"_cp), std::string::npos);
}

}  // namespace
}  // namespace gvc
