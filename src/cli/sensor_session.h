// What the sensor sub-commands of gvc-cli share: messages to standard error,
// the table of the working directory, the system's device link and a
// connected, admitted sensor.
#pragma once

#include "cli/cli_command.h"
#include "device/device_thread.h"
#include "device/system_device.h"
#include "sensor/sensor_access.h"
#include "sensor/sensor_params.h"
#include "sensor/threaded_device.h"
#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/operator.h"

namespace gvc::cli {

// Shows every message on standard error as UTF-8; questions are answered No.
class StderrOperator : public Operator {
public:
    explicit StderrOperator(std::ostream& err) : err_(err) {}
    void Show(MessageKind kind, std::string_view cp1251Text) override;
    bool Ask(MessageKind kind, std::string_view cp1251Text) override;

private:
    std::ostream& err_;
};

class SensorSession {
public:
    explicit SensorSession(CommandIo io);
    // With the caller's operator and progress display.
    SensorSession(CommandIo io, Operator& op, TransferProgress& progress);

    // Loads the table and runs ConnectSensor. Returns the exit code of a
    // failure (1 refused, 2 table missing, device not found or an exchange
    // failed), or 0 when the sensor is admitted and read.
    int Connect();

    SensorAccess& Access() { return access_; }
    const SensorState& State() const { return state_; }
    // The connect step and the port, on the device thread.
    CalibrationDeviceLink& Link() { return connector_; }
    // "GG-TT.NN.NNN.NNN" of the connected sensor.
    std::string SensorNumber() const;

private:
    CommandIo io_;
    StderrOperator stderrOperator_;
    NoProgress noProgress_;
    Operator& op_;
    ErrorText error_;
    SensorTypeTable table_;
    SystemDevice device_;
    // Every exchange runs on the device thread, as in the window; this thread
    // waits for each result.
    BlockingHost host_;
    DeviceThread thread_;
    ThreadedChannel channel_;
    ThreadedConnector connector_;
    SensorState state_;
    SensorAccess access_;
};

}  // namespace gvc::cli
