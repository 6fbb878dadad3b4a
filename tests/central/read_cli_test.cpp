// gvc-cli's readers with --central, run as a user runs them: the
// laboratory's due list, a sensor's history and the CSV hold every
// workstation's runs; for one workstation's runs the output is that of the
// local form; no central.ini, an unreachable server and a wrong command line
// each say so with their exit code.
#include <gtest/gtest.h>

#include "read_fixture.h"

namespace gvc {
namespace {

using test::Laboratory;
using test::LabRun;
using test::LabWorkstation;
using test::ProcessResult;
using test::RunProcess;

const std::string kShared = "03-01.00.012.345";

// gvc-cli with drive D: at `driveD`.
ProcessResult Cli(const std::filesystem::path& driveD, std::vector<std::string> args) {
    args.insert(args.begin(), GVC_CLI_PATH);
    return RunProcess(args, {}, {"GVC_DRIVE_D=" + driveD.string()});
}

void WriteCentralIni(const std::filesystem::path& driveD, const CentralSettings& settings) {
    std::filesystem::create_directories(driveD / "ВЕЛМОР_Датчики");
    std::string cause;
    ASSERT_TRUE(SaveCentralSettings(settings, cause,
                                    Cp1251FromUtf8((driveD / "ВЕЛМОР_Датчики" / "central.ini").string())))
        << Utf8FromCp1251(cause);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(CentralReadCli, TheLaboratorysViewHoldsBothWorkstations) {
    Laboratory lab("read_cli");
    ASSERT_TRUE(lab.Ok());
    LabWorkstation a("WS-A");
    LabWorkstation b("WS-B");
    a.Add(LabRun("WS-A", 1, kShared, {2026, 5, 14}, {2027, 5, 14}));
    b.Add(LabRun("WS-B", 2, kShared, {2026, 6, 1}, {2026, 12, 1}));
    a.Send(lab);
    b.Send(lab);
    // The head of the laboratory's computer: no calibration database, a reader's central.ini.
    test::TempDir head;
    WriteCentralIni(head.Path(), lab.ReaderSettings());

    const ProcessResult due = Cli(head.Path(), {"due", "--central", "--today", "2026-11-20", "--tsv"});
    EXPECT_EQ(due.exitCode, 0) << due.err;
    EXPECT_EQ(due.out,
              "sensor\tgas\tcalibrated\tnext\tdays\n" + kShared + "\tCO\t2026-06-01\t2026-12-01\t11\n");

    const ProcessResult history = Cli(head.Path(), {"history", kShared, "--central"});
    EXPECT_EQ(history.exitCode, 0) << history.err;
    EXPECT_NE(history.out.find("sensor " + kShared + ": 2 calibrations"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("; operator; workstation\n"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("14.05.2026"), std::string::npos);
    EXPECT_NE(history.out.find("; Иванов И.И.; WS-A\n"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("; Иванов И.И.; WS-B\n"), std::string::npos) << history.out;

    const ProcessResult csv = Cli(head.Path(), {"export-csv", "--central"});
    EXPECT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(Count(csv.out, "\r\n"), 3u) << csv.out;
    EXPECT_EQ(Count(csv.out, ",WS-A,"), 1u) << csv.out;
    EXPECT_EQ(Count(csv.out, ",WS-B,"), 1u) << csv.out;
}

TEST(CentralReadCli, OneWorkstationsRunsReadAsTheLocalFormReadsThem) {
    Laboratory lab("read_same");
    ASSERT_TRUE(lab.Ok());
    LabWorkstation a("WS-A");
    a.Add(LabRun("WS-A", 1, kShared, {2026, 5, 14}, {2027, 5, 14}));
    a.Add(LabRun("WS-A", 2, kShared, {2026, 6, 1}, {2026, 12, 1}));
    RunRecord other = LabRun("WS-A", 3, "03-01.00.000.007", {2026, 6, 2}, {2026, 11, 2});
    other.saving.sensorWrite = StepOutcome::kFailed;  // shown with its mark in both
    a.Add(other);
    a.Send(lab);
    WriteCentralIni(a.DriveD(), lab.WorkstationSettings());

    const std::vector<std::vector<std::string>> forms = {
        {"due", "--today", "2026-11-20"},
        {"due", "--today", "2026-11-20", "--tsv", "--within", "400"},
        {"export-csv"},
        {"export-csv", "--excel"},
    };
    for (const auto& form : forms) {
        const ProcessResult local = Cli(a.DriveD(), form);
        std::vector<std::string> central = form;
        central.push_back("--central");
        const ProcessResult server = Cli(a.DriveD(), central);
        EXPECT_EQ(local.exitCode, 0) << form[0] << local.err;
        EXPECT_EQ(server.exitCode, 0) << form[0] << server.err;
        EXPECT_EQ(server.out, local.out) << form[0];
        EXPECT_FALSE(local.out.empty());
    }
    // The history adds the workstation after the operator, and nothing else.
    const ProcessResult local = Cli(a.DriveD(), {"history", kShared});
    const ProcessResult server = Cli(a.DriveD(), {"history", kShared, "--central"});
    ASSERT_EQ(local.exitCode, 0) << local.err;
    ASSERT_EQ(server.exitCode, 0) << server.err;
    std::string expected = local.out;
    const std::string header = "; operator\n";
    expected.replace(expected.find(header), header.size(), "; operator; workstation\n");
    for (std::size_t at = expected.find("Иванов И.И.\n"); at != std::string::npos;
         at = expected.find("Иванов И.И.\n", at + 1))
        expected.replace(at, std::string("Иванов И.И.\n").size(), "Иванов И.И.; WS-A\n");
    EXPECT_EQ(server.out, expected);
}

TEST(CentralReadCli, NoSettingsNoServerAndWrongLinesAreSaid) {
    test::TempDir none;
    const struct {
        std::vector<std::string> args;
    } forms[] = {{{"due", "--central"}}, {{"history", kShared, "--central"}}, {{"export-csv", "--central"}}};
    for (const auto& f : forms) {
        const ProcessResult r = Cli(none.Path(), f.args);
        EXPECT_EQ(r.exitCode, 1) << f.args[0];
        EXPECT_NE(r.err.find("central.ini: no central database is set up (gvc-cli central connect)"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
    }

    // A server that does not answer: nothing listens on the port central.ini names.
    test::TempDir down;
    Laboratory lab("read_down");
    ASSERT_TRUE(lab.Ok());
    CentralSettings settings = lab.ReaderSettings();
    settings.port = 1;
    settings.connectTimeoutSeconds = 2;
    WriteCentralIni(down.Path(), settings);
    for (const auto& f : forms) {
        const ProcessResult r = Cli(down.Path(), f.args);
        EXPECT_EQ(r.exitCode, 1) << f.args[0];
        EXPECT_NE(r.err.find("central database not reached: нет связи с центральной базой"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
    }

    // --central reads the server only: no LOG, no --files beside it.
    const std::vector<std::string> wrong[] = {{"history", kShared, "REPORT.log", "--central"},
                                              {"due", "--files", "--central"},
                                              {"export-csv", "REPORT.log", "--central"}};
    for (const auto& args : wrong) {
        const ProcessResult r = Cli(none.Path(), args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_NE(r.err.find("usage: gvc-cli"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace gvc
