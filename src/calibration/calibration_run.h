// The two-point calibration run as a controller: the window's button, the 500
// ms sample timer and the 100 ms draw timer call it; it keeps every text,
// colour and lamp of the calibration page in `Page()` for the window (or the
// terminal) to show, asks the operator through Operator, and talks to the
// sensor through SensorAccess. Nothing here reads a clock or runs a timer.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "calibration/lamps.h"
#include "calibration/run_record.h"
#include "calibration/trend_graph.h"
#include "records/report_timestamp.h"
#include "sensor/sensor_access.h"
#include "sensor/sensor_live.h"
#include "ui/characteristics_list.h"
#include "ui/reference_choice.h"
#include "ui/rgb_colour.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/host_names.h"

namespace gvc {

inline constexpr RgbColour kFontBlack{0, 0, 0};
inline constexpr RgbColour kFontRed{255, 0, 0};
inline constexpr RgbColour kFontGreen{0, 128, 0};

// What the calibration page shows.
struct CalibrationPage {
    std::string startCaption;  // btStart: "Старт" or "Стоп"
    std::string statusText;    // edStatusG
    RgbColour statusBackground = kColourCream;
    RgbColour statusFont = kFontBlack;
    bool statusVisible = false;
    std::string timeText;  // stTime
    bool timeVisible = false;
    std::string zeroConcentrationText;       // stNulU
    std::string referenceConcentrationText;  // stStdU
    std::string unitText;                    // lKNul2, lKStd2
    std::string spreadLimitText;             // stDltZ
    std::string spreadText;                  // stDltC
    std::string zeroAverageText;             // stNulA
    std::string referenceAverageText;        // stStdA
    std::string offsetText;                  // stBias
    std::string slopeText;                   // stSlop
    std::string currentAdcText;              // stCurK
    std::string currentTemperatureText;      // stCurT
    LampStates lamps{1, 1, 1, 1, 1, 1, 1, 1};
    bool sampleTimerOn = false;
    bool drawTimerOn = false;
};

// The lines the progress window shows while a result is saved.
enum class SaveLine { kResult, kReportLog, kCertificate };

// What the controller needs from the window around it.
class CalibrationView {
public:
    virtual ~CalibrationView() = default;
    // The page changed; the timers must follow sampleTimerOn/drawTimerOn now
    // (before a modal box opens).
    virtual void PageChanged(const CalibrationPage& page) = 0;
    // The canvases of the zero and the reference plot.
    virtual PlotCanvas& ZeroCanvas() = 0;
    virtual PlotCanvas& ReferenceCanvas() = 0;
    // After a lost sensor: show the connection state the failed read left.
    virtual void RefreshConnectionDisplay() = 0;
    // Closes the device port after a lost sensor.
    virtual void ClosePort() = 0;
    // A line of the progress window in its saving mode.
    virtual void SaveLineShown(SaveLine line, std::string_view text) = 0;
    // The local date and time for the report record.
    virtual ReportTimestamp Now() = 0;
    // Reads one sample's live values and hands ReadLiveValues' result and the
    // values to `done` on this thread. The window reads them on its device
    // thread and calls `done` when they arrive (not at all when the read was
    // cancelled); by default they are read here and now.
    virtual void ReadLive(SensorAccess& access,
                          std::function<void(int result, const LiveValues& values)> done) {
        LiveValues values;
        const int result = ReadLiveValues(access, values);
        done(result, values);
    }

    // For the run's record. The time now in seconds since 1970-01-01 UTC.
    virtual std::int64_t UtcNow() {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    }
    // The workstation's name (Windows-1251).
    virtual std::string WorkstationName() { return ComputerName(); }
    // Who calibrates (Windows-1251): the program's settings may name the
    // operator; by default the system's user name.
    virtual std::string OperatorName() { return SystemUserName(); }
    // The as-found tolerance in % of the reference value.
    virtual double AsFoundTolerancePercent() { return 10.0; }
    // The reference gas cylinder the run's reference value was taken from,
    // when the operator chose one.
    virtual std::optional<std::int64_t> ReferenceCylinder() { return std::nullopt; }
};

class RunRecorder;

// Everything a run works on, owned by the program.
struct CalibrationContext {
    CalibrationContext(SensorAccess& access_, CharacteristicsList& list_,
                       const ReferenceSelection& reference_, int& connectionState_, FileSystem& fs_,
                       ErrorText& error_, CalibrationView& view_, RunRecordSink* recordSink_ = nullptr)
        : access(access_),
          list(list_),
          reference(reference_),
          connectionState(connectionState_),
          fs(fs_),
          error(error_),
          view(view_),
          recordSink(recordSink_) {}

