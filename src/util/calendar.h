// Calendar dates of the records: parsing the "dd.mm.yyyy" texts of the report
// log and the certificate, ISO texts for scripts, and day counts between dates.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gvc {

struct CivilDate {
    int year = 2000;
    int month = 1;
    int day = 1;
    auto operator<=>(const CivilDate&) const = default;
};

// True for a real day of the Gregorian calendar in the years 1 to 9999.
bool IsValidDate(const CivilDate& date);

// Days since 1970-01-01 (negative before it). The date must be valid.
std::int64_t DayNumber(const CivilDate& date);

// The date of a day number (the inverse of DayNumber).
CivilDate DateFromDayNumber(std::int64_t day);

// The system's time now in seconds since 1970-01-01 UTC (for records that
// note when they were written; the calibration run takes its time from its view).
std::int64_t UtcSecondsNow();

// "dd.mm.yyyy" as the records write it; nothing for any other text or a day
// that does not exist (31.02.2026).
std::optional<CivilDate> ParseDotDate(std::string_view text);
// "yyyy-mm-dd".
std::optional<CivilDate> ParseIsoDate(std::string_view text);

std::string IsoDateText(const CivilDate& date);  // "2026-05-14"
std::string DotDateText(const CivilDate& date);  // "14.05.2026"

}  // namespace gvc
