// The grammar of the sensor-type table file, shared by its reader and writer:
// line widths, the fixed lines, the list headings and the forty parameter lines
// of a sensor type with their value forms. All texts are Windows-1251.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "table/sensor_type_table.h"

namespace gvc::table_format {

// Visible widths of the three line kinds; every line ends with CR LF.
inline constexpr std::size_t kLine54 = 54;
inline constexpr std::size_t kLine37 = 37;
inline constexpr std::size_t kLine63 = 63;
inline constexpr std::size_t kNameFieldWidth = 49;  // Line-63 columns 4..52
inline constexpr std::size_t kValueFieldWidth = 8;  // Line-63 columns 54..61
inline constexpr std::size_t kMaxNameSuffix = 20;   // unit text allowed after a parameter name

struct FixedLines {
    std::string_view boxRule;
    std::array<std::string_view, 8> boxLines;  // Box line 1..8
    std::string_view gasListHeading;
    std::string_view gasListClosing;
    std::string_view listClosing;
    std::string_view simulatorLine;
    std::string_view blockRule;
    std::string_view parameterHeading;
    std::string_view endLine;
    std::string_view finalRule;
};
const FixedLines& Lines();

// The eleven lines of the header box, in file order.
std::array<std::string_view, 11> HeaderBox();

// The seven name lists in file order.
struct ListLayout {
    NameList SensorTypeTable::*member;
    std::string_view heading;         // the whole Line-37 heading
    std::string_view headingMessage;  // "... нарушен заголовок"
    std::string_view numberMessage;   // "... неверный номер"
    std::string_view endOfFileMessage;
};
const std::array<ListLayout, 7>& Lists();

enum class ValueForm { kInteger, kPointAt5, kFixed2, kFixed3, kSignedFixed3 };

// What a writer puts after a parameter name in the name column (a unit).
enum class NameSuffix { kNone, kSpaceUnit, kUnit, kSpaceUnitHours, kResourceGroup };

struct ParameterLine {
    std::string expectedName;  // "02. Тип Сенсора"
    ValueForm form;
    NameSuffix suffix;
    std::function<std::int64_t(const SensorTypeEntry&)> get;
    std::function<void(SensorTypeEntry&, std::int32_t)> set;  // truncates to the field's width
    std::string fieldName;  // the entry's field, for descriptions and messages
};
const std::array<ParameterLine, 40>& ParameterLines();

// Converts a value text by its form; nothing when it is not a number.
std::optional<std::int32_t> ParseValue(std::string_view text, ValueForm form);

// The value column text for a stored value; nothing when the form cannot hold it
// in 8 characters.
std::optional<std::string> FormatValue(std::int64_t value, ValueForm form);

// The two-character number of columns 1-2: low four bits of each, as tens and ones.
inline int LineNumber(std::string_view line) {
    return (static_cast<unsigned char>(line[1]) & 0x0F) * 10 + (static_cast<unsigned char>(line[2]) & 0x0F);
}

// The type title text of gas g, type t: "Датчик 03-01".
std::string TypeTitle(unsigned gas, unsigned type);

}  // namespace gvc::table_format
