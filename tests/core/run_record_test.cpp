// The record a calibration run hands to its sink: one per run, whatever the
// end, with the run's data, the saving steps and the check of the write.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "calibration/calibration_run.h"
#include "calibration/verified_save.h"
#include "calibration_fixture.h"
#include "records/certificate.h"
#include "util/host_names.h"

namespace gvc::test {
namespace {

int Steady(int stage, int) {
    return stage == 0 ? 1000 : 8000;
}

class RunRecordTest : public CalibrationTest {
protected:
    void SetUp() override {
        CalibrationTest::SetUp();
        // The worked example's scale: 1400 thousandths are 1400 counts.
        state.NewParams.RangeTop = 10;
        // What the sensor held when it was connected: slope 0.22, offset -150.
        state.OldParams.Slope = 2200;
        state.OldParams.ZeroOffset = 150;
        state.OldParams.ZeroOffsetSign = -1;
        state.OldParams.PgaGain = 2;
        run.ResetCalibrationPage();
    }

    // Answers the questions in turn and runs until the timers stop.
    void RunWith(std::initializer_list<bool> answers, const std::function<int(int, int)>& adc = Steady) {
        for (bool answer : answers)
            op.QueueAnswer(answer);
        run.StartStopClicked();
        Feed(adc, 800);
    }

    const RunRecord& Only() {
        EXPECT_EQ(sink.records.size(), 1u);
        static const RunRecord none;
        return sink.records.empty() ? none : sink.records.back();
    }

