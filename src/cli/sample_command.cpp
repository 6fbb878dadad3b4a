// gvc-cli sample N: connects and admits the sensor, then reads N live samples
// 500 ms apart, one line each.
#include <charconv>
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/cli_command.h"
#include "cli/sensor_session.h"
#include "sensor/sensor_live.h"

namespace gvc::cli {

int RunSample(std::span<const std::string> args, CommandIo io) {
    unsigned count = 0;
    if (args.size() != 1 ||
        std::from_chars(args[0].data(), args[0].data() + args[0].size(), count).ec != std::errc{} ||
        count == 0) {
        io.err << "usage: gvc-cli sample N    (N > 0)\n";
        return 2;
    }
    SensorSession session(io);
    if (const int code = session.Connect(); code != 0) return code;
    constexpr auto kPeriod = std::chrono::milliseconds(500);
    auto next = std::chrono::steady_clock::now();
    for (unsigned i = 0; i < count; ++i) {
        if (i != 0) std::this_thread::sleep_until(next);
        next += kPeriod;
        LiveValues values;
        if (ReadLiveValues(session.Access(), values) != 0) return 2;
        io.out << "status=" << unsigned{values.status} << " temperature=" << values.temperature
               << " adc=" << values.adc << std::endl;
    }
    return 0;
}

}  // namespace gvc::cli
