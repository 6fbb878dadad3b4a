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
    // The typed reference concentration in thousandths; none for the table's.
    std::optional<std::int32_t> reference;
    // The reference gas cylinder of the database whose concentration is the reference.
    std::optional<std::int64_t> cylinder;
};

// The arguments, or nothing after printing why to `err` (an unknown option, a
// repeated one, --reference without a value, or a value that is not a
// concentration; an empty value is not one; --cylinder without a positive
// number, or together with --reference).
std::optional<CalibrateArguments> ParseCalibrateArguments(std::span<const std::string> args,
                                                          std::ostream& err);

}  // namespace gvc::cli
