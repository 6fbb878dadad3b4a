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

    // A run begins: the zero gas was confirmed.
    void Begin();
    void ZeroSettled(std::int32_t average, std::int32_t spread);
    void ReferenceSettled(std::int32_t average, std::int32_t spread);
    // The result's codes, applied or not.
    void Computed(std::int32_t slopeCode, std::int32_t offsetCode);
    // The record being filled (the saving adds its lines and paths).
    RunRecord& Current() { return current_; }
    // How a saving step went; a failed one's message is the record's.
    void StepEnded(SaveStep step, bool ok, std::string_view message = {});
    // The certificate was written: its path and the next calibration date it prints.
    void CertificateWritten(std::string path, const SensorParams& newParams);
    // The sensor was read back after a write: from now on it holds these.
    void ReadBack(const RunParams& params);

    // Ends the open record and hands it to the sink (nothing when none is open).
    void End(RunOutcome outcome, std::string_view resultText, const TrendGraph& zero,
             const TrendGraph& reference);

    const RunRecord& Last() const { return last_; }

private:
    const CalibrationContext& ctx_;
    bool open_ = false;
    RunRecord current_;
    RunRecord last_;
    RunParams held_;  // what the sensor holds between runs
    int runPgaGain_ = 0;
    std::optional<std::int32_t> zeroAverage_;
    std::optional<std::int32_t> referenceAverage_;
    std::optional<RunParams> computed_;
};

}  // namespace gvc
