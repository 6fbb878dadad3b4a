// The local date and time of a calibration record, taken once when the report
// log is appended and printed again in the certificate.
#pragma once

#include <string>

#include "util/calendar.h"

namespace gvc {

struct ReportTimestamp {
    int day = 1;
    int month = 1;
    int year = 2000;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const ReportTimestamp&) const = default;
};

// The PC's local date and time now.
ReportTimestamp LocalTimestampNow();

// The PC's local date today.
CivilDate LocalDateToday();

// "dd.mm.yyyy" and "hh:mm:ss".
std::string DateText(const ReportTimestamp& t);
std::string TimeText(const ReportTimestamp& t);

}  // namespace gvc
