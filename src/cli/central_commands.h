// `gvc-cli central ...` and the sending after a calibration.
#pragma once

#include <span>
#include <string>

#include "cli/cli_command.h"

namespace gvc::cli {

int RunCentral(std::span<const std::string> args, CommandIo io);
int CentralSend(std::span<const std::string> args, CommandIo io);
int CentralStatus(std::span<const std::string> args, CommandIo io);

// After a calibration: when central.ini exists, sends the waiting runs. A
// failure only says that the run waits; it never changes the run's result.
void SendAfterRun(CommandIo io);

}  // namespace gvc::cli
