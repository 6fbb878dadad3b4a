// One sensor's calibrations from the report log, oldest first, with the change
// of its slope K<i> from one calibration to the next.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/report_records.h"

namespace gvc {

// A slope that moved by more than this (in percent of the previous one) since
// the last calibration marks a sensor losing or gaining sensitivity fast.
inline constexpr double kFastSlopeChangePercent = 20.0;

struct HistoryEntry {
    ReportRecord record;
    std::optional<double> changePercent;  // none for the first, or after a zero slope
    bool fastChange = false;
};

// "03-01.00.012.345" also given as the file number "03-01_00_012_345".
std::string SensorNumberFromArgument(std::string_view text);

// The sensor's records (by its new number), oldest first, each calibration
// once.
std::vector<HistoryEntry> SensorHistory(const std::vector<ReportRecord>& records,
                                        std::string_view sensorNumber);

}  // namespace gvc
