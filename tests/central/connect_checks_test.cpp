// `gvc-cli central connect` tries the connection before it writes anything:
// a wrong password, a reader's login, a missing database or schema, or a
// server out of reach leaves a working workstation's settings as they were,
// each named by its cause in one Russian line. `central status` fails when the
// server cannot take the workstation's runs; `init` takes the administrator's
// password from standard input.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "central_cluster.h"

namespace gvc {
namespace {

std::string FileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The administrator's password: the last field of its pgpass line.
std::string AdminPassword(const test::ClusterInfo& c) {
    std::string line = FileText(c.adminPassFile);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line.substr(line.rfind(':') + 1);
}

test::ProcessResult Central(std::vector<std::string> args, std::string_view input = {},
                            std::vector<std::string> env = {}) {
    args.insert(args.begin(), {test::CliPath(), "central"});
    return test::RunProcess(args, input, env);
}

std::vector<std::string> Where(const test::ClusterInfo& c, int port, const std::string& database,
                               const std::string& user) {
    return {"--host", c.host,   "--port", std::to_string(port), "--database",
            database, "--user", user,     "--sslmode",          "disable"};
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CentralConnect, RefusalsKeepAWorkingWorkstation) {
    test::TestDatabase db("connchk");
    test::TestDatabase bare("connbare");  // no schema gvc in it
    ASSERT_TRUE(db.Ok() && bare.Ok());
    const test::ClusterInfo& c = test::Cluster();

    // init with the administrator's password from standard input, no pgpass file.
    const std::vector<std::string> admin = Where(c, c.port, db.Name(), c.admin);
    test::ProcessResult r = Central(Join({"init", "--password-stdin"}, admin), AdminPassword(c) + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    r = Central(Join({"init", "--password-stdin"}, admin), "not-the-admins-7731\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("не принял пользователя " + c.admin), std::string::npos) << r.err;

    const std::vector<std::string> asAdmin = Join(admin, {"--passfile", c.adminPassFile});
    const std::string user = test::UniqueName("connws");
    const std::string reader = test::UniqueName("connrd");
    ASSERT_EQ(Central(Join({"add-user", user, "--password-stdin"}, asAdmin), "ws-pass-1\n").exitCode, 0);
    ASSERT_EQ(
        Central(Join({"add-user", reader, "--reader", "--password-stdin"}, asAdmin), "rd-pass-2\n").exitCode,
        0);

    test::Workstation station;
    ASSERT_TRUE(station.AddRuns("WSCONN", 1, 3));
    const std::vector<std::string> env = {station.DriveEnv()};
    r = Central(Join({"connect", "--password-stdin"}, Where(c, c.port, db.Name(), user)), "ws-pass-1\n", env);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::filesystem::path ini = station.DataDir() / "central.ini";
    const std::filesystem::path pgpass = station.DataDir() / "central.pgpass";
    const std::string iniBefore = FileText(ini);
    const std::string pgpassBefore = FileText(pgpass);
    ASSERT_FALSE(iniBefore.empty());
    ASSERT_FALSE(pgpassBefore.empty());

    struct Case {
        const char* what;
        std::vector<std::string> where;
        std::string password;
        std::string cause;
    };
    const Case cases[] = {
        {"wrong password", Where(c, c.port, db.Name(), user), "ws-pass-WRONG",
         "не принял пользователя " + user},
        {"a reader's login", Where(c, c.port, db.Name(), reader), "rd-pass-2",
         "пользователь " + reader + " не входит в роль gvc_workstation"},
        {"no such database", Where(c, c.port, db.Name() + "_none", user), "ws-pass-1",
         "нет базы данных " + db.Name() + "_none"},
        {"no schema", Where(c, c.port, bare.Name(), c.admin), AdminPassword(c), "нет схемы gvc"},
        {"server not reached", Where(c, 1, db.Name(), user), "ws-pass-1",
         "сервер " + c.host + ":1 не отвечает"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        r = Central(Join({"connect", "--password-stdin"}, k.where), k.password + "\n", env);
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("рабочее место не подключено, настройки не изменены: "), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(k.cause), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.find(k.password), std::string::npos);
        EXPECT_EQ(FileText(ini), iniBefore);
        EXPECT_EQ(FileText(pgpass), pgpassBefore);
    }

    // The workstation still works: its runs go out with the settings it had.
    r = Central({"send"}, {}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("sent 3, already there 0, refused 0, left 0"), std::string::npos) << r.out;
    r = Central({"status"}, {}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Центральная база: отправлено"), std::string::npos) << r.out;

    // A server that cannot be used: status says so, and why, and fails.
    CentralSettings unreachable = db.SettingsFor(user, pgpass);
    unreachable.port = 1;
    station.WriteSettings(unreachable);
    r = Central({"status"}, {}, env);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Центральная база: нет связи"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("не отвечает"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace gvc
