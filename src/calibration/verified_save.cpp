#include "calibration/verified_save.h"

#include "sensor/sensor_encoding.h"
#include "sensor/sensor_messages.h"
#include "sensor/write_read_back.h"

namespace gvc {

namespace {

using Map = SensorAddressMap;

// Slope, offset and gain as the sensor gave them back; nothing unless all
// three were read.
std::optional<RunParams> ParamsReadBack(const ReadBackResult& result) {
    const WrittenItem* slope = FindReadBack(result, Map::kSlope.address);
    const WrittenItem* offset = FindReadBack(result, Map::kZeroOffset.address);
    const WrittenItem* gains = FindReadBack(result, Map::kPgaGains.address);
    if (slope == nullptr || offset == nullptr || gains == nullptr) return std::nullopt;
    RunParams params;
    params.slope = SlopeFromStored(static_cast<std::int32_t>(slope->value));
    params.zeroOffset = static_cast<std::int32_t>(offset->value);
    params.pgaGain = static_cast<int>(gains->value & 0x0Fu);
    return params;
}

}  // namespace

int WriteAndVerify(SensorAccess& access, RunRecorder& recorder) {
    recorder.StepStarted(SaveStep::kSensorWrite);
    const VerifiedWrite written = WriteAllPagesVerified(access);
    if (written.writeResult != 0) {
        // The failed exchange has shown its own message.
        recorder.StepEnded(SaveStep::kSensorWrite, false, sensor_text::kWriteFailed);
        return kSaveSensorWriteFailed;
    }
    recorder.StepEnded(SaveStep::kSensorWrite, true);
    if (const auto params = ParamsReadBack(written.readBack)) recorder.ReadBack(*params);
    if (written.readBack.status == ReadBackStatus::kMatch) {
        recorder.StepEnded(SaveStep::kReadBack, true);
        return 0;
    }
    const std::string message = ReadBackMessage(written.readBack);
    recorder.StepEnded(SaveStep::kReadBack, false, message);
    access.op.Show(MessageKind::kError, message);
    return kSaveReadBackFailed;
}

}  // namespace gvc
