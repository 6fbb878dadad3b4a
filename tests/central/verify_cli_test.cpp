// `gvc-cli central verify` as a user runs it on a workstation: its database,
// its report log and the server's copy agree (exit 0); a row the server's
// administrator deleted is named (exit 1); a damaged local file is named too,
// as db verify names it; without central.ini or a server it says why (exit 1).
#include <gtest/gtest.h>

#include <fstream>

#include "../core/history_fixtures.h"
#include "read_fixture.h"

namespace gvc {
namespace {

using test::Laboratory;
using test::LabRun;
using test::LabWorkstation;
using test::ProcessResult;

ProcessResult Cli(const std::filesystem::path& driveD, std::vector<std::string> args) {
    args.insert(args.begin(), GVC_CLI_PATH);
    return test::RunProcess(args, {}, {"GVC_DRIVE_D=" + driveD.string()});
}

// A workstation whose report log holds its runs' records, as after calibrating.
void WriteReportLog(LabWorkstation& ws, const std::vector<RunRecord>& runs) {
    std::vector<std::string> lines;
    for (const RunRecord& r : runs)
        lines.push_back(r.reportRecordLine);
    std::filesystem::create_directories(ws.DataDir() / "Отчет");
    std::ofstream(ws.DataDir() / "Отчет" / "REPORT.log", std::ios::binary) << testing::LogBytes(lines);
}

TEST(CentralVerifyCli, AgreesThenNamesWhatChanged) {
    Laboratory lab("verify_cli");
    ASSERT_TRUE(lab.Ok());
    LabWorkstation ws("WS-A");
    std::vector<RunRecord> runs;
    for (int n = 1; n <= 3; ++n) {
        runs.push_back(LabRun("WS-A", n, "03-01.00.012.345", {2026, 5, 14}, {2027, 5, 14}));
        ws.Add(runs.back());
    }
    WriteReportLog(ws, runs);

    // No central.ini: said, exit 1.
    ProcessResult r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("central.ini: no central database is set up"), std::string::npos) << r.err;

    std::string cause;
    ASSERT_TRUE(SaveCentralSettings(lab.WorkstationSettings(), cause,
                                    Cp1251FromUtf8((ws.DataDir() / "central.ini").string())));
    // Nothing sent yet: every run is named as waiting.
    r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("запуск WS-A-2026-05-14-3 (строка 3 базы данных) ещё не отправлен"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("0 runs on the central server, 3 not sent yet: DIFFERENCES FOUND"),
              std::string::npos)
        << r.out;

    ws.Send(lab);
    r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out,
              "3 rows, 3 log records, 0 certificates, 3 runs on the central server: the workstation and the "
              "central server agree\n");

    {
        auto admin = lab.Db().Admin();
        ASSERT_TRUE(admin);
        ASSERT_TRUE(admin->Run("SET session_replication_role = replica"));
        ASSERT_TRUE(admin->Exec("DELETE FROM gvc.runs WHERE station_seq = 2").Ok()) << admin->Error();
    }
    r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out,
              "центральная база: строка 2 этого рабочего места удалена\n"
              "запуск WS-A-2026-05-14-2 (строка 2 базы данных) отправлен, но на центральном сервере его нет\n"
              "3 rows, 3 log records, 0 certificates, 2 runs on the central server: DIFFERENCES FOUND\n");

    // The workstation's own file, checked as db verify checks it.
    WriteReportLog(ws, {runs[0], runs[1]});
    r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("её записи нет в журнале"), std::string::npos) << r.out;

    // A server that does not answer.
    CentralSettings away = lab.WorkstationSettings();
    away.port = 1;
    away.connectTimeoutSeconds = 2;
    ASSERT_TRUE(SaveCentralSettings(away, cause, Cp1251FromUtf8((ws.DataDir() / "central.ini").string())));
    r = Cli(ws.DriveD(), {"central", "verify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("central database not reached: нет связи с центральной базой"), std::string::npos)
        << r.err;
    EXPECT_EQ(Cli(ws.DriveD(), {"central", "verify", "extra"}).exitCode, 2);
}

}  // namespace
}  // namespace gvc
