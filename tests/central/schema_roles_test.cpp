// The server's schema and roles: init is repeatable and safe to run twice at
// once; a workstation's login can only add runs through the submit function
// and read, the server refusing every other change; a reader only reads; a
// wrong password is refused with a message that does not hold it.
#include <gtest/gtest.h>

#include <thread>

#include "central/central_schema.h"
#include "central/central_settings.h"
#include "central_cluster.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

class CentralSchema : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.Ok());
        admin_ = db_.Admin();
        ASSERT_TRUE(admin_);
        std::string message;
        ASSERT_TRUE(MigrateCentral(*admin_, message)) << Utf8FromCp1251(message);
    }

    // A login user in `role` with a pgpass file of its own; its connection.
    std::unique_ptr<PgConnection> Login(CentralRole role, std::string& user) {
        user = test::UniqueName("user");
        std::string message;
        EXPECT_TRUE(AddCentralUser(*admin_, user, password_, role, message)) << Utf8FromCp1251(message);
        CentralSettings s = db_.SettingsFor(user, dir_.Path() / (user + ".pgpass"));
        std::string cause;
        EXPECT_TRUE(SavePassFile(s, password_, cause)) << Utf8FromCp1251(cause);
        auto c = PgConnection::Connect(ConnectOptionsOf(s), message);
        EXPECT_TRUE(c) << Utf8FromCp1251(message);
        return c;
    }

    test::TestDatabase db_{"schema"};
    test::TempDir dir_;
    std::unique_ptr<PgConnection> admin_;
    const std::string password_ = "Секрет:42\\x";
};

TEST_F(CentralSchema, InitIsRepeatableAndTwoAtOnceDoNotMeet) {
    std::string message;
    EXPECT_EQ(CentralSchemaVersion(*admin_, message), CentralSchemaTarget());
    EXPECT_TRUE(MigrateCentral(*admin_, message)) << Utf8FromCp1251(message);

    // A fresh database migrated by two administrators at the same moment.
    test::TestDatabase fresh("schema_twice");
    bool ok[2] = {false, false};
    std::thread threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = std::thread([&fresh, &ok, i] {
            std::string m;
            auto c = PgConnection::Connect(fresh.AdminOptions(), m);
            ok[i] = c && MigrateCentral(*c, m);
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_TRUE(ok[0]);
    EXPECT_TRUE(ok[1]);
    auto c = fresh.Admin();
    ASSERT_TRUE(c);
    EXPECT_EQ(CentralSchemaVersion(*c, message), CentralSchemaTarget());
    EXPECT_EQ(c->Exec("SELECT count(*) FROM gvc.schema_version").Int(0, 0), 1);

    // A schema of a newer program is left alone.
    ASSERT_TRUE(c->Run("UPDATE gvc.schema_version SET version = 999"));
    EXPECT_FALSE(MigrateCentral(*c, message));
    EXPECT_NE(message.find("более новой версией"_cp), std::string::npos) << Utf8FromCp1251(message);
}

TEST_F(CentralSchema, TheServerRefusesAWorkstationEveryChangeButSubmitting) {
    // One row there, put in by the administrator through the function.
    ASSERT_TRUE(
        admin_->Run("INSERT INTO gvc.workstations (station_id, station_name, login_name) "
                    "VALUES ('00000000-0000-4000-8000-000000000001', 'WS', 'nobody')"));
    std::string user;
    auto ws = Login(CentralRole::kWorkstation, user);
    ASSERT_TRUE(ws);
    EXPECT_TRUE(ws->Exec("SELECT count(*) FROM gvc.runs").Ok()) << Utf8FromCp1251(ws->Error());
    EXPECT_TRUE(ws->Exec("SELECT count(*) FROM gvc.sensor_latest").Ok());
    const char* refused[] = {
        "UPDATE gvc.runs SET result_text = 'x'",
        "DELETE FROM gvc.runs",
        "TRUNCATE gvc.runs",
        "INSERT INTO gvc.runs (run_id) VALUES ('x')",
        "UPDATE gvc.workstations SET last_seq = 0",
        "DELETE FROM gvc.workstations",
        "TRUNCATE gvc.workstations CASCADE",
        "DELETE FROM gvc.sensor_latest",
        "UPDATE gvc.sensor_latest SET next_calibration = '2099-01-01'",
        "INSERT INTO gvc.sensor_latest (sensor_number) VALUES ('x')",
        "DROP TABLE gvc.runs",
        "ALTER TABLE gvc.runs DISABLE TRIGGER ALL",
        "CREATE TABLE gvc.mine (x int)",
        "DELETE FROM gvc.schema_version",
    };
    for (const char* sql : refused) {
        EXPECT_FALSE(ws->Exec(sql).Ok()) << sql;
        EXPECT_TRUE(ws->SqlState() == "42501" || ws->SqlState() == "42P01") << sql << ": " << ws->SqlState();
    }
    EXPECT_EQ(admin_->Exec("SELECT count(*) FROM gvc.workstations").Int(0, 0), 1);
}

TEST_F(CentralSchema, AReaderReadsAndCannotSubmit) {
    std::string user;
    auto reader = Login(CentralRole::kReader, user);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->Exec("SELECT count(*) FROM gvc.runs").Ok());
    EXPECT_FALSE(reader->Exec("SELECT gvc.submit_run(NULL, NULL, NULL, NULL, NULL, NULL)").Ok());
    EXPECT_EQ(reader->SqlState(), "42501");
    EXPECT_FALSE(reader->Exec("DELETE FROM gvc.runs").Ok());
    EXPECT_EQ(reader->SqlState(), "42501");
}

TEST_F(CentralSchema, AWrongPasswordIsRefusedWithoutShowingIt) {
    std::string user;
    ASSERT_TRUE(Login(CentralRole::kWorkstation, user));
    CentralSettings s = db_.SettingsFor(user, dir_.Path() / "wrong.pgpass");
    std::string cause;
    const std::string wrong = "не-тот-пароль-7731";
    ASSERT_TRUE(SavePassFile(s, wrong, cause));
    std::string message;
    EXPECT_FALSE(PgConnection::Connect(ConnectOptionsOf(s), message));
    EXPECT_NE(message.find("password authentication failed"), std::string::npos) << Utf8FromCp1251(message);
    EXPECT_NE(message.find("нет связи с центральной базой"_cp), std::string::npos);
    EXPECT_EQ(Utf8FromCp1251(message).find(wrong), std::string::npos);
    EXPECT_EQ(Utf8FromCp1251(message).find(password_), std::string::npos);

    // A user cannot be made out of a role's name, nor get an empty password.
    EXPECT_FALSE(AddCentralUser(*admin_, "gvc_workstation", "x", CentralRole::kReader, message));
    EXPECT_FALSE(AddCentralUser(*admin_, user, "", CentralRole::kReader, message));
    // The administrator's own role is not taken over.
    EXPECT_FALSE(AddCentralUser(*admin_, test::Cluster().admin, "x", CentralRole::kReader, message));

    // Adding the same user again sets its password; moving it to the readers
    // takes the workstation role away.
    ASSERT_TRUE(AddCentralUser(*admin_, user, wrong, CentralRole::kReader, message))
        << Utf8FromCp1251(message);
    auto again = PgConnection::Connect(ConnectOptionsOf(s), message);
    ASSERT_TRUE(again) << Utf8FromCp1251(message);
    EXPECT_FALSE(again->Exec("SELECT gvc.submit_run(NULL, NULL, NULL, NULL, NULL, NULL)").Ok());
    EXPECT_EQ(again->SqlState(), "42501");
}

}  // namespace
}  // namespace gvc
