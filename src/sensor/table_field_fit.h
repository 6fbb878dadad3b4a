// Whether a sensor-type table's values fit the sensor fields they are written
// to. A connected sensor of a type takes the type's values (directly or
// through the computations of the new-values image) into fields of 2 to 32
// bits; a value that does not fit saturates or loses its high bits in the
// sensor. gvc-tablegen and gvc-cli table-check warn about such values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "table/sensor_type_table.h"

namespace gvc {

struct FieldFitProblem {
    std::uint8_t gasCode = 0;
    std::uint8_t typeNumber = 0;
    std::string_view parameter;  // the table parameter (or the computation) that feeds the field
    std::int64_t value = 0;      // the value the field would have to hold
    unsigned bits = 0;           // the field's width (in characters for a report-log column)
    std::string_view field;      // the sensor field and its address, or the report-log column
    bool reportColumn = false;   // a column of every report-log record, not a sensor field
};

// Every value of every defined sensor type (gases 1 and up) that does not fit
// its field, in table order; also the values the report-log record of a
// calibration cannot carry in its fixed columns (a resource of more than six
// digits, a unit name of more than eight characters), which would make every
// later append of the sensor's record fail. Values that also depend on the connected sensor
// take their worst case within the type: the calibration warning level at a
// used resource equal to the maximum. The temperature coefficient words,
// which depend on the sensor's temperature scale, are not checked.
std::vector<FieldFitProblem> FindFieldFitProblems(const SensorTypeTable& table);

// One line of UTF-8 text for standard error, naming gas, type, parameter,
// value and field width.
std::string FieldFitWarningText(const SensorTypeTable& table, const FieldFitProblem& problem);

}  // namespace gvc
