// gvc-cli export-csv, history and due on files made to order, run as a user
// would: standard output and standard error apart, and the exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "history/due_list.h"
#include "history_fixtures.h"
#include "records_fixtures.h"

namespace gvc {
namespace {

using testing::LogBytes;
using testing::LogLine;
using testing::RecordLine;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class RecordsCli : public testing::TempDataRoot {
protected:
    CliRun Run(const std::string& args) {
        const auto errFile = root_ / "stderr.txt";
        const std::string command = std::string(GVC_CLI_PATH) + " " + args + " 2>'" + errFile.string() + "'";
        CliRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return run;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            run.out.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = ReadFileBytes(errFile, 1 << 24).value_or("");
        return run;
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const auto file = root_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return "'" + file.string() + "'";
    }
};

TEST_F(RecordsCli, ExportCsvMergesLogsAndRefusesADamagedOne) {
    LogLine a, b;
    a.date = "03.02.2026";
    b.date = "01.02.2026";
    b.sensor = "03-01.00.000.001";
    b.unitUtf8 = "a,b";
    const std::string first = Write("one.log", LogBytes({RecordLine(a)}));
    const std::string second = Write("two.log", LogBytes({RecordLine(b)}));
    CliRun r = Run("export-csv " + first + " " + second);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "date,time,sensor_old,sensor_new,calibration,k00,ki,calibration_resource_max,work_resource_max,"
              "unit\r\n"
              "2026-02-01,10:22:05,03-01.00.000.001,03-01.00.000.001,5,0.9766,1.0000,500,17520,\"a,b\"\r\n"
              "2026-02-03,10:22:05,03-01.00.012.345,03-01.00.012.345,5,0.9766,1.0000,500,17520,мг/м3\r\n");
    r = Run("export-csv --excel " + first);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        r.out.starts_with("\xEF\xBB\xBF"
                          "date;time;"));

    std::string damaged = LogBytes({RecordLine(a)});
    damaged[damaged.size() - 10 - 106 - 106 + 3] = '7';
    const std::string broken = Write("broken.log", damaged);
    r = Run("export-csv " + first + " " + broken);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");  // never a partial export
    EXPECT_NE(r.err.find("broken.log: Файл Отчета: не совпадает Контрольная Сумма"), std::string::npos)
        << r.err;
    EXPECT_EQ(Run("export-csv").exitCode, 2);
}

TEST_F(RecordsCli, HistoryMarksAFastChange) {
    LogLine first, second, other;
    second.date = "01.06.2026";
    second.calibration = "006";
    second.ki = "+00.7000";
    other.sensor = "03-01.00.000.001";
    const std::string log =
        Write("REPORT.log", LogBytes({RecordLine(first), RecordLine(other), RecordLine(second)}));
    CliRun r = Run("history 03-01.00.012.345 " + log);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "sensor 03-01.00.012.345: 2 calibrations\n"
              "date        time      no.  K<00>     K<i>      change of K<i>\n"
              "14.05.2026  10:22:05  5    0.9766    1.0000\n"
              "01.06.2026  10:22:05  6    0.9766    0.7000    -30.0 %    ! fast change\n");
    // Without a log: the workstation's own.
    Write("ВЕЛМОР_Датчики/Отчет/REPORT.log", LogBytes({RecordLine(first)}));
    r = Run("history 03-01_00_012_345");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 calibrations"), std::string::npos);
    r = Run("history 03-01.00.000.777 " + log);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no calibrations of 03-01.00.000.777"), std::string::npos);
}