    SensorAccess& access;  // channel, operator, table, sensor state, progress
    CharacteristicsList& list;
    const ReferenceSelection& reference;
    int& connectionState;  // 1 not connected, 0 connected, -1 broken
    FileSystem& fs;
    ErrorText& error;
    CalibrationView& view;
    // Keeps each run's record when it ends; none: no record is kept.
    RunRecordSink* recordSink = nullptr;
};

class CalibrationRun {
public:
    explicit CalibrationRun(CalibrationContext context);
    ~CalibrationRun();
    CalibrationRun(const CalibrationRun&) = delete;
    CalibrationRun& operator=(const CalibrationRun&) = delete;

    const CalibrationPage& Page() const { return page_; }
    const TrendGraph& ZeroGraph() const { return zeroGraph_; }
    const TrendGraph& ReferenceGraph() const { return referenceGraph_; }
    int Stage() const { return stage_; }
    std::int32_t SpreadLimit() const { return spreadLimit_; }
    bool Running() const;  // the button reads "Стоп"

    // After a sensor has been connected.
    void ResetCalibrationPage();
    // The start/stop button.
    void StartStopClicked();
    // The 500 ms timer.
    void SampleTick();
    // The sample's live values have arrived.
    void SampleRead(int result, const LiveValues& live);
    // The 100 ms timer.
    void DrawTick();
    // Up-down change requests of the plots; they act only while connected.
    void StepRequested(bool reference, int position);
    void ScrollRequested(bool reference, int position);
    // A double-click on a plot: step and band fitted to its samples, under
    // the same rule as the up-downs (only while connected).
    void FitRequested(bool reference);

    // Parts of the run, public for tests of the stage logic.
    bool ProcessSample(int adc, int temperature, std::uint8_t status);
    bool FinishZeroStage();
    bool FinishReferenceStage();
    void ApplyNewCoefficients(std::int32_t slopeCode, std::int32_t offsetCode);
    // The saving sequence: 0 saved; 1 report record failed; 3 certificate
    // failed; -1 sensor write failed; -3 the sensor read back other than
    // written, or could not be read back.
    int SaveCalibration();
    // Result of the last saving sequence (-2 when none ran since the start).
    int LastSaveResult() const { return lastSaveResult_; }

    // The record of the last run that ended (empty before the first), as it
    // went to the sink.
    const RunRecord& LastRecord() const;
    // The program closes: a run still open ends its record as interrupted.
    void ProgramClosing();

private:
    void Start();
    void Interrupt();
    void SetTimers(bool draw, bool sample);
    void SetStatus(std::string_view text, RgbColour font);
    void SetStatus(std::string_view text, RgbColour font, RgbColour background);
    void StatusChanged();
    void EndWithLamps(int state);
    void Changed();
    void ResetRunCounters();
    void ComputeSpreadLimit();
    void ShowClock();
    int WriteParamsWithProgress();
    bool FrontEnd(std::uint32_t command);
    bool Fault(std::string_view box, std::string_view text);
    void ResetBothGraphs();
    // A plot after a change of its scale or band: grid and whole curve anew.
    void RedrawPlot(bool reference);
    std::string StandardText() const;
    // The run's record ends with `outcome` (nothing when no run is open).
    void RecordEnd(RunOutcome outcome);
    // The run stands still without a final text: its record ends as failed.
    void RecordHalt();

    CalibrationContext ctx_;
    CalibrationPage page_;
    TrendGraph zeroGraph_;
    TrendGraph referenceGraph_;

    int stage_ = 0;
    bool sampleDue_ = false;
    int tickTenths_ = 0;
    int windowTenths_ = 0;
    int stageTenths_ = 0;
    int seconds_ = 0;
    int minutes_ = 0;
    int shownSecond_ = 0;
    std::int32_t runMax_ = -60000;
    std::int32_t runMin_ = 60000;
    std::int32_t spread_ = 0;
    std::int32_t spreadLimit_ = 0;
    std::int64_t sampleSum_ = 0;
    std::int32_t zeroAverageRaw_ = 0;
    std::int32_t zeroAverage_ = 0;
    std::int32_t referenceAverage_ = 0;
    std::uint8_t statusWord_ = 0;
    int pendingDraws_ = 0;
    bool drawBusy_ = false;
    bool armed_ = false;
    int lastSaveResult_ = -2;
    std::unique_ptr<RunRecorder> recorder_;
};

}  // namespace gvc