    // A failed save ends with the notice about the sensor's own parameters
    // going back in (or failing to); the box before it is the save's message.
    std::string BoxBeforeTheRestore() {
        const std::vector<std::string> boxes = Boxes();
        if (boxes.size() < 2) {
            ADD_FAILURE() << "fewer than two boxes";
            return {};
        }
        const std::string& last = boxes.back();
        EXPECT_TRUE(last.find("Результат Градуировки не сохранен") != std::string::npos ||
                    last.find("НЕ восстановлены") != std::string::npos)
            << last;
        return boxes[boxes.size() - 2];
    }
};

TEST_F(RunRecordTest, SavedRunCarriesEverything) {
    view.cylinder = 17;
    RunWith({true, true});
    ASSERT_EQ(Status(), "OK !");
    ASSERT_EQ(run.LastSaveResult(), 0);
    const RunRecord& r = Only();
    EXPECT_EQ(r.outcome, RunOutcome::kSaved);
    EXPECT_EQ(r.resultText, "OK !");
    EXPECT_EQ(r.workstation, "LAB-PC-2");
    EXPECT_EQ(r.operatorName, "ivanov");
    EXPECT_EQ(r.runId.rfind("LAB-PC-2-1796000001-", 0), 0u) << r.runId;
    EXPECT_EQ(r.sensorNumber, "01-00.00.004.321");
    EXPECT_EQ(r.gasCode, 1);
    EXPECT_EQ(r.gasText, table.GasName(1));
    EXPECT_EQ(r.typeText, "01-00");
    EXPECT_EQ(r.unitText, list.UnitText());
    EXPECT_EQ(r.rangeTop, 10.0);
    EXPECT_EQ(r.startLocal, (ReportTimestamp{10, 12, 2026, 9, 30, 0}));
    EXPECT_EQ(r.startUtc, 1'796'000'001);
    EXPECT_GT(r.endUtc, r.startUtc);
    EXPECT_EQ(r.referenceThousandths, 1400);
    EXPECT_EQ(r.referenceSource, ReferenceSource::kCylinder);
    EXPECT_EQ(r.cylinderId, 17);
    EXPECT_EQ(r.temperature, 235);
    EXPECT_EQ(r.zeroAverage, 1000);
    EXPECT_EQ(r.referenceAverage, 8000);
    EXPECT_EQ(r.zeroSpread, 0);
    EXPECT_EQ(r.zeroSeries, std::vector<std::int32_t>(60, 1000));
    EXPECT_EQ(r.referenceSeries, std::vector<std::int32_t>(60, 8000));
    EXPECT_EQ(r.before, (RunParams{2200, -150, 2}));
    EXPECT_EQ(r.after, (RunParams{2000, -200, 2}));
    ASSERT_TRUE(r.readBackDone);
    EXPECT_EQ(r.readBack, (RunParams{2000, -200, 2}));  // 2000 x 0.8192 = 1638, x 1.2207 = 2000
    EXPECT_EQ(r.saving.reportLog, StepOutcome::kOk);
    EXPECT_EQ(r.saving.certificate, StepOutcome::kOk);
    EXPECT_EQ(r.saving.sensorWrite, StepOutcome::kOk);
    EXPECT_EQ(r.saving.readBack, StepOutcome::kOk);
    EXPECT_EQ(r.saving.message, "");
    // The record line is the log's own, byte for byte.
    const ReportLogCheck log = VerifyReportLog(ReadNative(locations::ReportLogPath));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(r.reportRecordLine, log.records[0]);
    EXPECT_EQ(r.certificatePath, CertificatePath(state.identity, table));
    const SensorDate next = state.NewParams.NextCalibrationDate;
    EXPECT_EQ(r.nextCalibration, (CivilDate{next.year, next.month, next.day}));
    EXPECT_TRUE(r.certificateSha256.empty());  // the sink's to compute
    // As found with 0.22 and -150: 70 and 1610 counts, 1000 counts a unit.
    ASSERT_TRUE(r.asFound.foundZero && r.asFound.foundReference && r.asFound.foundInTolerance);
    EXPECT_NEAR(r.asFound.foundReference->shown, 1.61, 1e-12);
    EXPECT_NEAR(r.asFound.foundReference->errorPercentReading, 15.0, 1e-9);
    EXPECT_NEAR(r.asFound.foundZero->errorPercentRange, 0.7, 1e-9);
    EXPECT_FALSE(*r.asFound.foundInTolerance);
    ASSERT_TRUE(r.asFound.leftZero && r.asFound.leftReference);
    EXPECT_NEAR(r.asFound.leftZero->shown, 0.0, 1e-12);
    EXPECT_NEAR(r.asFound.leftReference->shown, 1.4, 1e-12);
    EXPECT_EQ(run.LastRecord().runId, r.runId);
}

// Every end leaves exactly one record, with its outcome and final text.
TEST_F(RunRecordTest, EveryEndLeavesOneRecord) {
    struct Case {
        const char* what;
        std::function<void()> play;
        RunOutcome outcome;
        const char* resultText;
        StepOutcome sensorWrite = StepOutcome::kNotRun;
    };
    const auto stopAfter = [&](int samples) {
        op.QueueAnswer(true);
        run.StartStopClicked();
        Feed(Steady, samples);
        op.QueueAnswer(true);
        run.StartStopClicked();
    };
    const Case cases[] = {
        {"interrupted with Stop", [&] { stopAfter(10); }, RunOutcome::kInterrupted, "ПРЕРВАНО !"},
        {"reference gas refused",
         [&] {
             RunWith({true, false});
         },
         RunOutcome::kInterrupted, "ОТКАЗ !"},
        {"sensor lost",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 5);
             sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 2;
             Feed(Steady, 1);
         },
         RunOutcome::kFailed, "Ошибка-Датчика!"},
        {"zero gas timed out", [&] { RunWith({true}, [](int, int n) { return n % 2 ? 1000 : 9000; }); },
         RunOutcome::kFailed, "ТаймАут !"},
        {"parameter write at the start failed",
         [&] {
             sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 1;
             op.QueueAnswer(true);
             run.StartStopClicked();
             op.QueueAnswer(true);
             run.StartStopClicked();  // the operator ends the halted run
         },
         RunOutcome::kFailed, nullptr},  // the text stays what the last run left
        {"range check refused",
         [&] {
             RunWith({true, true}, [](int s, int) { return s ? 60000 : 1000; });
         },
         RunOutcome::kRefused, "Выход за предел!"},
        {"equal averages, then Stop",
         [&] {
             RunWith({true, true}, [](int, int) { return 1000; });
             op.QueueAnswer(true);
             run.StartStopClicked();
         },
         RunOutcome::kRefused, "АЦП_0 = АЦП_Э!"},
        {"gain raised, repeat refused",
         [&] {
             state.NewParams.RangeTop = 5;
             run.ResetCalibrationPage();
             RunWith({true, true, true, false});
         },
         RunOutcome::kPgaRaised, "PGA + 1 !"},
        {"report log missing",
         [&] {
             std::filesystem::remove(Native(locations::ReportLogPath));
             RunWith({true, true});
         },
         RunOutcome::kSaveFailed, "OK !"},
        {"sensor write failed while saving",
         [&] {
             op.QueueAnswer(true);
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 119);
             sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 3 + 3;  // page A of the saving
             Feed(Steady, 1);
         },
         RunOutcome::kSaveFailed, "OK !", StepOutcome::kFailed},
        {"the program closes during the zero stage",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 10);
             run.ProgramClosing();
             // The window puts the sensor back as it closes.
             run.RestoreIfNeeded();
         },
         RunOutcome::kInterrupted, "Нуль"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink.records.clear();
        sensor.failAt = 0;
        if (!fs.Exists(locations::ReportLogPath)) {
            ASSERT_TRUE(CreateReportLog(fs, op, error));
        }
        state.NewParams.RangeTop = 10;
        state.NewParams.PgaGain = 2;
        run.ResetCalibrationPage();
        c.play();
        ASSERT_EQ(sink.records.size(), 1u);
        const RunRecord& r = sink.records[0];
        EXPECT_EQ(r.outcome, c.outcome);
        if (c.resultText != nullptr) {
            EXPECT_EQ(r.resultText, Cp1251FromUtf8(c.resultText));
        }
        EXPECT_EQ(r.saving.sensorWrite, c.sensorWrite);
        EXPECT_EQ(r.sensorNumber, "01-00.00.004.321");
        EXPECT_FALSE(r.readBackDone);
        EXPECT_FALSE(r.asFound.leftReference.has_value());
        // Nothing more arrives once the run is over.
        run.ProgramClosing();
        EXPECT_EQ(sink.records.size(), 1u);
    }
}

