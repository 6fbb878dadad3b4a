// The arguments of gvc-cli calibrate, checked in full before the command
// touches the lock, the data tree or the device.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

namespace gvc::cli {

struct CalibrateArguments {
    bool yes = false;
    // A reference (typed or a cylinder's) above the sensor's measuring range
    // is meant: the range question is answered Yes (with --yes it is
    // otherwise refused).
    bool aboveRange = false;
    // The typed reference concentration in thousandths; none for the table's.
    std::optional<std::int32_t> reference;
    // The reference as typed (Windows-1251): the connected sensor's entry
    // layout decides how many decimals it may have.
    std::string referenceText;
    // The reference gas cylinder of the database whose concentration is the reference.
    std::optional<std::int64_t> cylinder;
    // --operator NAME (Windows-1251): who calibrates, for this run only; empty:
    // the operator of the program's settings, as the window takes it.
    std::string operatorName;
};

// The arguments, or nothing after printing why to `err` (an unknown option, a
// repeated one, --reference without a value, or a value that is not a
// concentration; an empty value is not one; --cylinder without a positive
// number, or together with --reference; --operator without a name, or with a
// control character or one that Windows-1251 lacks).
std::optional<CalibrateArguments> ParseCalibrateArguments(std::span<const std::string> args,
                                                          std::ostream& err);

}  // namespace gvc::cli
