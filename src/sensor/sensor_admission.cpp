#include "sensor/sensor_admission.h"

#include "sensor/sensor_messages.h"
#include "sensor/sensor_read.h"
#include "util/text_format.h"

namespace gvc {

AdmissionCatalogue AdmissionCatalogueFromTable(const SensorTypeTable& table) {
    AdmissionCatalogue catalogue;
    catalogue.count = table.gasCount;
    for (unsigned g = 1; g < table.gasCount && g < catalogue.names.size(); ++g) {
        catalogue.names[g] = table.GasName(g);
        catalogue.typeCounts[g] = table.typeCount[g];
    }
    return catalogue;
}

namespace {

std::string TwoDigits(std::int32_t value) {
    return FormatIntZero(value, 2);
}

// The refusal message, or an empty text when the sensor is admitted.
std::string RefusalMessage(const SensorIdentity& id, const SensorWideValues& wide,
                           const AdmissionCatalogue& catalogue) {
    using namespace sensor_text;
    if (id.GasCode >= catalogue.count) return std::string(kBadGasCode) + TwoDigits(id.GasCode);

    std::string message;
    const unsigned typeCount = catalogue.typeCounts[id.GasCode & 0x0Fu];
    if (id.SerialNumber == 0) {
        if (id.GasNumber != 0 || id.TypeNumber != 0) message = kNoSerialNumber;
    } else if (id.GasNumber != id.GasCode) {
        message = std::string(kWrongGasNumber) + TwoDigits(id.GasNumber) + "-xx != " + TwoDigits(id.GasCode) +
                  "-xx";
    } else if (id.TypeNumber >= typeCount) {
        message = std::string(kWrongTypeNumber) + "xx-" + TwoDigits(id.TypeNumber) + " > xx-" +
                  TwoDigits(static_cast<std::int32_t>(typeCount) - 1);
    }
    // Every temperature conversion divides by the scale.
    if (wide.TempScale == 0) message = kZeroTempScale;
    if (typeCount == 0) {
        message = kNoTypesForGas;
        if (id.GasCode == 0) {
            message += "\r\n";
            message += kSimulatorLine;
        } else {
            message += " - " + catalogue.names[id.GasCode & 0x0Fu];
        }
    }
    return message;
}

}  // namespace

int CheckSensorIdentity(SensorAccess& access, const AdmissionCatalogue& catalogue,
                        CalibrationDeviceLink& link) {
    if (ReadIdentity(access) != 0) return -1;
    const std::string message = RefusalMessage(access.state.identity, access.state.wide, catalogue);
    if (message.empty()) return 0;
    access.op.Show(MessageKind::kError, message);
    link.ClosePort();
    return 1;
}

int ConnectSensor(SensorAccess& access, const AdmissionCatalogue& catalogue, CalibrationDeviceLink& link) {
    if (link.ConnectCalibrationDevice() != 0) return -1;
    if (const int checked = CheckSensorIdentity(access, catalogue, link); checked != 0) return checked;
    if (access.state.identity.SerialNumber != 0) {
        const int read =
            access.progress.RunTransfer(TransferMode::kRead, [&] { return ReadAllPages(access); });
        if (read != 0) return read;
        // A slope of 0 is no calibration: a run that stopped after writing
        // its parameters (or a sensor never calibrated) leaves it so.
        if (access.state.OldParams.Slope == 0)
            access.op.Show(MessageKind::kWarning, sensor_text::kNoCalibration);
    }
    return 0;
}

int CheckDigitalFrontEnd(SensorAccess& access) {
    std::uint32_t value = 255;
    const SensorItem item = SensorAddressMap::kFrontEndByte;
    if (access.channel.DeviceRequest(DeviceCommand::kRead, item.address, item.width, value) != 0) {
        access.op.Show(MessageKind::kError, sensor_text::kFrontEndSilent);
        return 0;
    }
    if ((value & 0xFFu) == 0) return 1;
    access.op.Show(MessageKind::kError, sensor_text::kFrontEndNotReady);
    return 0;
}

int WriteDigitalFrontEnd(SensorAccess& access, bool modeFlag, std::uint32_t value) {
    const SensorItem item = modeFlag ? SensorAddressMap::kFrontEndByte : SensorAddressMap::kFrontEndWord;
    if (WriteItem(access, item, value)) return 1;
    access.op.Show(MessageKind::kError, sensor_text::kFrontEndSilent);
    return 0;
}

}  // namespace gvc
