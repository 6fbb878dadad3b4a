#include "records/report_timestamp.h"

#include <ctime>

#include "util/text_format.h"

namespace gvc {

ReportTimestamp LocalTimestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string DateText(const ReportTimestamp& t) {
    return FormatIntZero(t.day, 2) + "." + FormatIntZero(t.month, 2) + "." + FormatIntZero(t.year, 4);
}

std::string TimeText(const ReportTimestamp& t) {
    return FormatIntZero(t.hour, 2) + ":" + FormatIntZero(t.minute, 2) + ":" + FormatIntZero(t.second, 2);
}

CivilDate LocalDateToday() {
    const ReportTimestamp now = LocalTimestampNow();
    return {now.year, now.month, now.day};
}

}  // namespace gvc
