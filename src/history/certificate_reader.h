// A certificate file read back: the sensor, when it was calibrated, the next
// calibration and the end of use, taken from the lines the certificate writer
// made out of the characteristics list.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/certificate_stamp.h"
#include "util/calendar.h"

namespace gvc {

struct CertificateSummary {
    std::string sensorNumber;  // Windows-1251, "03-01.00.012.345"
    std::string gas;           // the value of "Контролируемый Газ"
    CertificateStamp calibrated;
    int calibration = 0;
    CivilDate nextCalibration;
    std::optional<CivilDate> endOfUse;  // none when the row holds no date
};

struct CertificateRead {
    bool ok = false;
    std::string message;  // Windows-1251; empty when ok
    CertificateSummary summary;
};
// Verifies the file as log-verify does, then reads its values.
CertificateRead ReadCertificate(std::string_view bytes);

// The value of the item line whose label starts with `label` ("Дата Следующей
// Градуировки"), trailing blanks removed; nothing when there is no such line.
std::optional<std::string> CertificateItemValue(std::string_view bytes, std::string_view label);

// The certificate's lines by what they are, for a layout other than the
// fixed-width text (the PDF): free text, rules, section heads, items with
// label and value, and range labels inside a section.
enum class CertificateLineKind { kText, kRule, kHead, kItem, kRange };
struct CertificateLine {
    CertificateLineKind kind = CertificateLineKind::kText;
    std::string label;  // Windows-1251, trailing blanks removed
    std::string value;
};
std::vector<CertificateLine> CertificateLines(std::string_view bytes);

}  // namespace gvc
