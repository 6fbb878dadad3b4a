// What one calibration run leaves for the calibration database, whatever its
// end: who ran it where, the sensor, the reference gas, both stages with the
// ADC series the plots showed, the parameters before and after, the result,
// how each saving step ended, and the sensor's readings as found and as left.
// The run fills it; a RunRecordSink (the database, in the program) keeps it.
// Texts are Windows-1251, as everywhere in the core.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/report_timestamp.h"

namespace gvc {

// How a run ended.
enum class RunOutcome {
    kSaved,        // result computed and every saving step succeeded
    kSaveFailed,   // result computed, a saving step (log, certificate, sensor write, read-back) failed
    kRefused,      // a check refused the result (range, slope, "Выход за ноль!", ...)
    kPgaRaised,    // the gain was raised and the run is to be repeated
    kInterrupted,  // the operator stopped it, or the program was closed
    kFailed,       // the sensor was lost or a write at the start failed
};

// Where the reference value came from.
enum class ReferenceSource { kStandard, kTyped, kCylinder };

// How one saving step ended: not run, succeeded, failed.
enum class StepOutcome { kNotRun, kOk, kFailed };

struct SavingSteps {
    StepOutcome reportLog = StepOutcome::kNotRun;
    StepOutcome certificate = StepOutcome::kNotRun;
    StepOutcome sensorWrite = StepOutcome::kNotRun;
    StepOutcome readBack = StepOutcome::kNotRun;  // every written page read back and compared
    std::string message;                          // the failed step's message, empty when none
};

// The calibration-relevant parameters of a sensor at one moment.
struct RunParams {
    std::int32_t slope = 0;
    std::int32_t zeroOffset = 0;  // signed
    int pgaGain = 0;
    bool operator==(const RunParams&) const = default;
};

// What the sensor shows for one gas with a given set of parameters, and its
// error against the concentration the gas has.
struct ReadingError {
    double shown = 0.0;              // in the unit of the sensor
    double errorPercentReading = 0;  // (shown - true) / true * 100, 0 when true is 0
    double errorPercentRange = 0;    // (shown - true) / range top * 100
};

struct AsFoundAsLeft {
    std::optional<ReadingError> foundZero;  // before the run, on the zero gas
    std::optional<ReadingError> foundReference;
    std::optional<bool> foundInTolerance;  // the reference reading within the tolerance
    double tolerancePercent = 10.0;        // of the reference value
    std::optional<ReadingError> leftZero;  // with the parameters read back after the write
    std::optional<ReadingError> leftReference;
};

struct RunRecord {
    std::string runId;        // unique: workstation, start time and a random part
    std::string workstation;  // computer name
    std::string operatorName;

    std::string sensorNumber;  // as the report record prints it
    int gasCode = 0;
    std::string gasText;
    int typeNumber = 0;
    std::string typeText;  // "GG-TT" as in the list
    std::string unitText;
    double rangeTop = 0.0;  // the sensor's range maximum in its unit

    ReportTimestamp startLocal;
    ReportTimestamp endLocal;
    std::int64_t startUtc = 0;  // seconds since 1970-01-01 UTC
    std::int64_t endUtc = 0;

    std::int32_t referenceThousandths = 0;
    ReferenceSource referenceSource = ReferenceSource::kStandard;
    std::optional<std::int64_t> cylinderId;
    int temperature = 0;  // the last sample's, in the sensor's units

    std::int32_t zeroAverage = 0;
    std::int32_t zeroSpread = 0;
    std::int32_t referenceAverage = 0;
    std::int32_t referenceSpread = 0;
    std::vector<std::int32_t> zeroSeries;  // ADC values as the plots showed them
    std::vector<std::int32_t> referenceSeries;

    RunParams before;  // in the sensor at the connection
    RunParams after;   // computed (and written when saved)
    RunParams readBack;
    bool readBackDone = false;

    RunOutcome outcome = RunOutcome::kInterrupted;
    std::string resultText;  // the status line at the end ("OK !", "ПРЕРВАНО !", ...)
    SavingSteps saving;
    std::string reportRecordLine;   // the line appended to the report log, without CR LF
    std::string certificateSha256;  // lower-case hex of the certificate file's bytes
    std::string certificatePath;
    std::optional<CivilDate> nextCalibration;  // as the certificate prints it, when saved

    AsFoundAsLeft asFound;
    bool imported = false;  // rebuilt from the files; no run data
};

// Keeps a finished run's record. The program's database implements it; a
// failure is the sink's own to report (it never stops the run's files).
class RunRecordSink {
public:
    virtual ~RunRecordSink() = default;
    virtual void RunEnded(const RunRecord& record) = 0;
};

}  // namespace gvc
