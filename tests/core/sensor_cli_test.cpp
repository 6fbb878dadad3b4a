// gvc-cli read and sample against gvc-devsim, run as a technician runs them:
// the table of the working directory, discovery through the registry file,
// values on standard output, messages on standard error, the exit code.
#ifdef GVC_DEVSIM_PATH

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "devsim_process.h"

namespace gvc::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SensorCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(cli_)) GTEST_SKIP() << "gvc-cli is not built";
        dir_ = fs::path(GVC_BINARY_DIR) / "test-sensor-cli" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        simulator_.Stop();
        fs::remove_all(dir_);
    }

    void Start(const std::string& profile) {
        ASSERT_TRUE(simulator_.Start(GVC_DEVSIM_PATH, {"--registry", (dir_ / "devsim.reg").string(),
                                                       "--memory", (dir_ / "memory.bin").string(),
                                                       "--profile", profile, "--reset", "--noise", "0"}))
            << simulator_.Error();
    }

    // Runs gvc-cli in the source tree, where DAT/ holds the shipped table.
    CliRun Run(const std::string& args) {
        const std::string command = "cd '" + std::string(GVC_SOURCE_DIR) + "' && GVC_REGISTRY_FILE='" +
                                    (dir_ / "devsim.reg").string() + "' '" + cli_.string() + "' " + args +
                                    " >'" + (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        CliRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = FileText(dir_ / "out");
        run.err = FileText(dir_ / "err");
        return run;
    }

    const fs::path cli_ = fs::path(GVC_BINARY_DIR) / "src" / "cli" / "gvc-cli";
    fs::path dir_;
    devsim::DevsimProcess simulator_;
};

TEST_F(SensorCliTest, ReadPrintsEveryValueOfAnAdmittedSensor) {
    Start("default");
    const CliRun run = Run("read");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* line : {"SensorIdentity.GasCode=1\n", "SensorIdentity.SerialNumber=291\n",
                             "OldParams.RangeTop=100\n", "OldParams.EndOfUseDate=31.12.2030\n",
                             "OldParams.TempCoefs[4].slope=-200\n", "OldParams.ResourceRanges[2].end=100\n",
                             "OldParams.MultiplierScale=10\n", "TempScale=2000\n", "KeptWordB=4660\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
}

TEST_F(SensorCliTest, ExitCodesTellRefusedFromNotFound) {
    Start("no-serial");
    const CliRun refused = Run("read");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "Датчик: не имеет серийного номера!\n");

    simulator_.Stop();
    const CliRun missing = Run("read");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err, "");
}

TEST_F(SensorCliTest, SamplePrintsOneLinePerSample) {
    Start("erased");  // admitted without a page read: quick to connect
    const CliRun run = Run("sample 2");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::regex line("status=3 temperature=23[0-9] adc=[0-9]+\n");
    std::istringstream lines(run.out);
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count) {
        EXPECT_TRUE(std::regex_match(text + "\n", line)) << text;
    }
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Run("sample 0").exitCode, 2);
}

}  // namespace
}  // namespace gvc::test

#endif  // GVC_DEVSIM_PATH
