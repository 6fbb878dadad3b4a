// gvc-cli log-verify on files made by the records code, intact and damaged.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "records/certificate.h"
#include "records/report_log.h"
#include "records_fixtures.h"
#include "table_fixtures.h"

namespace gvc {
namespace {

struct RunResult {
    int exitCode;
    std::string output;  // standard output and standard error
};

RunResult RunLogVerify(const std::filesystem::path& file) {
    const std::string command = std::string(GVC_CLI_PATH) + " log-verify '" + file.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    RunResult result{-1, {}};
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void Overwrite(const std::filesystem::path& file, std::size_t offset, char c) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.put(c);
}

class LogVerifyCli : public testing::TempDataRoot {};

TEST_F(LogVerifyCli, ReportLogIntactAndDamaged) {
    FileSystem& fs = RealFileSystem();
    ScriptedOperator op;
    ErrorText error;
    ASSERT_TRUE(fs.MakeDirectory(locations::DataDir));
    ASSERT_TRUE(CreateReportLog(fs, op, error));
    const SensorTypeTable table = testing::SmallTable();
    SensorParams params;
    ASSERT_TRUE(AppendReportRecord("+01.2207", "+01.0000", params, {1, 7, 0, 1}, table, {1, 2, 2026, 3, 4, 5},
                                   fs, error));
    const auto log = Native(locations::ReportLogPath);

    RunResult r = RunLogVerify(log);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("|01.02.2026|03:04:05|01-00.00.000.007|"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("report log intact: 1 records"), std::string::npos) << r.output;

    Overwrite(log, kEmptyReportLogSize - 10 - 106 + 3, '9');  // a digit of the record's date
    r = RunLogVerify(log);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Файл Отчета: не совпадает Контрольная Сумма"), std::string::npos) << r.output;
}

TEST_F(LogVerifyCli, CertificateIntactAndDamaged) {
    CharacteristicsRows rows;
    for (auto& row : rows)
        row = {"01. X", "a", "b"};
    const auto bytes = CertificateBytes(rows, "1", {1, 7, 0, 1}, SensorParams{}, ReportTimestamp{});
    const auto file = root_ / "01-00_00_000_007.dat";
    std::ofstream(file, std::ios::binary) << bytes;
    RunResult r = RunLogVerify(file);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Сертификат на градуировку датчика № 01-00.00.000.007"), std::string::npos);
    Overwrite(file, 0, 'X');
    r = RunLogVerify(file);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("Файл Датчика: не совпадает Контрольная Сумма"), std::string::npos) << r.output;
    r = RunLogVerify(root_ / "missing.log");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
}  // namespace gvc
