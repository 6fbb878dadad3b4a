// The reference of gvc-cli calibrate for the connected sensor: the table's
// standard value, a typed --reference or a --cylinder of the database, judged
// by the same rules as the window's reference dialog (ui/reference_rules.h).
#pragma once

#include <cstdint>
#include <optional>

#include "cli/calibrate_arguments.h"
#include "cli/cli_command.h"
#include "ui/cylinder_choice.h"
#include "ui/reference_choice.h"
#include "util/operator.h"

namespace gvc::cli {

// The reference for a sensor described by `sensor` (range, unit, multiplier
// code) whose gas is `gasCode` and whose standard value is `standardValue`.
// Nothing after the reason was shown, with the exit code in `exitCode`: 2 for
// a typed value the sensor's entry cannot hold, 1 for anything else refused or
// answered No. The range question is answered Yes only with --above-range
// (--yes alone refuses it); the rounding of a cylinder's value is asked at the
// prompt or answered by --yes.
std::optional<ReferenceSelection> CalibrateReference(const CalibrateArguments& arguments,
                                                     std::int32_t standardValue, unsigned gasCode,
                                                     const ReferenceRange& sensor, Operator& op, CommandIo io,
                                                     int& exitCode);

// The cylinder numbered `id` in the workstation's database; nothing after
// telling the operator why (no database, no such cylinder, retired).
std::optional<ReferenceCylinder> DatabaseCylinder(std::int64_t id, CommandIo io, Operator& op);

}  // namespace gvc::cli
