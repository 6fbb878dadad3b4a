// The workstation's central.ini and its password file: what is written reads
// back the same, a broken file is named rather than half used, no file means
// no central database, and both files are readable by their user alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "central/central_settings.h"
#include "central_cluster.h"
#include "util/cp1251.h"

namespace gvc {
namespace {

using namespace gvc::literals;

std::string FileText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned ModeOf(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 0777) : 0u;
}

TEST(CentralSettings, RoundTripsThroughItsText) {
    CentralSettings s;
    s.host = "сервер-лаборатории"_cp;
    s.port = 6543;
    s.database = "gvc";
    s.user = "станция_1"_cp;
    s.passFile = "D:\\ВЕЛМОР_Датчики\\central.pgpass"_cp;
    s.sslMode = "require";
    s.connectTimeoutSeconds = 7;
    std::string problem;
    const auto back = ParseCentralSettings(CentralSettingsText(s), problem);
    ASSERT_TRUE(back) << problem;
    EXPECT_EQ(back->host, s.host);
    EXPECT_EQ(back->port, 6543);
    EXPECT_EQ(back->database, "gvc");
    EXPECT_EQ(back->user, s.user);
    EXPECT_EQ(back->passFile, s.passFile);
    EXPECT_EQ(back->sslMode, "require");
    EXPECT_EQ(back->connectTimeoutSeconds, 7);
}

TEST(CentralSettings, RefusesWhatItCannotRead) {
    const std::string base = "host=h\ndatabase=d\nuser=u\n";
    const struct {
        std::string text;
        const char* why;
    } cases[] = {
        {base + "port=0\n", "port out of range"},
        {base + "port=5432x\n", "port not a number"},
        {base + "sslmode=sometimes\n", "unknown sslmode"},
        {base + "password=secret\n", "no password is ever taken from the file"},
        {base + "connect_timeout=0\n", "timeout out of range"},
        {base + "host\n", "a line without '='"},
        {"database=d\nuser=u\n", "no host"},
        {"host=h\nuser=u\n", "no database"},
        {"host=h\ndatabase=d\n", "no user"},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_FALSE(ParseCentralSettings(c.text, problem)) << c.why;
        EXPECT_FALSE(problem.empty()) << c.why;
    }
    std::string problem;
    const auto ok = ParseCentralSettings("# comment\r\n host = h \r\ndatabase=d\r\nuser=u\r\n", problem);
    ASSERT_TRUE(ok) << problem;
    EXPECT_EQ(ok->host, "h");
    EXPECT_EQ(ok->port, 5432);
    EXPECT_EQ(ok->sslMode, "prefer");
}

TEST(CentralSettings, MissingFileIsNoCentralDatabaseAndWrittenFilesArePrivate) {
    test::TempDir dir;
    const std::string ini = Cp1251FromUtf8((dir.Path() / "central.ini").string());
    std::string problem;
    EXPECT_FALSE(LoadCentralSettings(problem, ini));
    EXPECT_TRUE(problem.empty()) << problem;

    CentralSettings s;
    s.host = "127.0.0.1";
    s.database = "gvc";
    s.user = "ws:1";
    s.passFile = Cp1251FromUtf8((dir.Path() / "central.pgpass").string());
    // An older file readable by everyone is replaced by a private one.
    std::ofstream(dir.Path() / "central.ini") << "old";
    std::filesystem::permissions(dir.Path() / "central.ini", std::filesystem::perms::all);
    std::string cause;
    ASSERT_TRUE(SaveCentralSettings(s, cause, ini)) << cause;
    EXPECT_EQ(ModeOf(dir.Path() / "central.ini"), 0600u);
    const auto loaded = LoadCentralSettings(problem, ini);
    ASSERT_TRUE(loaded) << problem;
    EXPECT_EQ(loaded->user, "ws:1");

    const std::string password = "pa:ss\\word";
    ASSERT_TRUE(SavePassFile(s, password, cause)) << cause;
    EXPECT_EQ(ModeOf(dir.Path() / "central.pgpass"), 0600u);
    EXPECT_EQ(FileText(dir.Path() / "central.pgpass"), "127.0.0.1:5432:gvc:ws\\:1:pa\\:ss\\\\word\n");
    EXPECT_EQ(FileText(dir.Path() / "central.ini").find("pa:ss"), std::string::npos);

    EXPECT_FALSE(SavePassFile(s, "two\nlines", cause));
    EXPECT_EQ(cause.find("two"), std::string::npos);

    std::ofstream(dir.Path() / "central.ini") << "host=h\nport=x\n";
    EXPECT_FALSE(LoadCentralSettings(problem, ini));
    EXPECT_NE(problem.find("port=x"), std::string::npos) << problem;
}

}  // namespace
}  // namespace gvc
