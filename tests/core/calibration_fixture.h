// A calibration run wired to the in-memory sensor, a scripted operator, a
// recording view and a data root in a temporary directory. Samples are fed one
// tick at a time from a function of the stage and the sample number.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calibration/calibration_run.h"
#include "records/data_dirs.h"
#include "records/report_log.h"
#include "records_fixtures.h"
#include "sensor/sensor_address_map.h"
#include "sensor_fake_channel.h"
#include "sensor_test_fixture.h"

namespace gvc::test {

// A front end that finishes every command at once: the command byte reads
// back as 0.
class FakeSensorWithFrontEnd : public FakeSensor {
public:
    bool frontEndReady = true;
    bool keepsFlash = false;  // acknowledges writes to the flash pages and keeps the old bytes
    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override {
        if (keepsFlash && command == DeviceCommand::kWrite && address >= SensorAddressMap::kFlashA) {
            const auto kept = memory;
            const int result = FakeSensor::DeviceRequest(command, address, length, value);
            memory = kept;
            return result;
        }
        const int result = FakeSensor::DeviceRequest(command, address, length, value);
        if (result == 0 && command == DeviceCommand::kWrite && frontEndReady &&
            address == SensorAddressMap::kFrontEndByte.address) {
            memory[address] = 0;
        }
        return result;
    }
};

class RecordingCanvas : public PlotCanvas {
public:
    int Width() const override { return kGraphImageWidth; }
    int Height() const override { return kGraphImageHeight; }
    void FillRect(int, int, int, int, RgbColour) override { lines.clear(); }
    void Line(int x0, int y0, int x1, int y1, RgbColour colour) override {
        lines.push_back({x0, y0, x1, y1, colour});
    }
    struct Segment {
        int x0, y0, x1, y1;
        RgbColour colour;
    };
    std::vector<Segment> lines;
};

class RecordingView : public CalibrationView {
public:
    // Records each change of the timers as (draw, sample).
    void PageChanged(const CalibrationPage& page) override {
        const std::pair<bool, bool> now{page.drawTimerOn, page.sampleTimerOn};
        if (timers.empty() || timers.back() != now) timers.push_back(now);
    }
    PlotCanvas& ZeroCanvas() override { return zero; }
    PlotCanvas& ReferenceCanvas() override { return reference; }
    void RefreshConnectionDisplay() override { ++refreshes; }
    void ClosePort() override { ++portClosures; }
    void SaveLineShown(SaveLine, std::string_view text) override { saveLines.emplace_back(text); }
    ReportTimestamp Now() override { return {10, 12, 2026, 9, 30, 0}; }
    // Each reading of the clock a second later.
    std::int64_t UtcNow() override { return ++utcSeconds; }
    std::string WorkstationName() override { return "LAB-PC-2"; }
    std::string OperatorName() override { return operatorName; }
    std::optional<std::int64_t> ReferenceCylinder() override { return cylinder; }

    RecordingCanvas zero;
    RecordingCanvas reference;
    std::vector<std::pair<bool, bool>> timers;
    int refreshes = 0;
    int portClosures = 0;
    std::vector<std::string> saveLines;
    std::int64_t utcSeconds = 1'796'000'000;
    std::string operatorName = "ivanov";
    std::optional<std::int64_t> cylinder;
};

// Keeps every record a run hands over.
class RecordingSink : public RunRecordSink {
public:
    void RunEnded(const RunRecord& record) override { records.push_back(record); }
    std::vector<RunRecord> records;
};

// Oxygen sensor (gas 1, type 0) on the oxygen ADC window: floor 0, ceiling
// 65535, zero 0, span 55000, divisor 1.
class CalibrationTest : public testing::TempDataRoot {
protected:
    void SetUp() override {
        TempDataRoot::SetUp();
        sensor.shownTo = &op;
        state.identity = {1, 4321, 0, 1};
        state.OldParams.GasCode = 1;
        state.OldParams.InitialSlope = 10000;
        list.FillOldValues(state.OldParams, table);
        list.FillNewValues(state, table, TakeConnectionSnapshot(state.OldParams), SensorDate{2026, 10, 12});
        SensorParams& p = state.NewParams;
        p.GasCode = 1;
        p.TypeNumber = 0;
        p.ElectrodeCode = 1;
        p.MultiplierCode = 2;
        p.MultiplierScale = 100;
        p.RangeTop = 12;
        p.ZeroConc = 0;
        p.RefConc = 1400;
        p.SetTolerance = 150;
        p.PgaGain = 2;
        p.PgaGainMax = 7;
        for (TempCoef& coef : p.TempCoefs)
            coef = {100, 0};  // no temperature correction
        p.TempEndCoef = 100;
        state.wide.TempScale = 1000;
        for (TempLine& line : state.wide.TempLines)
            line = {0.0, 1.0};
        reference.referenceValue = 1400;
        ASSERT_TRUE(fs.MakeDirectory(locations::DataDir));
        ASSERT_TRUE(CreateSensorDirs(table, fs, op));
        ASSERT_TRUE(CreateReportLog(fs, op, error));
        sensor.Put(SensorAddressMap::kTemperatureCode, 235);  // 23.5 degrees
        sensor.Put(SensorAddressMap::kStatusWord, 0x03);
        run.ResetCalibrationPage();
    }

    // Feeds up to `ticks` samples while the sample timer runs.
    int Feed(const std::function<int(int stage, int sample)>& adc, int ticks) {
        int fed = 0;
        for (; fed < ticks && run.Page().sampleTimerOn; ++fed) {
            sensor.Put(SensorAddressMap::kAdcCode, static_cast<std::uint32_t>(adc(run.Stage(), fed)));
            run.SampleTick();
            run.DrawTick();
        }
        return fed;
    }

    std::string Status() const { return Utf8FromCp1251(run.Page().statusText); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& m : op.Messages())
            texts.push_back(Utf8FromCp1251(m.text));
        return texts;
    }

    SensorTypeTable table = MakeSensorTestTable();
    FakeSensorWithFrontEnd sensor;
    ScriptedOperator op{false};
    RecordingProgress progress;
    SensorState state;
    SensorAccess access{sensor, op, table, state, progress};
    CharacteristicsList list;
    ReferenceSelection reference;
    int connectionState = 0;
    FileSystem& fs = RealFileSystem();
    ErrorText error;
    RecordingView view;
    RecordingSink sink;
    CalibrationRun run{CalibrationContext{access, list, reference, connectionState, fs, error, view, &sink}};
};

}  // namespace gvc::test
