// gvc-cli probe: finds the calibration device as the program does, opens it
// and makes the two probe exchanges.
#include <iostream>

#include "cli/cli_command.h"
#include "device/device_thread.h"
#include "device/system_device.h"
#include "util/cp1251.h"
#include "util/error_text.h"
#include "util/operator.h"

namespace gvc::cli {

namespace {

// What the program shows in a message box goes to standard error.
class StreamOperator : public Operator {
public:
    explicit StreamOperator(std::ostream& err) : err_(err) {}
    void Show(MessageKind, std::string_view text) override { PrintLine(err_, text); }
    bool Ask(MessageKind, std::string_view text) override {
        PrintLine(err_, text);
        return false;
    }

private:
    std::ostream& err_;
};

}  // namespace

int RunProbe(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli probe\n";
        return 2;
    }
    StreamOperator op(io.err);
    ErrorText error;
    SystemDevice device(op, error);
    // The device thread finds, opens and probes the device, as for every command.
    BlockingHost host;
    DeviceThread thread(device.Port(), device.Link().PacketWaiter(), host);
    std::string path;
    const int result = thread.Run(
        [&path](DeviceJobContext& context) {
            const int connected = context.link.ConnectCalibrationDevice();
            if (connected == 0) path = context.link.Port().DevicePortPath();
            context.link.Port().ClosePort();
            return connected;
        },
        op);
    if (result != 0) {
        io.out << "probe: failed\n";
        return 1;
    }
    // The device's name and its port on a line of their own, in the form of
    // the device's messages ("Варнест: ..."), so that no line mixes languages.
    io.out << "probe: OK\n"
           << Utf8FromCp1251(error.Text()) << ": " << Utf8FromCp1251(path.substr(kDevicePathPrefix.size())) << "\n";
    return 0;
}

}  // namespace gvc::cli
