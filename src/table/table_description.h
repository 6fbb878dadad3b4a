// A readable UTF-8 description of a sensor-type table, from which the table
// writer makes a table file:
//
//   # comment
//   [gases]
//   00 = Имитатор
//   01 = Метан | CH4
//   [units]                  (also: kinds electrodes measured makers multipliers pga)
//   00 = % НКПР
//   [type 01-00]
//   like = 01-00             (optional: start from an earlier type of any gas)
//   kindIndex = 0
//   thresholdA1 = 10.000     (decimals in the unit; the scale follows the field)
//   tempRanges[0].slope = -0.750
//
// Gases, list entries and types must be numbered from 00 without gaps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "table/sensor_type_table.h"

namespace gvc {

// Fills `table` from a description; on false `problem` names the line at fault.
bool ParseTableDescription(std::string_view utf8, SensorTypeTable& table, std::string& problem);

// The description of a table, in the form ParseTableDescription reads back to
// the same table; nothing, with `problem` (UTF-8) naming the text at fault,
// when a text of the table cannot stand on a description line.
std::optional<std::string> DescribeTable(const SensorTypeTable& table, std::string& problem);

}  // namespace gvc
