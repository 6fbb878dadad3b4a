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
#include "util/calendar.h"

namespace gvc {

// How a run ended.
enum class RunOutcome {
    kSaved,        // result computed and every saving step succeeded
    kSaveFailed,   // result computed, a saving step (log, certificate, sensor write, read-back) failed
    kRefused,      // a check refused the result (range, slope, "Выход за ноль!", ...)
    kPgaRaised,    // the gain was raised and the run is to be repeated
    kInterrupted,  // the operator stopped it, or the program was closed
    kFailed,       // the sensor was lost or a write at the start failed
    kUnfinished,   // the program stopped during the run (a crash, a power cut): the run never ended
};

// Where the reference value came from.
enum class ReferenceSource { kStandard, kTyped, kCylinder };

// How one step that writes (a file, the sensor) ended: not run, succeeded,
// failed; or started and never told its end (the program stopped during it).
enum class StepOutcome { kNotRun, kOk, kFailed, kStarted };

// How the row came into the database.
enum class RecordedFrom {
    kRun,        // the run itself, when it ended
    kOutbox,     // from the outbox, where it waited while the database could not be written
    kImport,     // rebuilt from the files of record
    kRecovered,  // an unfinished run, closed at the next start from what it had recorded
};

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

// The reference gas cylinder as it was when the run used it: a later edit of
// the cylinder's entry does not change what a run was calibrated with.
struct RunCylinder {
    int gasCode = 0;
    std::string gasText;
    double concentration = 0.0;  // certified value
    std::string unitText;
    std::string lot;
    CivilDate expiry;
    bool operator==(const RunCylinder&) const = default;
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

    // The run's own parameters written into the sensor at its start: from
    // then on until its result is saved or the old parameters are back, the
    // sensor holds no valid calibration.
    StepOutcome paramsWrite = StepOutcome::kNotRun;
    // The parameters the sensor held before the run written back (and read
    // back) at an end without a saved result; kNotRun when nothing was to go back.
    StepOutcome restore = StepOutcome::kNotRun;
    // What the sensor held at the start is not known (a restore before it
    // failed): `before` and the as-found readings claim nothing.
    bool beforeUnknown = false;
    // The slope and offset codes the run computed, applied or refused.
    std::optional<std::int32_t> computedSlope;
    std::optional<std::int32_t> computedOffset;
    std::optional<RunCylinder> cylinder;  // copied when the run took its reference from one
    RecordedFrom recordedFrom = RecordedFrom::kRun;
    std::optional<std::int64_t> recordedUtc;  // when the row went into the database
};

// True when the run left the sensor without a valid calibration: the old
// parameters could not be put back, or the program stopped after something
// was written into it.
bool LeftSensorInvalid(const RunRecord& run);
// True when the run's result was saved in full: its records and the sensor agree.
inline bool SaveCompleted(const RunRecord& run) {
    return run.outcome == RunOutcome::kSaved;
}

// Keeps a finished run's record. The program's database implements it; a
// failure is the sink's own to report (it never stops the run's files).
class RunRecordSink {
public:
    virtual ~RunRecordSink() = default;
    // The run is about to write into the sensor, or a step of its saving is
    // about to begin: the record as it stands, kept durably before the write
    // so that a crash leaves a run that says it is unfinished.
    virtual void RunProgress(const RunRecord&) {}
    virtual void RunEnded(const RunRecord& record) = 0;
};

}  // namespace gvc
