// One record held by several runs on the server: a workstation whose database
// was rebuilt from its files sends its records again as imported rows. The
// laboratory's history shows each calibration with its own run's as found,
// flags, operator and workstation; the CSV and the window's reading name each
// record once, as its own run tells it.
#include <gtest/gtest.h>

#include "central/central_record_runs.h"
#include "read_fixture.h"

namespace gvc {
namespace {

using namespace gvc::literals;
using test::Laboratory;
using test::LabRun;
using test::LabWorkstation;
using test::ProcessResult;

const std::string kSensor = "03-01.00.012.345";

// The row a database rebuilt from the files holds for `run`: its record only.
RunRecord ImportedCopy(const RunRecord& run, const std::string& workstation) {
    RunRecord copy;
    copy.imported = true;
    copy.runId = "import-log-" + run.runId;
    copy.workstation = workstation;
    copy.sensorNumber = run.sensorNumber;
    copy.gasCode = run.gasCode;
    copy.typeNumber = run.typeNumber;
    copy.typeText = run.typeText;
    copy.startLocal = run.endLocal;
    copy.endLocal = run.endLocal;
    copy.outcome = RunOutcome::kSaved;
    copy.resultText = "импортировано из файлов"_cp;
    copy.saving.reportLog = StepOutcome::kOk;
    copy.reportRecordLine = run.reportRecordLine;
    copy.nextCalibration = run.nextCalibration;
    return copy;
}

class ReadDuplicates : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lab_.Ok());
        // In May the sensor is found in tolerance; in June far out of it, and
        // its write fails.
        RunRecord may = LabRun("WS-A", 1, kSensor, {2026, 5, 14}, {2027, 5, 14});
        may.asFound.foundReference = ReadingError{50.01, 0.02, 0.005};
        may.asFound.foundInTolerance = true;
        RunRecord june = LabRun("WS-A", 2, kSensor, {2026, 6, 1}, {2027, 6, 1});
        june.operatorName = "Петров П.П."_cp;
        june.asFound.foundReference = ReadingError{385.5, 671.0, 167.75};
        june.asFound.foundInTolerance = false;
        june.saving.sensorWrite = StepOutcome::kFailed;
        own_.Add(may);
        own_.Add(june);
        own_.Send(lab_);
        rebuilt_.Add(ImportedCopy(may, "WS-A2"));
        rebuilt_.Add(ImportedCopy(june, "WS-A2"));
        rebuilt_.Send(lab_);
        std::filesystem::create_directories(head_.Path() / "ВЕЛМОР_Датчики");
        std::string cause;
        ASSERT_TRUE(
            SaveCentralSettings(lab_.ReaderSettings(), cause,
                                Cp1251FromUtf8((head_.Path() / "ВЕЛМОР_Датчики" / "central.ini").string())))
            << Utf8FromCp1251(cause);
    }
    ProcessResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), GVC_CLI_PATH);
        return test::RunProcess(args, {}, {"GVC_DRIVE_D=" + head_.Path().string()});
    }
    Laboratory lab_{"read_dup"};
    LabWorkstation own_{"WS-A"};
    LabWorkstation rebuilt_{"WS-A2"};
    test::TempDir head_;
};

std::string LineWith(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    if (at == std::string::npos) return {};
    const std::size_t start = text.rfind('\n', at) + 1;
    return text.substr(start, text.find('\n', at) - start);
}

TEST_F(ReadDuplicates, TheHistoryPairsEachRecordWithItsOwnRun) {
    const ProcessResult history = Cli({"history", kSensor, "--central"});
    ASSERT_EQ(history.exitCode, 0) << history.err;
    EXPECT_NE(history.out.find("sensor " + kSensor + ": 2 calibrations"), std::string::npos) << history.out;
    const struct {
        const char* date;
        std::vector<std::string> shown;
        std::vector<std::string> notShown;
    } cases[] = {
        {"14.05.2026",
         {"50.01 (", "в допуске", "; Иванов И.И.; WS-A"},
         {"вне допуска", "ДАТЧИК НЕ ЗАПИСАН", "импорт"}},
        {"01.06.2026",
         {"385.5 (", "вне допуска", "; Петров П.П.; WS-A", "ДАТЧИК НЕ ЗАПИСАН"},
         {"импорт", "WS-A2"}},
    };
    for (const auto& c : cases) {
        const std::string line = LineWith(history.out, c.date);
        ASSERT_FALSE(line.empty()) << c.date << "\n" << history.out;
        for (const std::string& part : c.shown)
            EXPECT_NE(line.find(part), std::string::npos) << part << " in: " << line;
        for (const std::string& part : c.notShown)
            EXPECT_EQ(line.find(part), std::string::npos) << part << " in: " << line;
    }
}

TEST_F(ReadDuplicates, TheCsvAndTheWindowNameEachRecordOnceAsItsOwnRunTellsIt) {
    const ProcessResult csv = Cli({"export-csv", "--central"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    std::size_t lines = 0;
    for (std::size_t at = csv.out.find("\r\n"); at != std::string::npos; at = csv.out.find("\r\n", at + 1))
        ++lines;
    EXPECT_EQ(lines, 3u) << csv.out;
    EXPECT_EQ(csv.out.find(",WS-A2,"), std::string::npos) << csv.out;
    EXPECT_NE(LineWith(csv.out, "2026-05-14,").find(",WS-A,0"), std::string::npos) << csv.out;
    EXPECT_NE(LineWith(csv.out, "2026-06-01,").find(",WS-A,1"), std::string::npos) << csv.out;

    // The window reads the laboratory's records through OneRunPerRecord.
    const auto reader = lab_.Reader();
    ASSERT_TRUE(reader);
    for (auto read : {reader->LoggedRuns(), reader->SensorRuns(kSensor)}) {
        ASSERT_TRUE(read.ok) << Utf8FromCp1251(read.message);
        ASSERT_EQ(read.value.size(), 4u);
        const std::vector<RecordRun> records = OneRunPerRecord(std::move(read.value));
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].record.date, (CivilDate{2026, 5, 14}));
        EXPECT_EQ(records[1].record.date, (CivilDate{2026, 6, 1}));
        for (const RecordRun& r : records) {
            EXPECT_FALSE(r.run.record.imported);
            EXPECT_EQ(r.run.record.workstation, "WS-A");
        }
        EXPECT_EQ(records[1].run.record.asFound.foundReference->shown, 385.5);
    }
}

}  // namespace
}  // namespace gvc
