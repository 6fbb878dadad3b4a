// The report log REPORT.log: a boxed header, a table head, one 104-character
// line per calibration, a closing line and the 8-byte checksum. Every append
// verifies the whole file first, so a log changed by hand is never extended.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/report_timestamp.h"
#include "sensor/sensor_params.h"
#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/operator.h"

namespace gvc {

inline constexpr std::size_t kReportHeaderWidth = 54;
inline constexpr std::size_t kReportLineWidth = 104;
inline constexpr std::size_t kEmptyReportLogSize = 988;
// A log of a million calibrations, more than a workstation makes in its life:
// a larger file is refused before it is read into memory.
inline constexpr std::size_t kMaxReportLogRecords = 1'000'000;
inline constexpr std::size_t kMaxReportLogSize =
    kEmptyReportLogSize + kMaxReportLogRecords * (kReportLineWidth + 2);

// The empty log as CreateReportLog writes it.
std::string EmptyReportLogBytes();

// One record line (without CR LF). Its length is 104 only when the slope texts
// are 8 characters, the resource levels fit 6 digits and the unit name 8.
std::string ReportRecordLine(const ReportTimestamp& when, std::string_view slopeText,
                             std::string_view initialSlopeText, const SensorParams& newParams,
                             const SensorIdentity& identity, const SensorTypeTable& table);

// Creates ReportDir when missing (an error box when it cannot) and writes an
// empty log. False with the message in `error` when the log cannot be written.
bool CreateReportLog(FileSystem& fs, Operator& op, ErrorText& error);

// Verifies REPORT.log and replaces it with a copy that carries one more record.
// At every instant a complete REPORT.log exists, the old or the new one.
bool AppendReportRecord(std::string_view slopeText, std::string_view initialSlopeText,
                        const SensorParams& newParams, const SensorIdentity& identity,
                        const SensorTypeTable& table, const ReportTimestamp& when, FileSystem& fs,
                        ErrorText& error);

// The result of checking a report log's bytes.
struct ReportLogCheck {
    bool ok = false;
    std::string message;               // Windows-1251; empty when ok
    std::vector<std::string> records;  // the record lines read (without CR LF)
};
ReportLogCheck VerifyReportLog(std::string_view bytes);

}  // namespace gvc