TEST_F(RunRecordTest, NoRunNoRecord) {
    run.StartStopClicked();  // the zero question answered No
    EXPECT_EQ(Status(), "ОТКАЗ !");
    run.ProgramClosing();
    EXPECT_TRUE(sink.records.empty());
}

TEST_F(RunRecordTest, RepeatedRunIsARecordOfItsOwn) {
    state.NewParams.RangeTop = 5;
    run.ResetCalibrationPage();
    RunWith({true, true, true, true});  // raised, repeated, interrupted below
    op.QueueAnswer(true);
    run.StartStopClicked();
    ASSERT_EQ(sink.records.size(), 2u);
    EXPECT_EQ(sink.records[0].outcome, RunOutcome::kPgaRaised);
    // Computed, not applied; the sensor keeps the run's own parameters with
    // the raised gain for the repeated run, and nothing goes back in between.
    EXPECT_EQ(sink.records[0].computedSlope, 2000);
    EXPECT_EQ(sink.records[0].computedOffset, -200);
    EXPECT_EQ(sink.records[0].after.pgaGain, 3);
    EXPECT_EQ(sink.records[0].restore, StepOutcome::kNotRun);
    EXPECT_EQ(sink.records[0].paramsWrite, StepOutcome::kOk);
    EXPECT_EQ(sink.records[1].outcome, RunOutcome::kInterrupted);
    EXPECT_NE(sink.records[0].runId, sink.records[1].runId);
    // The repeated run found the sensor as it came in, not the start's write.
    EXPECT_EQ(sink.records[1].before, (RunParams{2200, -150, 2}));
}

TEST_F(RunRecordTest, TypedReferenceAndTheViewsDefaults) {
    reference = {1500, true};
    RunWith({true, false});
    EXPECT_EQ(Only().referenceSource, ReferenceSource::kTyped);
    EXPECT_EQ(Only().referenceThousandths, 1500);
    // Without a view that names them: the computer and the user.
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_FALSE(SystemUserName().empty());
}

// A sensor that acknowledges the write and keeps its flash: the read-back
// fails the save, after the records, and the record says what the sensor holds.
TEST_F(RunRecordTest, ReadBackCatchesASensorThatKeepsItsFlash) {
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 119);
    sensor.keepsFlash = true;
    sensor.Put(SensorAddressMap::kSlope, 1802);  // 0.22 as stored: 1802 x 1.2207 = 2200
    sensor.Put(SensorAddressMap::kZeroOffset, static_cast<std::uint32_t>(-150));
    sensor.Put(SensorAddressMap::kPgaGains, 0x72);
    Feed(Steady, 1);
    EXPECT_EQ(run.LastSaveResult(), kSaveReadBackFailed);
    // The read-back's message, then the notice that the sensor's own
    // parameters went back in (the run's result was not saved).
    const std::string readBackBox = BoxBeforeTheRestore();
    EXPECT_EQ(readBackBox.rfind("Параметры, прочитанные из Датчика, не совпадают с записанными\r\n", 0), 0u)
        << readBackBox;
    const RunRecord& r = Only();
    EXPECT_EQ(r.outcome, RunOutcome::kSaveFailed);
    EXPECT_EQ(r.saving.reportLog, StepOutcome::kOk);
    EXPECT_EQ(r.saving.certificate, StepOutcome::kOk);
    EXPECT_EQ(r.saving.sensorWrite, StepOutcome::kOk);
    EXPECT_EQ(r.saving.readBack, StepOutcome::kFailed);
    EXPECT_EQ(r.saving.message, Cp1251FromUtf8(readBackBox));
    ASSERT_TRUE(r.readBackDone);
    EXPECT_EQ(r.readBack, (RunParams{2200, -150, 2}));
    // As left is what the sensor really holds: the old parameters.
    ASSERT_TRUE(r.asFound.leftReference);
    EXPECT_NEAR(r.asFound.leftReference->shown, 1.61, 1e-12);
}