TEST_F(RecordsCli, DueListsOverdueAndNamesADamagedCertificate) {
    const std::string dir = "ВЕЛМОР_Датчики/Датчики/03-CO/Тип_03-01/";
    Write(dir + "03-01_00_000_001.dat",
          testing::CertificateFile({3, 1, 1, 3}, "CO", "28.02.2027", "31.12.2030", {28, 8, 2026, 9, 0, 0}));
    Write(dir + "03-01_00_000_002.dat",
          testing::CertificateFile({3, 2, 1, 3}, "CO", "31.12.2026", "30.11.2026", {30, 6, 2026, 9, 0, 0}));
    CliRun r = Run("due --today 2027-01-31 --tsv");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "sensor\tgas\tcalibrated\tnext\tdays\n"
              "03-01.00.000.002\tCO\t2026-06-30\t2026-12-31\t-31\n"
              "03-01.00.000.001\tCO\t2026-08-28\t2027-02-28\t28\n");
    r = Run("due --today 2027-01-31 --within 10");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "sensor            gas         calibrated  next         days  end of use passed\n"
              "03-01.00.000.002  CO          30.06.2026  31.12.2026    -31  30.11.2026\n");

    std::string damaged =
        testing::CertificateFile({3, 3, 1, 3}, "CO", "01.01.2027", "31.12.2030", {1, 7, 2026, 9, 0, 0});
    damaged[80] = 'Z';
    Write(dir + "03-01_00_000_003.dat", damaged);
    r = Run("due --today 2027-01-31 --tsv");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);  // the others are still listed
    EXPECT_NE(r.err.find("03-01_00_000_003.dat: Файл Датчика: не совпадает Контрольная Сумма"),
              std::string::npos)
        << r.err;
    for (const char* bad : {"--within -1", "--within x", "--today 2027-02-30", "--today", "--bogus"})
        EXPECT_EQ(Run(std::string("due ") + bad).exitCode, 2) << bad;
}

// What the log page's count of unchecked certificates comes from as well.
TEST_F(RecordsCli, DueNamesEveryUnreadableCertificateOnceAndCountsIt) {
    const std::string dir = "ВЕЛМОР_Датчики/Датчики/03-CO/Тип_03-01/";
    Write(dir + "03-01_00_000_001.dat",
          testing::CertificateFile({3, 1, 1, 3}, "CO", "28.02.2027", "31.12.2030", {28, 8, 2026, 9, 0, 0}));
    const auto folder = root_ / "ВЕЛМОР_Датчики/Датчики/03-CO/Тип_03-01";
    Write(dir + "big.dat", "x");
    std::filesystem::resize_file(folder / "big.dat", kMaxCertificateSize + 1);
    Write(dir + "empty.dat", "");
    ASSERT_EQ(::mkfifo((folder / "fifo.dat").c_str(), 0600), 0);
    std::filesystem::create_directories(folder / "folder.dat");
    const std::string notRegular = ": не обычный файл (каталог, канал или устройство)\n";
    const struct {
        const char* name;
        std::string reason;
    } cases[] = {
        {"big.dat", ": файл больше " + std::to_string(kMaxCertificateSize) + " байт\n"},
        {"empty.dat", ": Файл Датчика: пустой файл\n"},
        {"fifo.dat", notRegular},
        {"folder.dat", notRegular},
    };
    const CliRun r = Run("due --today 2027-01-31 --tsv");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);  // sensor 1 is still listed
    for (const auto& c : cases) {
        const std::string path = (folder / c.name).string();
        EXPECT_NE(r.err.find(path + c.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(path), r.err.rfind(path)) << "named twice: " << r.err;
    }
    const CertificateScan scan = ScanCertificates(root_ / "ВЕЛМОР_Датчики/Датчики");
    EXPECT_EQ(scan.problems.size(), std::size(cases));
    EXPECT_EQ(scan.certificates.size(), 1u);
}

TEST_F(RecordsCli, EveryCommandNamesAnUnknownOption) {
    const std::string log = Write("REPORT.log", LogBytes({RecordLine({})}));
    const std::string cases[] = {
        "export-csv --tsv " + log,
        "export-csv " + log + " -x",
        "history --bogus 03-01.00.012.345",
        "due --within 5 --csv",
        "log-verify --all " + log,
        "table-check --strict x.dat",
        "read --port",
        "probe -v",
        "sample --count 3",
        "version --short",
        "calibrate --force",
    };
    for (const std::string& args : cases) {
        const CliRun r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        const std::string command = args.substr(0, args.find(' '));
        EXPECT_NE(r.err.find("gvc-cli " + command + ": unknown option -"), std::string::npos)
            << args << ": " << r.err;
        EXPECT_EQ(r.err.find("No such file"), std::string::npos) << args << ": " << r.err;
        EXPECT_NE(r.err.find("usage: gvc-cli " + command), std::string::npos) << args << ": " << r.err;
    }
    // Values that start with "-" are values, "-" alone and negative numbers no options.
    EXPECT_EQ(Run("due --within -1").err, "--within takes a number of days from 0 to 100000\n");
}

TEST_F(RecordsCli, AnEmptyCertificateSaysSo) {
    const CliRun r = Run("log-verify " + Write("empty.dat", ""));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Файл Датчика: пустой файл\n");
}

}  // namespace
}  // namespace gvc
