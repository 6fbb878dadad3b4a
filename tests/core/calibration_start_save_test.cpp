// What Старт refuses before anything reaches the sensor, and the next
// calibration date a saved run records.
#include <gtest/gtest.h>

#include "calibration/calibration_run.h"
#include "calibration_fixture.h"
#include "sensor/sensor_encoding.h"

namespace gvc::test {
namespace {

TEST_F(CalibrationTest, StartRefusesAReferenceThatGivesNoSlope) {
    struct Case {
        const char* what;
        std::int32_t zero;
        std::int32_t referenceValue;
        const char* box;  // empty: the run starts with its zero question
    } const cases[] = {
        {"reference 0", 0, 0, "Эталонная концентрация равна нулевой: наклон не может быть определен !"},
        {"reference equal to a zero gas of 0.5", 500, 500,
         "Эталонная концентрация равна нулевой: наклон не может быть определен !"},
        {"reference 0 over a zero gas of 0.5", 500, 0,
         "Эталонная концентрация не больше 0: наклон не может быть определен !"},
        {"reference 0.001", 0, 1, ""},
        {"reference below a zero gas of 0.5", 500, 100, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state.NewParams.ZeroConc = c.zero;
        reference.referenceValue = c.referenceValue;
        run.ResetCalibrationPage();
        sensor.exchanges.clear();
        progress.runs.clear();
        const std::size_t shown = op.Messages().size();
        run.StartStopClicked();  // the zero question is answered No
        ASSERT_EQ(op.Messages().size(), shown + 1);
        EXPECT_EQ(Status(), "ОТКАЗ !");
        EXPECT_FALSE(run.Running());
        EXPECT_TRUE(sensor.exchanges.empty());
        EXPECT_TRUE(progress.runs.empty());
        if (*c.box != '\0') {
            EXPECT_EQ(Boxes().back(), c.box);
        } else {
            EXPECT_NE(Boxes().back().find("Нулевую Концентрацию Газа"), std::string::npos);
        }
    }
}

TEST_F(CalibrationTest, NextCalibrationDateCountsFromTheSavingDay) {
    // Connected on 20 Nov 2026 with a 6-month interval; saved on 10 Dec 2026
    // (the view's clock), the day the record and the certificate print.
    state.NewParams.CalInterval = 6;
    state.NewParams.NextCalibrationDate = NextCalibrationDate(SensorDate{2026, 20, 11}, 6);
    list.SetNewNextCalibrationDate(state.NewParams.NextCalibrationDate);
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed([](int stage, int) { return stage == 0 ? 1000 : 8000; }, 120);
    ASSERT_EQ(run.LastSaveResult(), 0);
    const SensorDate expected = NextCalibrationDate(SensorDate{2026, 10, 12}, 6);
    EXPECT_EQ(expected, (SensorDate{2027, 10, 6}));
    EXPECT_EQ(state.NewParams.NextCalibrationDate, expected);
    EXPECT_EQ(state.OldParams.NextCalibrationDate, expected);
    EXPECT_EQ(list.Text(19, CharacteristicsColumn::kNew), "10.06.2027");
    EXPECT_EQ(sensor.Get(SensorAddressMap::kNextCalibrationDate), EncodeDateWord(expected));
}

}  // namespace
}  // namespace gvc::test