TEST_F(RunRecordTest, FailedReadBackFailsTheSave) {
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 119);
    // Three live reads, the saving's write (A 3, B 12, C 26), then the first read back.
    sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 3 + 41 + 1;
    Feed(Steady, 1);
    EXPECT_EQ(run.LastSaveResult(), kSaveReadBackFailed);
    EXPECT_EQ(sensor.exchanges[static_cast<std::size_t>(sensor.failAt) - 1].command, DeviceCommand::kRead);
    const std::string readBackBox = BoxBeforeTheRestore();
    EXPECT_EQ(readBackBox.rfind("Параметры, записанные в Датчик, не удалось прочитать для проверки\r\n", 0),
              0u)
        << readBackBox;
    const RunRecord& r = Only();
    EXPECT_EQ(r.saving.readBack, StepOutcome::kFailed);
    EXPECT_FALSE(r.readBackDone);
}

// A result a check refused is still the run's result; the zero stage's spread
// survives a reference stage that timed out and was asked for again.
TEST_F(RunRecordTest, RefusedResultAndZeroSpreadAreKept) {
    // 1400 counts over 59000: slope 0.0237 (code 237), offset -23.7 (-24); the
    // range top lies far beyond the ADC ceiling.
    RunWith({true, true}, [](int stage, int) { return stage ? 60000 : 1000; });
    ASSERT_EQ(Status(), "Выход за предел!");
    // The refused result is kept as computed; after it the sensor holds
    // again what it held before the run, written back and read back.
    EXPECT_EQ(Only().computedSlope, 237);
    EXPECT_EQ(Only().computedOffset, -24);
    EXPECT_EQ(Only().restore, StepOutcome::kOk);
    EXPECT_EQ(Only().after, (RunParams{2200, -150, 2}));

    sink.records.clear();
    int referenceSamples = 0;
    RunWith({true, true, true}, [&](int stage, int n) {
        if (stage == 0) return n % 2 ? 1000 : 1100;                // settles with a spread of 100
        return ++referenceSamples <= 360 ? (n % 2 ? 1000 : 30000)  // times out
                                         : 8000;
    });
    ASSERT_EQ(Status(), "OK !");
    EXPECT_EQ(Only().zeroSpread, 100);
    EXPECT_EQ(Only().zeroAverage, 1050);
}

// The reference average is the temperature-corrected one: with a factor of 2
// the 7000 counts above zero count as 3500, slope 0.4 and offset -400; as left
// reads the reference gas as 1.4 through the same correction (uncorrected it
// would read 2.8).
TEST_F(RunRecordTest, AsLeftReadsThroughTheTemperatureFactor) {
    // The start's write makes the lines from the coefficients: 200 % throughout.
    for (TempCoef& coef : state.NewParams.TempCoefs)
        coef = {200, 0};
    state.NewParams.TempEndCoef = 200;
    RunWith({true, true});
    ASSERT_EQ(Status(), "OK !");
    const RunRecord& r = Only();
    EXPECT_EQ(r.referenceAverage, 4500);
    EXPECT_EQ(r.after, (RunParams{4000, -400, 2}));
    ASSERT_TRUE(r.asFound.leftReference && r.asFound.leftZero);
    EXPECT_NEAR(r.asFound.leftReference->shown, 1.4, 1e-12);
    EXPECT_NEAR(r.asFound.leftZero->shown, 0.0, 1e-12);
    // As found with 0.22 and -150: 0.22 x 4500 - 150 = 840 counts.
    EXPECT_NEAR(r.asFound.foundReference->shown, 0.84, 1e-12);
}

}  // namespace
}  // namespace gvc::test
