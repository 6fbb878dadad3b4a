// A run that ends without its result saved puts back into the sensor the
// parameters it held before the run, whatever way the run ends, and says so;
// when that write fails the operator is told the sensor must not be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calibration/calibration_run.h"
#include "calibration_fixture.h"

namespace gvc::test {
namespace {

constexpr const char* kRestored =
    "Результат Градуировки не сохранен:\r\nв Датчик записаны его параметры, бывшие до Градуировки";
constexpr const char* kNotRestored =
    "Параметры Датчика, бывшие до Градуировки, НЕ восстановлены!\r\n"
    "Датчик не имеет действующей градуировки - использовать его НЕЛЬЗЯ!";

int Steady(int stage, int) {
    return stage == 0 ? 1000 : 8000;
}

class CalibrationRestoreTest : public CalibrationTest {
protected:
    // The sensor holds a calibration of its own (slope 7434, offset -24581)
    // and a pattern in every other byte, so that any item left changed shows.
    void HoldACalibration() {
        for (std::size_t i = 0; i < sensor.memory.size(); ++i)
            sensor.memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
        sensor.Put(SensorAddressMap::kSlope, 7434);
        sensor.Put(SensorAddressMap::kZeroOffset, static_cast<std::uint32_t>(-24581));
        before = sensor.memory;
    }

    // The sensor's memory apart from the live values the samples put there.
    std::vector<std::uint8_t> Held(const std::array<std::uint8_t, 256>& memory) const {
        std::vector<std::uint8_t> held(memory.begin(), memory.end());
        for (const SensorItem live : {SensorAddressMap::kAdcCode, SensorAddressMap::kTemperatureCode,
                                      SensorAddressMap::kStatusWord}) {
            for (unsigned i = 0; i < live.width; ++i)
                held[static_cast<std::size_t>(live.address + i)] = 0;
        }
        return held;
    }

    std::array<std::uint8_t, 256> before{};
};

TEST_F(CalibrationRestoreTest, EveryEndWithoutASavedResultPutsTheSensorBack) {
    struct Case {
        const char* what;
        std::function<void()> runIt;
        const char* status;
    };
    const Case cases[] = {
        {"interrupted",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 16);  // 8 s
             op.QueueAnswer(true);
             run.StartStopClicked();
         },
         "ПРЕРВАНО !"},
        {"stopped without the question (a signal, the program closing)",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 6);
             run.StopWithoutQuestion();
         },
         "ПРЕРВАНО !"},
        {"time-out of the zero stage",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed([](int, int n) { return n % 2 == 0 ? 1000 : 30000; }, 400);
         },
         "ТаймАут !"},
        {"reference question refused",
         [&] {
             op.QueueAnswer(true);
             op.QueueAnswer(false);
             run.StartStopClicked();
             Feed(Steady, 60);
         },
         "ОТКАЗ !"},
        {"result refused (gain proposal answered No)",
         [&] {
             state.NewParams.RangeTop = 5;
             run.ResetCalibrationPage();
             for (bool yes : {true, true, false})
                 op.QueueAnswer(yes);
             run.StartStopClicked();
             Feed(Steady, 120);
         },
         "Диапазон < 1/2 !"},
        {"repeated start after a raised gain refused",
         [&] {
             state.NewParams.RangeTop = 5;
             run.ResetCalibrationPage();
             for (bool yes : {true, true, true, false})
                 op.QueueAnswer(yes);
             run.StartStopClicked();
             Feed(Steady, 120);
         },
         "ОТКАЗ !"},
        {"sensor read failure",
         [&] {
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 5);
             sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 2;
             Feed(Steady, 1);
         },
         "Ошибка-Датчика!"},
        {"report log cannot be written",
         [&] {
             state.NewParams.RangeTop = 12;
             run.ResetCalibrationPage();
             std::filesystem::remove(Native(locations::ReportLogPath));
             op.QueueAnswer(true);
             op.QueueAnswer(true);
             run.StartStopClicked();
             Feed(Steady, 120);
         },
         "OK !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(CreateSensorDirs(table, fs, op));
        if (!fs.Exists(locations::ReportLogPath)) {
            ASSERT_TRUE(CreateReportLog(fs, op, error));
        }
        sensor.failAt = 0;
        HoldACalibration();
        c.runIt();
        EXPECT_EQ(Status(), c.status);
        EXPECT_FALSE(run.Running());
        EXPECT_FALSE(run.RestorePending());
        EXPECT_EQ(Boxes().back(), kRestored);
        EXPECT_EQ(progress.runs.back(), TransferMode::kWrite);
        EXPECT_EQ(sensor.Get(SensorAddressMap::kSlope), 7434u);
        EXPECT_EQ(Held(sensor.memory), Held(before));
        const std::size_t shown = op.Messages().size();
        run.RestoreIfNeeded();  // nothing more to put back
        EXPECT_EQ(op.Messages().size(), shown);
    }
}

TEST_F(CalibrationRestoreTest, ASavedResultStaysAndAFailedRestoreSaysTheSensorMustNotBeUsed) {
    HoldACalibration();
    op.QueueAnswer(true);
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 120);
    ASSERT_EQ(run.LastSaveResult(), 0);
    EXPECT_FALSE(run.RestorePending());
    EXPECT_NE(sensor.Get(SensorAddressMap::kSlope), 7434u);  // the new calibration
    EXPECT_NE(Held(sensor.memory), Held(before));
    EXPECT_EQ(Boxes().back(), "Результат Градуировки Датчика Сохранен");

    // The next run is interrupted and the sensor no longer answers.
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 4);
    sensor.failAt = static_cast<int>(sensor.exchanges.size()) + 1;
    op.QueueAnswer(true);
    run.StartStopClicked();
    EXPECT_EQ(Status(), "ПРЕРВАНО !");
    EXPECT_EQ(Boxes().back(), kNotRestored);
}

// The write that puts the sensor back is read back as well: a sensor that
// acknowledges it and keeps the run's bytes (slope 0) is not called restored.
TEST_F(CalibrationRestoreTest, ARestoreTheSensorDoesNotKeepIsNotCalledDone) {
    HoldACalibration();
    op.QueueAnswer(true);
    run.StartStopClicked();
    Feed(Steady, 4);
    ASSERT_EQ(sensor.Get(SensorAddressMap::kSlope), 0u);  // the run's starting parameters
    sensor.keepsFlash = true;
    op.QueueAnswer(true);
    run.StartStopClicked();
    EXPECT_EQ(Status(), "ПРЕРВАНО !");
    EXPECT_EQ(Boxes().back(), kNotRestored);
}

}  // namespace
}  // namespace gvc::test
