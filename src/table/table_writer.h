// Writes a SensorTypeTable as a table file that follows the file's grammar and
// checksum exactly. The maker's own tool does this outside the workstation;
// ours builds the shipped sample table and test fixtures.
#pragma once

#include <optional>
#include <string>

#include "table/sensor_type_table.h"

namespace gvc {

// The file's bytes, or nothing with `problem` (UTF-8) saying what the table
// holds that the file cannot carry (too many entries, a text too long or with
// trailing blanks, a value its form cannot write).
std::optional<std::string> WriteSensorTypeTableBytes(const SensorTypeTable& table, std::string& problem);

}  // namespace gvc
