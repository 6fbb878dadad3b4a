// gvc-cli table-check and log-verify given something that is not a regular
// file, or one too large to be what they read: a clear refusal naming the file
// and exit 1 (before: /dev/zero was read until memory ran out, a FIFO without
// a writer hung forever). `timeout` only keeps a hang from stopping the suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "records/report_log.h"
#include "table/table_loader.h"

namespace gvc {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

CliRun RunCli(const std::string& command, const std::filesystem::path& file) {
    const std::string line = "timeout 60 " + std::string(GVC_CLI_PATH) + " " + command + " '" +
                             file.string() + "' 2>&1 </dev/null";
    CliRun run;
    if (FILE* pipe = ::popen(line.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.output.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

class CliSpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/gvc-special-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    // A sparse file of `size` bytes: no disk space, but larger than allowed.
    std::filesystem::path Sparse(const std::string& name, std::size_t size) const {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary).put('x');
        std::filesystem::resize_file(path, size);
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(CliSpecialFiles, RefusedWithTheFileNamed) {
    const std::string notRegular = ": не обычный файл (каталог, канал или устройство)";
    const auto table = Sparse("table.dat", kMaxTableFileSize + 1);
    const auto log = Sparse("REPORT.log", kMaxReportLogSize + 1);
    const struct {
        const char* command;
        std::filesystem::path file;
        std::string reason;
    } cases[] = {
        {"table-check", "/dev/zero", notRegular},
        {"table-check", dir_ / "fifo", notRegular},
        {"table-check", dir_, notRegular},
        {"table-check", table, ": файл больше " + std::to_string(kMaxTableFileSize) + " байт"},
        {"log-verify", "/dev/zero", notRegular},
        {"log-verify", dir_ / "fifo", notRegular},
        {"log-verify", log, ": файл больше " + std::to_string(kMaxReportLogSize) + " байт"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.command, c.file);
        EXPECT_EQ(run.exitCode, 1) << c.command << " " << c.file << "\n" << run.output;
        EXPECT_NE(run.output.find(c.file.string() + c.reason + "\n"), std::string::npos)
            << c.command << " " << c.file << "\n"
            << run.output;
    }
}

}  // namespace
}  // namespace gvc
