// gvc-cli central as a laboratory uses it: the administrator creates the
// schema and a workstation's user (its password from standard input or a
// file), the workstation connects (central.ini and its password file
// readable by it alone, the password in neither the settings nor any output),
// then status and send say what the window will say.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "central_cluster.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

unsigned ModeOf(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 0777) : 0u;
}

std::string FileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CentralCli, SetUpConnectStatusSend) {
    test::TestDatabase db("cli");
    ASSERT_TRUE(db.Ok());
    const test::ClusterInfo& c = test::Cluster();
    const std::vector<std::string> admin = {
        "--host", c.host,  "--port",     std::to_string(c.port), "--database", db.Name(),
        "--user", c.admin, "--passfile", c.adminPassFile,        "--sslmode",  "disable"};
    const auto cli = [](std::vector<std::string> args, std::vector<std::string> more,
                        std::string_view input = {}, std::vector<std::string> env = {}) {
        std::vector<std::string> argv = {test::CliPath(), "central"};
        argv.insert(argv.end(), args.begin(), args.end());
        argv.insert(argv.end(), more.begin(), more.end());
        return test::RunProcess(argv, input, env);
    };

    test::ProcessResult r = cli({"init"}, admin);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("schema gvc at version"), std::string::npos) << r.out;

    const std::string user = test::UniqueName("cliws");
    const std::string password = "Тайна с пробелом:и\\слешем";
    r = cli({"add-user", user}, admin, password + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ((r.out + r.err).find(password), std::string::npos);
    // No password: refused before anything is done.
    r = cli({"add-user", test::UniqueName("nopw")}, admin, "");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no password given"), std::string::npos) << r.err;

    test::Workstation station;
    ASSERT_TRUE(station.AddRuns("WSCLI", 1, 5));
    const std::vector<std::string> env = {station.DriveEnv()};
    // Not connected yet: send says so and changes nothing.
    r = cli({"send"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("central connect"), std::string::npos) << r.err;

    // A wrong password first: refused before anything is written, the cause
    // named in Russian, the password nowhere.
    const std::vector<std::string> where = {"--host",     c.host,    "--port", std::to_string(c.port),
                                            "--database", db.Name(), "--user", user,
                                            "--sslmode",  "disable"};
    r = cli({"connect", "--password-stdin"}, where, "wrong-one-5521\n", env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("не принял пользователя " + user), std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find("wrong-one-5521"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(station.DataDir() / "central.ini"));
    EXPECT_FALSE(std::filesystem::exists(station.DataDir() / "central.pgpass"));
    r = cli({"status"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("central connect"), std::string::npos) << r.out << r.err;

    const std::filesystem::path passwordFile = station.Drive() / "pw.txt";
    std::ofstream(passwordFile) << password << "\r\n";
    r = cli({"connect", "--password-file", passwordFile.string()}, where, {}, env);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::filesystem::path ini = station.DataDir() / "central.ini";
    const std::filesystem::path pgpass = station.DataDir() / "central.pgpass";
    EXPECT_EQ(ModeOf(ini), 0600u);
    EXPECT_EQ(ModeOf(pgpass), 0600u);
    EXPECT_EQ(FileText(ini).find("Тайна"), std::string::npos);
    EXPECT_EQ(FileText(ini).find(Cp1251FromUtf8("Тайна")), std::string::npos);
    EXPECT_NE(FileText(ini).find("passfile=D:\\"), std::string::npos) << FileText(ini);

    r = cli({"status"}, {}, {}, env);
    EXPECT_NE(r.out.find("Центральная база: не отправлено 5"), std::string::npos) << r.out << r.err;
    r = cli({"send"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("sent 5, already there 0, refused 0, left 0"), std::string::npos) << r.out;
    r = cli({"status"}, {}, {}, env);
    EXPECT_NE(r.out.find("Центральная база: отправлено"), std::string::npos) << r.out << r.err;

    // Bad options are named.
    r = cli({"connect", "--port", "99999"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 2);
    r = cli({"frobnicate"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 2);
    r = cli({"init", "--password", "x"}, {}, {}, env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown option --password"), std::string::npos);
}

}  // namespace
}  // namespace gvc
