// Reads the sensor-type table file into a SensorTypeTable, checking its grammar
// and checksum. A failure leaves one Windows-1251 message in ErrorText.
#pragma once

#include <filesystem>
#include <string_view>

#include "table/sensor_type_table.h"
#include "util/error_text.h"

namespace gvc {

// The table file below the working directory.
inline constexpr std::string_view kTableFileRelativePath = "\\DAT\\TABL_GAZ_SENSOR_PARAM.dat";

// Parses the bytes of a table file. On false the table is partly filled and
// must not be used.
bool ParseSensorTypeTable(std::string_view bytes, SensorTypeTable& table, ErrorText& error);

// The largest table file the grammar allows: 15 gases of 15 types each and
// every list full. A larger file is refused before it is read.
inline constexpr std::size_t kMaxTableFileSize = 623891;

// Opens and parses the table file at `file`.
bool LoadSensorTypeTable(const std::filesystem::path& file, SensorTypeTable& table, ErrorText& error);

}  // namespace gvc
