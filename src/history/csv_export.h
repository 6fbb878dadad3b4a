// Report-log records as CSV for spreadsheets and audits: RFC 4180 (comma,
// CR LF, UTF-8 without BOM), or the flavour that spreadsheet programs set up
// for Russian read directly (UTF-8 BOM, semicolons).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "history/report_records.h"

namespace gvc {

enum class CsvFlavour { kRfc4180, kExcel };

// One field, quoted when it holds the separator, a quote, CR or LF.
std::string CsvField(std::string_view utf8, char separator);

// A text cell as a spreadsheet program shows it and never runs it: a text
// beginning with "=", "+", "-", "@", tab or CR gets a leading apostrophe.
std::string SpreadsheetText(std::string_view utf8);

// The header line and one line per record, each ending in CR LF; with the BOM
// first in the Excel flavour, whose text columns go through SpreadsheetText.
// The RFC 4180 flavour carries every text byte as the log holds it.
std::string RecordsCsv(const std::vector<ReportRecord>& records, CsvFlavour flavour);

// The same with more columns after the present ones: `extraHeader` names them,
// `extra[i]` holds record i's values (Windows-1251; missing values are empty).
std::string RecordsCsv(const std::vector<ReportRecord>& records, CsvFlavour flavour,
                       const std::vector<std::string>& extraHeader,
                       const std::vector<std::vector<std::string>>& extra);

}  // namespace gvc
