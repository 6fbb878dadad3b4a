#include "calibration/calibration_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "calibration/calibration_math.h"
#include "calibration_fixture.h"
#include "records/certificate.h"

namespace gvc::test {
namespace {

constexpr int kSteady = 1000;

// Constant values settle at the first window end: 60 samples per stage.
int Steady(int stage, int) {
    return stage == 0 ? kSteady : 8000;
}

TEST_F(CalibrationTest, WorkedExampleRunsToSavedCalibration) {
    // Multiplier scale 100 and range scale 10: 1400 thousandths are 1400 counts.
    state.NewParams.RangeTop = 10;
    run.ResetCalibrationPage();
    ASSERT_EQ(state.NewParams.RangeScale, 10.0);
    op.QueueAnswer(true);  // zero gas in place
    op.QueueAnswer(true);  // reference gas in place
    run.StartStopClicked();
    ASSERT_EQ(Status(), "Нуль");
    EXPECT_EQ(run.Page().spreadLimitText, "03932");  // 150 x 1e-4 x 65535 x 2^2
    EXPECT_EQ(Feed(Steady, 59), 59);
    EXPECT_EQ(run.Stage(), 0);
    Feed(Steady, 1);  // the 60th sample ends the first window: settled
    EXPECT_EQ(Status(), "Эталон");
    EXPECT_EQ(run.Page().zeroAverageText, "01000");
    Feed(Steady, 60);
    EXPECT_EQ(Status(), "OK !");
    EXPECT_EQ(run.Page().referenceAverageText, "08000");
    EXPECT_EQ(run.Page().slopeText, "0.2000");
    EXPECT_EQ(run.Page().offsetText, "-200");
    EXPECT_EQ(state.NewParams.Slope, 2000);
    EXPECT_EQ(state.NewParams.ZeroOffset, -200);
    EXPECT_EQ(state.NewParams.ZeroOffsetSign, 0);
    EXPECT_EQ(list.Text(kRowZeroOffset, CharacteristicsColumn::kNew), "+000200");
    EXPECT_EQ(list.Text(kRowSlope, CharacteristicsColumn::kNew), "+00.8000");  // 2000 x 2^2
    // Saved: record, certificate, counter, sensor pages.
    EXPECT_EQ(run.LastSaveResult(), 0);
    EXPECT_EQ(Boxes().back(), "Результат Градуировки Датчика Сохранен");
    const ReportLogCheck log = VerifyReportLog(ReadNative(locations::ReportLogPath));
    ASSERT_TRUE(log.ok);
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].substr(0, 55), "|10.12.2026|09:30:00|01-00.00.004.321|01-00.00.004.321|");
    EXPECT_TRUE(VerifyCertificate(ReadNative(CertificatePath(state.identity, table))).ok);
    EXPECT_EQ(state.NewParams.CalibrationCount, 1);
    // The list shows the counter the sensor now holds, without a reconnection.
    EXPECT_EQ(list.Text(kRowCalibrationCount, CharacteristicsColumn::kNew), "001");
    EXPECT_EQ(view.saveLines, (std::vector<std::string>{Cp1251FromUtf8("Датчик успешно отградуирован"),
                                                        Cp1251FromUtf8("Отчет сохранен"),
                                                        Cp1251FromUtf8("Сертификат заполнен")}));
    EXPECT_EQ(progress.runs, (std::vector<TransferMode>{TransferMode::kWrite, TransferMode::kSave}));
    EXPECT_EQ(run.Page().startCaption, "Старт"_cp);
    EXPECT_EQ(run.Page().lamps, (LampStates{1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(CalibrationTest, SpreadEqualToTheLimitDoesNotSettle) {
    state.NewParams.PgaGain = 0;  // limit 983
    op.QueueAnswer(true);
    run.StartStopClicked();
    ASSERT_EQ(run.SpreadLimit(), 983);
    Feed([](int, int n) { return n % 2 == 0 ? 1000 : 1983; }, 60);
    EXPECT_EQ(run.Stage(), 0);
    EXPECT_EQ(run.Page().spreadText, "00983");
    Feed([](int, int n) { return n % 2 == 0 ? 1000 : 1982; }, 60);
    EXPECT_EQ(Status(), "ОТКАЗ !");  // settled: the reference question was answered No
    EXPECT_EQ(Boxes().size(), 3u);   // and the sensor got its parameters back
}

TEST_F(CalibrationTest, DigitalFrontEndSettlesNoEarlierThanSixtySeconds) {
    state.NewParams.ElectrodeCode = 0;
    run.ResetCalibrationPage();
    op.QueueAnswer(true);
    run.StartStopClicked();
    ASSERT_EQ(Status(), "Нуль");
    EXPECT_EQ(Feed(Steady, 60), 60);
    EXPECT_EQ(Boxes().size(), 1u);  // the first window of a digital front end never settles
    EXPECT_EQ(Feed(Steady, 60), 60);
    ASSERT_EQ(Boxes().size(), 3u);  // settled at 60 s: the reference question, answered No
    EXPECT_EQ(Boxes()[1].rfind("<----- Градуировка Эталона", 0), 0u);
    // 161 at the start, 162 at the end of the zero stage.
    std::vector<std::uint32_t> commands;
    for (const Exchange& e : sensor.exchanges) {
        if (e.command == DeviceCommand::kWrite && e.address == SensorAddressMap::kFrontEndByte.address) {
            commands.push_back(e.valueSent);
        }
    }
    EXPECT_EQ(commands, (std::vector<std::uint32_t>{161, 162}));
}

TEST_F(CalibrationTest, SettledSixthWindowIsATimeOut) {
    op.QueueAnswer(true);
    run.StartStopClicked();
    const auto noisyThenSteady = [](int, int n) { return n < 300 ? (n % 2 ? 1000 : 9000) : 1000; };
    EXPECT_EQ(Feed(noisyThenSteady, 400), 360);
    EXPECT_EQ(Status(), "ТаймАут !");
    EXPECT_EQ(run.Page().startCaption, "Старт"_cp);
    EXPECT_EQ(run.Page().timeText, "03:00");
    EXPECT_FALSE(run.Page().sampleTimerOn || run.Page().drawTimerOn);
    // Only the zero question, no reference question; then the sensor is put back.
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].rfind("Результат Градуировки не сохранен", 0), 0u);
}

TEST_F(CalibrationTest, ReferenceTimeOutAsksAgainOverTheKeptZeroSamples) {
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    op.QueueAnswer(true);  // the repeated reference question
    run.StartStopClicked();
    Feed(Steady, 60);
    ASSERT_EQ(Status(), "Эталон");
    Feed([](int, int n) { return n % 2 ? 1000 : 30000; }, 360);
    EXPECT_EQ(Boxes().size(), 3u);
    EXPECT_EQ(Boxes()[2], Boxes()[1]);
    EXPECT_EQ(run.Page().zeroAverageText, "01000");
    EXPECT_EQ(Status(), "Эталон");  // the reference stage runs again
    EXPECT_TRUE(run.Page().sampleTimerOn);
    EXPECT_EQ(run.Stage(), 2);
}

TEST_F(CalibrationTest, RefusalsAndInterruption) {
    // No to the first zero question after a connection: the text changes, hidden.
    run.StartStopClicked();
    EXPECT_EQ(Status(), "ОТКАЗ !");
    EXPECT_FALSE(run.Page().statusVisible);
    EXPECT_EQ(run.Page().statusBackground, kColourSkyBlue);
    // A run, then Stop answered No: nothing changes; Yes: interrupted.
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 10);
    run.StartStopClicked();  // No (default answer)
    EXPECT_TRUE(run.Page().sampleTimerOn);
    EXPECT_EQ(Status(), "Нуль");
    EXPECT_EQ(Boxes().back(), "Идет Градуировка - Вы хотите ее Прервать!");
    op.QueueAnswer(true);
    run.StartStopClicked();
    EXPECT_EQ(Status(), "ПРЕРВАНО !");
    EXPECT_FALSE(run.Page().sampleTimerOn);
    EXPECT_EQ(run.Page().lamps, (LampStates{1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(run.Page().statusFont, kFontRed);
}

TEST_F(CalibrationTest, InterruptionQuestionHoldsTheRun) {
    // While the question is open both timers stand still; No turns them back
    // on, Yes ends the run with them off.
    using Timers = std::vector<std::pair<bool, bool>>;
    struct Case {
        bool yes;
        Timers seen;  // (draw, sample) from the click on
        const char* status;
    } const cases[] = {
        {false, {{true, true}, {false, false}, {true, true}}, "Нуль"},
        {true, {{true, true}, {false, false}}, "ПРЕРВАНО !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.yes ? "Yes" : "No");
        op.QueueAnswer(true);
        run.StartStopClicked();
        Feed(Steady, 10);
        ASSERT_EQ(Status(), "Нуль");
        view.timers = {{true, true}};
        op.QueueAnswer(c.yes);
        const std::size_t shown = Boxes().size();
        run.StartStopClicked();
        ASSERT_GT(Boxes().size(), shown);
        EXPECT_EQ(Boxes()[shown], "Идет Градуировка - Вы хотите ее Прервать!");
        EXPECT_EQ(view.timers, c.seen);
        EXPECT_EQ(Status(), c.status);
        if (!c.yes) {
            op.QueueAnswer(true);
            run.StartStopClicked();  // ends this run for the next case
        }
        ASSERT_FALSE(run.Running());
    }
}

TEST_F(CalibrationTest, LostSensorEndsTheRun) {
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 5);
    sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 2;  // the temperature read of the next tick
    Feed(Steady, 1);
    EXPECT_EQ(Status(), "Ошибка-Датчика!");
    EXPECT_EQ(connectionState, -1);
    EXPECT_EQ(view.portClosures, 1);
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(run.Page().startCaption, "Старт"_cp);
    EXPECT_EQ(run.ZeroGraph().sampleCount, 5);  // collected samples stay
}

TEST_F(CalibrationTest, FrontEndThatDoesNotAnswerHaltsTheRun) {
    state.NewParams.ElectrodeCode = 0;
    sensor.frontEndReady = false;
    run.ResetCalibrationPage();
    op.QueueAnswer(true);
    run.StartStopClicked();
    EXPECT_EQ(run.Page().startCaption, "Стоп"_cp);
    EXPECT_FALSE(run.Page().sampleTimerOn);
    EXPECT_FALSE(Boxes().back().empty());
}

struct GainCase {
    const char* what;
    int zeroAdc;
    int referenceAdc;
    std::uint8_t electrode;
    std::uint16_t rangeTop;
    std::uint8_t pga;
    std::uint8_t pgaMax;
    bool answer;
    const char* status;
    std::uint8_t pgaAfter;
};

// Test names show what a case is about.
void PrintTo(const GainCase& c, std::ostream* out) {
    *out << c.what;
}

class GainDecision : public CalibrationTest, public ::testing::WithParamInterface<GainCase> {};

// Zero at ADC 1000 and reference at 8000 for 1400 of 1000 counts give
// slope 0.2 and offset -200: the ADC code at the range top is (12.0 x 1000
// ... + 200) / 0.2 for a range top of 12.
TEST_P(GainDecision, FollowsTheRangeCheck) {
    const GainCase& c = GetParam();
    state.NewParams.RangeTop = c.rangeTop;
    state.NewParams.PgaGain = c.pga;
    state.NewParams.PgaGainMax = c.pgaMax;
    state.NewParams.ElectrodeCode = c.electrode;
    run.ResetCalibrationPage();
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    op.QueueAnswer(c.answer);
    run.StartStopClicked();
    Feed([&c](int stage, int) { return stage == 0 ? c.zeroAdc : c.referenceAdc; }, 120);
    EXPECT_EQ(Status(), c.status) << c.what;
    EXPECT_EQ(state.NewParams.PgaGain, c.pgaAfter) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Branches, GainDecision,
    ::testing::Values(
        // Oxygen window (zero 0, ceiling 65535, span 55000). Zero 1000 and
        // reference 8000 give slope 0.2, offset -200: range top 12 (scale 1)
        // ends at ADC 61000, range top 5 (scale 10) at 26000, half the span
        // being 27500.
        GainCase{"wide range", 1000, 8000, 1, 12, 2, 7, false, "OK !", 2},
        GainCase{"at the gain maximum, accepted", 1000, 8000, 1, 5, 7, 7, true, "OK !", 7},
        GainCase{"at the gain maximum, refused", 1000, 8000, 1, 5, 7, 7, false, "PGA = MAX !", 7},
        GainCase{"proposal accepted", 1000, 8000, 1, 5, 2, 7, true, "ОТКАЗ !",
                 3},  // the repeated start is refused
        GainCase{"proposal refused", 1000, 8000, 1, 5, 2, 7, false, "Диапазон < 1/2 !", 2},
        // Zero at 10000: the top at 35000 uses more than half the window.
        GainCase{"doubling would overflow, accepted", 10000, 17000, 1, 5, 2, 7, true, "OK !", 2},
        GainCase{"doubling would overflow, refused", 10000, 17000, 1, 5, 2, 7, false, "LIM = MAX !", 2},
        // Bipolar window (zero code 0x8000): a top at 26000 lies below its zero.
        GainCase{"below the zero code", 1000, 8000, 3, 5, 2, 7, true, "Выход за ноль!", 2},
        GainCase{"range top beyond the ceiling", 1000, 8000, 1, 14, 2, 7, true, "Выход за предел!", 2}));

TEST_F(CalibrationTest, RaisedGainRepeatsTheRunAndShowsInRowTwenty) {
    state.NewParams.RangeTop = 5;
    run.ResetCalibrationPage();
    for (bool yes : {true, true, true, true})
        op.QueueAnswer(yes);
    run.StartStopClicked();
    Feed(Steady, 120);
    EXPECT_EQ(state.NewParams.PgaGain, 3);
    EXPECT_EQ(list.Text(kRowPgaGain, CharacteristicsColumn::kNew), "08");
    EXPECT_EQ(Status(), "Нуль");          // the run started again after its first question
    EXPECT_EQ(progress.runs.size(), 2u);  // two parameter writes, the second with the raised gain
}

TEST_F(CalibrationTest, EqualAveragesAndAZeroSlopeEndWithAFault) {
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed([](int, int) { return 1000; }, 120);
    EXPECT_EQ(Status(), "АЦП_0 = АЦП_Э!");
    EXPECT_EQ(Boxes().back(), "Нулевое значение = Эталонному значению !");
    EXPECT_EQ(run.Page().startCaption, "Стоп"_cp);

    // A reference equal to the zero gas is refused at the start, before
    // either stage.
    reference.referenceValue = state.NewParams.ZeroConc;
    op.QueueAnswer(true);  // interrupt
    run.StartStopClicked();
    run.StartStopClicked();
    EXPECT_EQ(Feed(Steady, 120), 0);
    EXPECT_EQ(Status(), "ОТКАЗ !");
    EXPECT_EQ(Boxes().back(), "Эталонная концентрация равна нулевой: наклон не может быть определен !");
    EXPECT_EQ(state.NewParams.Slope, 0);
    EXPECT_FALSE(VerifyReportLog(ReadNative(locations::ReportLogPath)).records.size() > 0);
}

TEST_F(CalibrationTest, SavingFailuresStopBeforeTheSensor) {
    struct Case {
        const char* what;
        std::function<void()> breakIt;
        int result;
    };
    const Case cases[] = {
        {"report log missing", [&] { std::filesystem::remove(Native(locations::ReportLogPath)); }, 1},
        {"type directory missing",
         [&] { std::filesystem::remove_all(Native(CertificatePath(state.identity, table)).parent_path()); },
         3},
        {"sensor write fails", [&] { sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 1; }, -1},
        // The certificate to be replaced cannot be kept: a file where the archive should be.
        {"old certificate cannot be archived",
         [&] {
             ASSERT_TRUE(fs.Exists(CertificatePath(state.identity, table)));
             ASSERT_TRUE(WriteFileAtomically(fs, locations::ArchiveDir, "x"));
         },
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(CreateSensorDirs(table, fs, op));
        if (!fs.Exists(locations::ReportLogPath)) {
            ASSERT_TRUE(CreateReportLog(fs, op, error));
        }
        sensor.failAt = 0;
        c.breakIt();
        EXPECT_EQ(run.SaveCalibration(), c.result);
    }
    EXPECT_TRUE(Boxes().back().starts_with("Не могу сохранить прежний сертификат в архиве "))
        << Boxes().back();
}

TEST_F(CalibrationTest, DrawTickShowsValuesClockAndLamps) {
    op.QueueAnswer(true);
    run.StartStopClicked();
    sensor.Put(SensorAddressMap::kStatusWord, 0xC3);
    Feed([](int, int) { return 1234; }, 50);  // 25 s, not settled yet (first window ends at 30 s)
    EXPECT_EQ(run.Page().currentAdcText, "01234");
    EXPECT_EQ(run.Page().currentTemperatureText, " 23.5");
    EXPECT_EQ(run.Page().timeText, "00:25");
    EXPECT_EQ(run.Page().lamps, (LampStates{0, 0, -1, -1, 0, 0, 0, 0}));
    EXPECT_EQ(view.zero.lines.size(), 12u + 49u);  // frame and grid, then 49 segments
}

TEST(CalibrationMath, ScaleLimitAndTemperatureFactor) {
    EXPECT_EQ(ComputeRangeScale(5, 100).exponent, 1);
    EXPECT_EQ(ComputeRangeScale(5, 100).scale, 10.0);
    EXPECT_EQ(ComputeRangeScale(2500, 1).exponent, 0);
    EXPECT_EQ(ComputeRangeScale(0, 1).exponent, 3);
    EXPECT_EQ(ComputeSpreadLimit(150, 1, 65535, 0), 983);
    EXPECT_EQ(ComputeSpreadLimit(0, 1, 65535, 0), 0);
    EXPECT_EQ(ComputeSpreadLimit(150, 0, 65535, 0), 0);  // no division by a zero divisor
    std::array<TempLine, 5> lines{};
    for (std::size_t i = 0; i < 5; ++i)
        lines[i] = {0.0, static_cast<double>(i)};
    EXPECT_EQ(TemperatureFactor(lines, -40), 0.0);
    EXPECT_EQ(TemperatureFactor(lines, -20), 0.0);
    EXPECT_EQ(TemperatureFactor(lines, -19.9), 1.0);
    EXPECT_EQ(TemperatureFactor(lines, 20), 2.0);
    EXPECT_EQ(TemperatureFactor(lines, 85), 4.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(1e12), std::nullopt);
    EXPECT_EQ(RoundHalfEven(std::nan("")), std::nullopt);
    EXPECT_EQ(TruncateToInt(-7.9), -7);
    // One below the maximum always proposes the maximum; doubling stopped at once still adds one.
    EXPECT_EQ(ProposedGain(6, 7, 100, 65535, 655), 7u);
    EXPECT_EQ(ProposedGain(2, 7, 20000, 65535, 3), 3u);
    EXPECT_EQ(ProposedGain(0, 7, 1000, 65535, 65), 6u);
}

TEST(Lamps, FromStatusBytes) {
    EXPECT_EQ(LampsFromStatus(0x03), (LampStates{0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(LampsFromStatus(0x00), (LampStates{-1, -1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(LampsFromStatus(0xFF), (LampStates{0, 0, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(LampsFromStatus(0x04)[kLampLimA], -1);
    EXPECT_EQ(LampsFromStatus(0x20)[kLampResG], -1);
    RgbColour c{1, 2, 3};
    EXPECT_TRUE(LampColour(kLampA1, 0, c));
    EXPECT_EQ(c, kColourYellow);
    EXPECT_TRUE(LampColour(kLampResA, 0, c));
    EXPECT_EQ(c, kColourSilver);
    EXPECT_TRUE(LampColour(kLampDevice, 0, c));
    EXPECT_EQ(c, (RgbColour{0, 128, 0}));
    EXPECT_FALSE(LampColour(kLampDevice, 7, c));  // unchanged
    EXPECT_EQ(c, (RgbColour{0, 128, 0}));
}

TEST(TrendGraph, ScaleScrollAndClamping) {
    TrendGraph zero;
    TrendGraph reference;
    SetupGraphs(zero, reference);
    EXPECT_EQ(zero.labels[0], "0");
    EXPECT_EQ(zero.labels[7], "35000");
    EXPECT_EQ(reference.scrollIndex, 7);
    EXPECT_EQ(reference.labels[0], "35000");
    EXPECT_EQ(reference.labels[7], "70000");
    // 5000 -> 2500 doubles, 2500 -> 2000 keeps, 2000 -> 2500 keeps, 2500 -> 5000 halves.
    EXPECT_TRUE(StepRequested(reference, 4));
    EXPECT_EQ(reference.scrollIndex, 14);
    EXPECT_TRUE(StepRequested(reference, 3));
    EXPECT_EQ(reference.scrollIndex, 14);
    EXPECT_TRUE(StepRequested(reference, 4));
    EXPECT_EQ(reference.scrollIndex, 14);
    EXPECT_TRUE(StepRequested(reference, 6));  // 10000: halved, then clamped to stepCount - 7 = 0
    EXPECT_EQ(reference.scrollIndex, 0);
    EXPECT_FALSE(StepRequested(reference, 7));
    // Scroll requests beyond the ends are clamped.
    EXPECT_TRUE(ScrollRequested(zero, 9));
    EXPECT_EQ(zero.scrollIndex, 7);
    EXPECT_TRUE(ScrollRequested(zero, -3));
    EXPECT_EQ(zero.scrollIndex, 0);
    // Values outside the band sit on its edges.
    RecordingCanvas canvas;
    ClearPlot(zero, canvas);
    zero.Append(0, 0);
    zero.Append(-500, 0);
    zero.Append(40000, 0);
    Redraw(zero, canvas);
    DrawPoint(zero, 3, canvas);
    ASSERT_EQ(canvas.lines.size(), 12u + 2u);
    EXPECT_EQ(canvas.lines[12].y1, zero.plotHeight);  // below the band: bottom edge
    EXPECT_EQ(canvas.lines[13].y1, 0);                // above the band: top edge
    EXPECT_EQ(canvas.lines[13].colour, kZeroCurveBlue);
}

// A double-click fits a plot to its samples: the finest step whose band holds
// them all, the band centred on them within the scroll range.
TEST(TrendGraph, FitToSamplesChoosesTheFinestStepThatHoldsThem) {
    struct Case {
        std::vector<int> samples;
        int step;
        int scrollIndex;
    };
    const std::vector<Case> cases = {
        {{33060, 33068, 33075}, 250, 129},  // a settled zero: 32250 .. 34000 around 33060 .. 33075
        {{33068, 39800}, 1000, 33},         // the reference stage rising: 6732 counts need 1000s
        {{100, 105}, 250, 0},               // near zero: the band cannot go below 0
        {{65535, 65500}, 250, 256},         // at the top: the last band of 250s
        {{0, 65535}, 10000, 0},             // the whole range
        {{20000, 30000}, 2000, 9},          // 2000s hold 10000 counts, 1000s do not
    };
    for (const Case& c : cases) {
        TrendGraph zero;
        TrendGraph reference;
        SetupGraphs(zero, reference);
        for (int v : c.samples)
            zero.Append(v, 200);
        ASSERT_TRUE(FitToSamples(zero));
        EXPECT_EQ(zero.step, c.step) << c.samples.front();
        EXPECT_EQ(zero.scrollIndex, c.scrollIndex) << c.samples.front();
        EXPECT_EQ(zero.scrollPosition, zero.scrollIndex);
        EXPECT_EQ(zero.stepPosition, std::find(kGraphScaleTable.begin(), kGraphScaleTable.end(), c.step) -
                                         kGraphScaleTable.begin());
        for (int v : c.samples) {
            EXPECT_LE(zero.baseValue, v);
            EXPECT_GE(zero.baseValue + 7 * zero.step, v);
        }
        EXPECT_EQ(zero.labels[0], std::to_string(zero.baseValue));
        // The up-downs go on from the fitted place.
        EXPECT_LE(zero.scrollIndex, zero.scrollMaximum);
    }
    TrendGraph empty;
    EXPECT_FALSE(FitToSamples(empty));
}

}  // namespace
}  // namespace gvc::test
