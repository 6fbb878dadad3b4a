// Report logs and certificates made to order for the readers of the records:
// record lines with chosen columns, whole logs with their checksum, and
// certificates whose dates sit in the rows the certificate writer fills.
#pragma once

#include <string>
#include <vector>

#include "records/certificate.h"
#include "records/report_log.h"
#include "util/cp1251.h"
#include "util/text_checksum.h"
#include "util/text_format.h"

namespace gvc::testing {

struct LogLine {
    std::string date = "14.05.2026";
    std::string time = "10:22:05";
    std::string sensor = "03-01.00.012.345";
    std::string calibration = "005";
    std::string k00 = "+00.9766";
    std::string ki = "+01.0000";
    std::string calibrationResource = "000500";
    std::string workResource = "017520";
    std::string unitUtf8 = "мг/м3";
};

// The record line (104 characters) as the append writes it.
inline std::string RecordLine(const LogLine& l) {
    return "|" + l.date + "|" + l.time + "|" + l.sensor + "|" + l.sensor + "|" + l.calibration + "| " +
           l.k00 + " | " + l.ki + " |" + l.calibrationResource + "|" + l.workResource + "|" +
           PadRightSpaces(Cp1251FromUtf8(l.unitUtf8), 8) + "|";
}

// A complete report log holding these record lines, with a valid checksum.
inline std::string LogBytes(const std::vector<std::string>& recordLines) {
    const std::string empty = EmptyReportLogBytes();
    const std::size_t headEnd = 8 * (kReportHeaderWidth + 2) + 4 * (kReportLineWidth + 2);
    const std::string closing = empty.substr(headEnd, kReportLineWidth + 2);
    std::string body = empty.substr(0, headEnd);
    for (const std::string& line : recordLines)
        body += line + "\r\n";
    body += closing;
    TextFileChecksum sums;
    for (std::size_t pos = 0; pos < body.size();) {
        const std::size_t end = body.find("\r\n", pos) + 2;
        sums.AddLine(std::string_view(body).substr(pos, end - pos));
        pos = end;
    }
    return body + sums.Trailer() + "\r\n";
}

// Rows whose captions are those of the characteristics list for the values
// that the readers look for; the others are plain.
inline CharacteristicsRows CertificateRows(const std::string& gas, const std::string& nextDate,
                                           const std::string& endOfUse) {
    CharacteristicsRows rows;
    for (int r = 0; r < kCharacteristicsRowCount; ++r) {
        auto& row = rows[static_cast<std::size_t>(r)];
        row.caption = FormatIntZero(r % 12 + 1, 2) + ". Row " + std::to_string(r);
        row.oldText = "old";
        row.newText = "new";
    }
    rows[1] = {Cp1251FromUtf8("01. Контролируемый Газ"), "", Cp1251FromUtf8(gas)};
    rows[9] = {Cp1251FromUtf8("09. Дата Окончания Использования"), "", endOfUse};
    rows[19] = {Cp1251FromUtf8("06. Дата Следующей Градуировки"), "", nextDate};
    return rows;
}

inline std::string CertificateFile(const SensorIdentity& identity, const std::string& gas,
                                   const std::string& nextDate, const std::string& endOfUse,
                                   const ReportTimestamp& when, int calibrationCount = 4) {
    SensorParams params;
    params.CalibrationCount = static_cast<std::uint8_t>(calibrationCount);
    return CertificateBytes(CertificateRows(gas, nextDate, endOfUse), "0050.000", identity, params, when);
}

}  // namespace gvc::testing
