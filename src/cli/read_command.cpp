// gvc-cli read: discovery, admission and a full read of the sensor's pages,
// then every identity, OldParams and sensor-wide value as a Name=value line.
#include <ostream>

#include "cli/cli_command.h"
#include "cli/sensor_session.h"
#include "sensor/sensor_params_text.h"

namespace gvc::cli {

int RunRead(std::span<const std::string> args, CommandIo io) {
    if (!args.empty()) {
        io.err << "usage: gvc-cli read\n";
        return 2;
    }
    SensorSession session(io);
    if (const int code = session.Connect(); code != 0) return code;
    const SensorState& state = session.State();
    for (const std::string& line :
         SensorValueLines(state.identity, state.OldParams, "OldParams", state.wide)) {
        io.out << line << "\n";
    }
    return 0;
}

}  // namespace gvc::cli
