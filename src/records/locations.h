// The fixed locations of the workstation's files, spelled the Windows way in
// Windows-1251; NativePath maps drive D: on other systems.
#pragma once

#include <string_view>

#include "util/cp1251.h"

namespace gvc::locations {

using namespace gvc::literals;

inline constexpr std::string_view TableFilePath = "\\DAT\\TABL_GAZ_SENSOR_PARAM.dat";
inline constexpr std::string_view DataDir = "D:\\ВЕЛМОР_Датчики"_cp;
inline constexpr std::string_view ReportDir = "D:\\ВЕЛМОР_Датчики\\Отчет"_cp;
inline constexpr std::string_view ReportLogPath = "D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log"_cp;
inline constexpr std::string_view SensorsDir = "D:\\ВЕЛМОР_Датчики\\Датчики"_cp;
// Every certificate that a later calibration replaced, in the same gas and
// type folders as below SensorsDir.
inline constexpr std::string_view ArchiveDir = "D:\\ВЕЛМОР_Датчики\\Архив"_cp;

}  // namespace gvc::locations
