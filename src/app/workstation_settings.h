// The program's settings for the calibration record: the operator's name
// (empty: the system's user name) and the as-found tolerance in % of the
// reference value. Kept as "key=value" lines (Windows-1251) in
// D:\ВЕЛМОР_Датчики\G_Varnest.ini; a missing or unreadable file, or a line
// that does not parse, leaves that setting at its default.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/cp1251.h"
#include "util/file_system.h"

namespace gvc {

namespace locations {
using namespace gvc::literals;
inline constexpr std::string_view SettingsFile = "D:\\ВЕЛМОР_Датчики\\G_Varnest.ini"_cp;
}  // namespace locations

struct WorkstationSettings {
    static constexpr double kDefaultTolerance = 10.0;
    std::string operatorName;  // empty: the system's user name
    double tolerancePercent = kDefaultTolerance;
};

// The tolerance typed by the operator ("10", "7,5", " 2.5 "): a finite number
// above 0 and at most 100; nothing otherwise.
std::optional<double> ParseTolerance(std::string_view text);

WorkstationSettings ParseSettings(std::string_view text);
std::string SettingsText(const WorkstationSettings& settings);

WorkstationSettings LoadSettings(FileSystem& fs, std::string_view path = locations::SettingsFile);
// Writes them in one step; false with the cause when the file cannot be written.
bool SaveSettings(FileSystem& fs, const WorkstationSettings& settings, std::string& cause,
                  std::string_view path = locations::SettingsFile);

// The operator's name a run records: the setting, else the system's user name.
std::string OperatorNameFor(const WorkstationSettings& settings);

}  // namespace gvc
