// Where the workstation's calibration database lives: beside the report
// folder in the data folder, with its outbox (rows that could not be written
// yet) in a folder next to it.
#pragma once

#include <string_view>

#include "util/cp1251.h"

namespace gvc::locations {

using namespace gvc::literals;

inline constexpr std::string_view DatabasePath = "D:\\ВЕЛМОР_Датчики\\calibrations.sqlite"_cp;
inline constexpr std::string_view OutboxDir = "D:\\ВЕЛМОР_Датчики\\calibrations.outbox"_cp;

}  // namespace gvc::locations
