// The data directory tree: D:\ВЕЛМОР_Датчики with Отчет and Датчики, one
// directory per gas and per sensor type below Датчики.
#pragma once

#include <string>
#include <string_view>

#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/operator.h"

namespace gvc {

// "03-CO": the gas code (2 digits), "-", the gas name.
std::string GasDirectoryPath(unsigned gasCode, const SensorTypeTable& table);
// "...\03-CO\Тип_03-01".
std::string TypeDirectoryPath(unsigned gasCode, unsigned typeNumber, const SensorTypeTable& table);

// False when a gas name cannot safely be a directory name: a path separator,
// "..", a drive colon, a character or a name Windows refuses. Gas names come
// from the table file, and its checksum is no protection against a crafted one.
bool IsSafeGasDirectoryName(std::string_view name);

// Makes sure SensorsDir and every gas and type directory exist. The first one
// that can be neither found nor created stops the walk with an error box.
bool CreateSensorDirs(const SensorTypeTable& table, FileSystem& fs, Operator& op);

// Creates DataDir, the sensor directories and an empty report log; the result
// is that of the report log (its message in `error`).
bool CreateDataDirs(const SensorTypeTable& table, FileSystem& fs, Operator& op, ErrorText& error);

}  // namespace gvc
