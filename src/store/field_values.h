// Conversions shared by the run's encodings: integral and enum fields to and
// from 64-bit integers with range checks, and the texts of times and dates.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "calibration/run_record.h"
#include "records/report_timestamp.h"
#include "util/calendar.h"

namespace gvc {

template <class T>
constexpr std::int64_t FieldMax() {
    if constexpr (std::is_same_v<T, RunOutcome>) {
        return static_cast<std::int64_t>(RunOutcome::kUnfinished);
    } else if constexpr (std::is_same_v<T, ReferenceSource>) {
        return static_cast<std::int64_t>(ReferenceSource::kCylinder);
    } else if constexpr (std::is_same_v<T, StepOutcome>) {
        return static_cast<std::int64_t>(StepOutcome::kStarted);
    } else if constexpr (std::is_same_v<T, RecordedFrom>) {
        return static_cast<std::int64_t>(RecordedFrom::kRecovered);
    } else if constexpr (std::is_same_v<T, bool>) {
        return 1;
    } else {
        return static_cast<std::int64_t>(std::numeric_limits<T>::max());
    }
}

template <class T>
constexpr std::int64_t FieldMin() {
    if constexpr (std::is_enum_v<T> || std::is_same_v<T, bool>) {
        return 0;
    } else {
        return static_cast<std::int64_t>(std::numeric_limits<T>::min());
    }
}

template <class T>
std::int64_t FieldToInt(const T& value) {
    if constexpr (std::is_enum_v<T>) {
        return static_cast<std::int64_t>(value);
    } else if constexpr (std::is_same_v<T, bool>) {
        return value ? 1 : 0;
    } else {
        return static_cast<std::int64_t>(value);
    }
}

// False when `number` is outside what the field can hold.
template <class T>
bool FieldFromInt(std::int64_t number, T& value) {
    if (number < FieldMin<T>() || number > FieldMax<T>()) return false;
    if constexpr (std::is_same_v<T, bool>) {
        value = number != 0;
    } else {
        value = static_cast<T>(number);
    }
    return true;
}

// "2026-05-14 09:03:07".
std::string StampText(const ReportTimestamp& t);
std::optional<ReportTimestamp> ParseStampText(std::string_view text);

}  // namespace gvc
