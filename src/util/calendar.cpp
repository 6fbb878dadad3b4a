#include "util/calendar.h"

#include <algorithm>
#include <chrono>

#include "util/text_format.h"

namespace gvc {

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The value of a run of decimal digits, or -1 when any character is not one.
int Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<CivilDate> Checked(int year, int month, int day) {
    const CivilDate date{year, month, day};
    if (year < 0 || month < 0 || day < 0 || !IsValidDate(date)) return std::nullopt;
    return date;
}

}  // namespace

bool IsValidDate(const CivilDate& date) {
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= DaysInMonth(date.year, date.month);
}

std::int64_t DayNumber(const CivilDate& date) {
    // Days from civil (proleptic Gregorian), counting years from March so
    // that the leap day ends the year.
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = date.month > 2 ? date.month - 3 : date.month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate DateFromDayNumber(std::int64_t day) {
    const std::int64_t z = day + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const auto dayOfMonth = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const auto month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(std::clamp<std::int64_t>(year, -1000000, 1000000)), month, dayOfMonth};
}

std::optional<CivilDate> ParseDotDate(std::string_view text) {
    if (text.size() != 10 || text[2] != '.' || text[5] != '.') return std::nullopt;
    return Checked(Digits(text.substr(6, 4)), Digits(text.substr(3, 2)), Digits(text.substr(0, 2)));
}

std::optional<CivilDate> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    return Checked(Digits(text.substr(0, 4)), Digits(text.substr(5, 2)), Digits(text.substr(8, 2)));
}

std::string IsoDateText(const CivilDate& date) {
    return FormatIntZero(date.year, 4) + "-" + FormatIntZero(date.month, 2) + "-" +
           FormatIntZero(date.day, 2);
}

std::string DotDateText(const CivilDate& date) {
    return FormatIntZero(date.day, 2) + "." + FormatIntZero(date.month, 2) + "." +
           FormatIntZero(date.year, 4);
}

std::int64_t UtcSecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace gvc
