#include "history/report_records.h"
#include "util/stable_sort.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/text_format.h"

namespace gvc {

using namespace gvc::literals;

namespace {

// 0-based column spans of a record line (the separators between them are
// checked by position too).
struct Span {
    std::size_t pos;
    std::size_t len;
};
constexpr Span kDate{1, 10};
constexpr Span kTime{12, 8};
constexpr Span kOld{21, 16};
constexpr Span kNew{38, 16};
constexpr Span kCalibration{55, 3};
constexpr Span kK00{60, 8};
constexpr Span kKi{71, 8};
constexpr Span kCalibrationResource{81, 6};
constexpr Span kWorkResource{88, 6};
constexpr Span kUnit{95, 8};

struct Separator {
    std::size_t pos;
    std::string_view text;
};
constexpr Separator kSeparators[] = {{0, "|"},    {11, "|"},  {20, "|"}, {37, "|"}, {54, "|"}, {58, "| "},
                                     {68, " | "}, {79, " |"}, {87, "|"}, {94, "|"}, {103, "|"}};

std::string_view Column(std::string_view line, Span span) {
    return line.substr(span.pos, span.len);
}

std::optional<int> Counter(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool IsTimeText(std::string_view t) {
    if (t.size() != 8 || t[2] != ':' || t[5] != ':') return false;
    const auto hour = Counter(t.substr(0, 2));
    const auto minute = Counter(t.substr(3, 2));
    const auto second = Counter(t.substr(6, 2));
    return hour && minute && second && *hour < 24 && *minute < 60 && *second < 60;
}

}  // namespace

std::optional<std::string> PlainDecimalText(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::string sign;
    if (text.front() == '+' || text.front() == '-') {
        if (text.front() == '-') sign = "-";
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digitsOnly = [](std::string_view d) {
        return d.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (whole.empty() || !digitsOnly(whole) || !digitsOnly(fraction)) return std::nullopt;
    if (point != std::string_view::npos && fraction.empty()) return std::nullopt;
    const std::size_t firstDigit = std::min(whole.find_first_not_of('0'), whole.size() - 1);
    std::string out = sign + std::string(whole.substr(firstDigit));
    if (point != std::string_view::npos) out += "." + std::string(fraction);
    return out;
}

std::optional<ReportRecord> ParseReportRecord(std::string_view line) {
    if (line.size() != kReportLineWidth) return std::nullopt;
    for (const Separator& s : kSeparators) {
        if (line.substr(s.pos, s.text.size()) != s.text) return std::nullopt;
    }
    ReportRecord r;
    const auto date = ParseDotDate(Column(line, kDate));
    const std::string_view time = Column(line, kTime);
    const auto calibration = Counter(Column(line, kCalibration));
    const auto k00 = PlainDecimalText(Column(line, kK00));
    const auto ki = PlainDecimalText(Column(line, kKi));
    const auto calibrationResource = Counter(Column(line, kCalibrationResource));
    const auto workResource = Counter(Column(line, kWorkResource));
    if (!date || !IsTimeText(time) || !calibration || !k00 || !ki || !calibrationResource || !workResource)
        return std::nullopt;
    r.date = *date;
    r.time = std::string(time);
    r.sensorOld = std::string(Column(line, kOld));
    r.sensorNew = std::string(Column(line, kNew));
    r.calibration = *calibration;
    r.k00 = *k00;
    r.ki = *ki;
    // The text was checked to be a plain decimal of at most 8 characters.
    const auto [end, ec] = std::from_chars(r.ki.data(), r.ki.data() + r.ki.size(), r.kiValue);
    if (ec != std::errc() || end != r.ki.data() + r.ki.size()) return std::nullopt;
    r.calibrationResourceMax = *calibrationResource;
    r.workResourceMax = *workResource;
    const std::string_view unit = Column(line, kUnit);
    r.unit = std::string(unit.substr(0, unit.find_last_not_of(' ') + 1));
    return r;
}

ReportRecords ReadReportRecords(std::string_view logBytes) {
    ReportRecords result;
    ReportLogCheck check = VerifyReportLog(logBytes);
    if (!check.ok) {
        result.message = check.message;
        return result;
    }
    result.records.reserve(check.records.size());
    for (std::size_t i = 0; i < check.records.size(); ++i) {
        auto record = ParseReportRecord(check.records[i]);
        if (!record) {
            result.records.clear();
            result.message =
                std::string("Файл Отчета: не корректный формат строк, запись "_cp) + std::to_string(i + 1);
            return result;
        }
        result.records.push_back(std::move(*record));
    }
    result.ok = true;
    return result;
}

void SortByDateTimeSensor(std::vector<ReportRecord>& records) {
    const auto before = [](const ReportRecord& a, const ReportRecord& b) {
        return std::tie(a.date, a.time, a.sensorNew, a.sensorOld) <
               std::tie(b.date, b.time, b.sensorNew, b.sensorOld);
    };
    // One workstation's log is in order already (records are appended).
    if (std::is_sorted(records.begin(), records.end(), before)) return;
    StableSort(records, before);
}

void MergeRecords(std::vector<ReportRecord>& records) {
    SortByDateTimeSensor(records);
    // Equal records have equal sort keys, so they sit in one run of equal keys
    // (a run is a few records at most: one second of one sensor).
    std::vector<ReportRecord> kept;
    kept.reserve(records.size());
    std::size_t runStart = 0;
    for (ReportRecord& r : records) {
        const ReportRecord* first = kept.empty() ? nullptr : &kept[runStart];
        if (!first || std::tie(first->date, first->time, first->sensorNew, first->sensorOld) !=
                          std::tie(r.date, r.time, r.sensorNew, r.sensorOld))
            runStart = kept.size();
        if (std::find(kept.begin() + static_cast<std::ptrdiff_t>(runStart), kept.end(), r) == kept.end())
            kept.push_back(std::move(r));
    }
    records = std::move(kept);
}

std::string ReportRecordKey(const ReportRecord& r) {
    std::string key = DotDateText(r.date);
    for (const std::string* part : {&r.time, &r.sensorOld, &r.sensorNew, &r.k00, &r.ki, &r.unit}) {
        key += '\x1f';
        key += *part;
    }
    for (const int n : {r.calibration, r.calibrationResourceMax, r.workResourceMax})
        key += '\x1f' + std::to_string(n);
    return key;
}

}  // namespace gvc
