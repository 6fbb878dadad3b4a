// The records of a report log read back as values: the verified log's lines
// taken apart by their fixed columns, for exports, histories and the program's
// log page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/calendar.h"

namespace gvc {

struct ReportRecord {
    CivilDate date;
    std::string time;       // "hh:mm:ss"
    std::string sensorOld;  // "03-01.00.012.345", as the log holds it
    std::string sensorNew;
    int calibration = 0;
    std::string k00;  // plain decimal text: "0.9766", "-1.2000"
    std::string ki;
    double kiValue = 0;
    int calibrationResourceMax = 0;
    int workResourceMax = 0;
    std::string unit;  // Windows-1251, trailing blanks removed

    bool operator==(const ReportRecord&) const = default;
};

// One 104-character record line; nothing when a column does not hold what the
// append writes there.
std::optional<ReportRecord> ParseReportRecord(std::string_view line);

// The record in every column, as a key: two records are one when their keys are.
std::string ReportRecordKey(const ReportRecord& record);

// "+00.9766" -> "0.9766", "-01.2000" -> "-1.2000": the sign's "+" and the
// integer part's leading zeros go. Nothing for a text that is no signed
// decimal number.
std::optional<std::string> PlainDecimalText(std::string_view text);

struct ReportRecords {
    bool ok = false;
    std::string message;  // Windows-1251; empty when ok
    std::vector<ReportRecord> records;
};
// Verifies the log as log-verify does, then takes every record apart. Any
// failure gives no records at all: never a part of a log.
ReportRecords ReadReportRecords(std::string_view logBytes);

// Oldest first: by date, time, then sensor number. Records of equal keys keep
// their order (the order of the logs given).
void SortByDateTimeSensor(std::vector<ReportRecord>& records);

// Sorts as above and keeps one of records equal in every column: a log merged
// with an older copy of itself names each calibration once.
void MergeRecords(std::vector<ReportRecord>& records);

}  // namespace gvc
