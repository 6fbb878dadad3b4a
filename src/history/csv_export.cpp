#include "history/csv_export.h"

#include "util/cp1251.h"

namespace gvc {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kHeader[] = {"date",
                                        "time",
                                        "sensor_old",
                                        "sensor_new",
                                        "calibration",
                                        "k00",
                                        "ki",
                                        "calibration_resource_max",
                                        "work_resource_max",
                                        "unit"};

// A spreadsheet program takes a cell beginning with one of these for a
// formula (tab and CR start one after its own trimming).
constexpr std::string_view kFormulaStarts = "=+-@\t\r";

}  // namespace

std::string SpreadsheetText(std::string_view utf8) {
    if (utf8.empty() || kFormulaStarts.find(utf8.front()) == std::string_view::npos) return std::string(utf8);
    return "'" + std::string(utf8);
}

std::string CsvField(std::string_view utf8, char separator) {
    if (utf8.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos)
        return std::string(utf8);
    std::string quoted = "\"";
    for (char c : utf8) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string RecordsCsv(const std::vector<ReportRecord>& records, CsvFlavour flavour) {
    return RecordsCsv(records, flavour, {}, {});
}

std::string RecordsCsv(const std::vector<ReportRecord>& records, CsvFlavour flavour,
                       const std::vector<std::string>& extraHeader,
                       const std::vector<std::vector<std::string>>& extra) {
    const char separator = flavour == CsvFlavour::kExcel ? ';' : ',';
    std::string out;
    out.reserve((records.size() + 1) * 100);
    if (flavour == CsvFlavour::kExcel) out += kUtf8Bom;
    auto line = [&](std::initializer_list<std::string_view> fields) {
        bool first = true;
        for (std::string_view f : fields) {
            if (!first) out += separator;
            first = false;
            out += CsvField(f, separator);
        }
        out += kCrLf;
    };
    for (std::size_t i = 0; i < std::size(kHeader); ++i) {
        if (i != 0) out += separator;
        out += kHeader[i];
    }
    for (const std::string& name : extraHeader)
        out += separator + name;
    out += kCrLf;
    // The sensor numbers and the unit are free text in a log (only its
    // checksum protects them); the other columns were read as dates, times
    // and numbers, and a negative K stays a number.
    const auto text = [&](const std::string& cp1251) {
        const std::string utf8 = Utf8FromCp1251(cp1251);
        return flavour == CsvFlavour::kExcel ? SpreadsheetText(utf8) : utf8;
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ReportRecord& r = records[i];
        line({IsoDateText(r.date), r.time, text(r.sensorOld), text(r.sensorNew),
              std::to_string(r.calibration), r.k00, r.ki, std::to_string(r.calibrationResourceMax),
              std::to_string(r.workResourceMax), text(r.unit)});
        if (extraHeader.empty()) continue;
        out.resize(out.size() - kCrLf.size());
        for (std::size_t c = 0; c < extraHeader.size(); ++c) {
            out += separator;
            // The database's columns (operator, cylinder) are free text too.
            if (i < extra.size() && c < extra[i].size()) out += CsvField(text(extra[i][c]), separator);
        }
        out += kCrLf;
    }
    return out;
}

}  // namespace gvc
