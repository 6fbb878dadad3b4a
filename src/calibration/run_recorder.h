// Fills the record of one calibration run as it goes and hands it to the
// sink once, when the run ends, whatever the end. The run tells it when a run
// begins, when each stage settles, how the saving steps went and how the run
// ended; the rest it takes from the run's context.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "calibration/run_record.h"
#include "calibration/trend_graph.h"
#include "sensor/sensor_params.h"

namespace gvc {

struct CalibrationContext;

// The parameters `params` hold, the zero offset signed: OldParams keep its
// magnitude and sign apart, NewParams the signed value.
RunParams RunParamsOf(const SensorParams& params, bool offsetIsMagnitude);

// How a run ends that shows `statusText`; nothing for a text a run goes on
// from (or, for "OK !", ends with after its saving).
std::optional<RunOutcome> FinalOutcome(std::string_view statusText);

enum class SaveStep { kReportLog, kCertificate, kSensorWrite, kReadBack };

class RunRecorder {
public:
    explicit RunRecorder(const CalibrationContext& context) : ctx_(context) {}

    // A sensor was connected: what it holds now is what the next run finds.
    void SensorConnected();
    bool Open() const { return open_; }

    // A run begins: the zero gas was confirmed. Its record is kept as
    // unfinished until it ends.
    void Begin();
    // The run's parameters are about to go into the sensor (the record is
    // kept first), and how that write went; `written` false with
    // `anythingWritten` false: the sensor was not touched.
    void ParamsWriteStarted();
    void ParamsWriteEnded(bool written, bool anythingWritten);
    void ZeroSettled(std::int32_t average, std::int32_t spread);
    void ReferenceSettled(std::int32_t average, std::int32_t spread);
    // The result's codes, applied or not.
    void Computed(std::int32_t slopeCode, std::int32_t offsetCode);
    // The record being filled (the saving adds its lines and paths).
    RunRecord& Current() { return current_; }
    // A saving step is about to begin: the record says so durably first.
    void StepStarted(SaveStep step);
    // How a saving step went; a failed one's message is the record's.
    void StepEnded(SaveStep step, bool ok, std::string_view message = {});
    // The certificate was written: its path and the next calibration date it prints.
    void CertificateWritten(std::string path, const SensorParams& newParams);
    // The sensor was read back after a write: from now on it holds these.
    void ReadBack(const RunParams& params);

    // Ends the open record (nothing when none is open) and hands it to the
    // sink; when `restoreFollows`, the sensor's old parameters are still to
    // be written back, and the record waits for Restored.
    void End(RunOutcome outcome, std::string_view resultText, const TrendGraph& zero,
             const TrendGraph& reference, bool restoreFollows = false);
    // The old parameters are about to be written back into the sensor.
    void RestoreStarted();
    // How that went: `ok` when they were written and read back. The record
    // (open or waiting) says so, and a waiting one goes to the sink.
    void Restored(bool ok);

    const RunRecord& Last() const { return last_; }

private:
    void Progress();
    void HandOver();
    StepOutcome* StepOf(SaveStep step);

    const CalibrationContext& ctx_;
    bool open_ = false;
    bool waitingForRestore_ = false;  // ended, the restore not yet done
    bool heldUnknown_ = false;        // a restore failed: what the sensor holds is not known
    RunRecord current_;
    RunRecord last_;
    RunParams held_;    // what the sensor holds between runs
    RunParams before_;  // what it held when the open run began
    int runPgaGain_ = 0;
    std::optional<std::int32_t> zeroAverage_;
    std::optional<std::int32_t> referenceAverage_;
    std::optional<RunParams> computed_;
};

}  // namespace gvc
