#include "history/certificate_reader.h"

#include <charconv>

#include "records/certificate.h"
#include "util/cp1251.h"
#include "util/text_checksum.h"

namespace gvc {

using namespace gvc::literals;

namespace {

constexpr std::size_t kLine = kCertificateLineWidth + 2;
// An item line: the label padded to 52 characters, "- ", the value.
constexpr std::size_t kItemLabelWidth = 52;

std::string_view LineText(std::string_view bytes, std::size_t index) {
    return CertificateLineText(bytes, index);
}

std::string_view TrimRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::optional<std::string> CertificateItemValue(std::string_view bytes, std::string_view label) {
    for (std::size_t i = 0; (i + 1) * kLine <= bytes.size(); ++i) {
        const std::string_view line = LineText(bytes, i);
        if (line.starts_with(label) && line.substr(kItemLabelWidth, 2) == "- ")
            return std::string(TrimRight(line.substr(kItemLabelWidth + 2)));
    }
    return std::nullopt;
}

CertificateRead ReadCertificate(std::string_view bytes) {
    CertificateRead result;
    const CertificateCheck check = VerifyCertificate(bytes);
    if (!check.ok) {
        result.message = check.message;
        return result;
    }
    CertificateSummary& s = result.summary;
    const std::string_view title = LineText(bytes, 2);
    const std::string_view numberMark = "датчика № "_cp;
    const std::size_t mark = title.find(numberMark);
    const auto stamp = CertificateStampOf(bytes);
    if (mark == std::string_view::npos || !stamp) {
        result.message = "Файл Датчика: нет номера датчика или даты градуировки"_cp;
        return result;
    }
    s.sensorNumber = std::string(TrimRight(title.substr(mark + numberMark.size())));
    s.calibrated = *stamp;
    // "       № 005    градуировки." follows the time.
    const std::string_view counter = LineText(bytes, 4).substr(47, 3);
    const auto [end, ec] = std::from_chars(counter.data(), counter.data() + counter.size(), s.calibration);
    if (ec != std::errc() || end != counter.data() + counter.size()) s.calibration = 0;
    s.gas = CertificateItemValue(bytes, "Контролируемый Газ"_cp).value_or("");
    const auto next = CertificateItemValue(bytes, "Дата Следующей Градуировки"_cp);
    const auto nextDate = next ? ParseDotDate(*next) : std::nullopt;
    if (!nextDate) {
        result.message = "Файл Датчика: нет верной даты следующей градуировки"_cp;
        return result;
    }
    s.nextCalibration = *nextDate;
    const auto endOfUse = CertificateItemValue(bytes, "Дата Окончания Использования"_cp);
    s.endOfUse = endOfUse ? ParseDotDate(*endOfUse) : std::nullopt;
    result.ok = true;
    return result;
}

std::vector<CertificateLine> CertificateLines(std::string_view bytes) {
    std::vector<CertificateLine> lines;
    constexpr std::size_t kOpeningLines = 6;
    const std::string_view rangeMark = "------------";
    // The lines before the checksum trailer (8 bytes and CR LF).
    const std::size_t tail = TextFileChecksum::kTrailerSize + 2;
    const std::size_t count = bytes.size() >= tail ? (bytes.size() - tail) / kLine : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view text = LineText(bytes, i);
        CertificateLine line;
        if (text.find_first_not_of('-') == std::string_view::npos) {
            line.kind = CertificateLineKind::kRule;
        } else if (i < kOpeningLines) {
            line.label = std::string(TrimRight(text));
        } else if (text.starts_with(rangeMark)) {
            line.kind = CertificateLineKind::kRange;
            line.label = std::string(TrimRight(text.substr(rangeMark.size())));
        } else if (text.substr(kItemLabelWidth, 2) == "- ") {
            line.kind = CertificateLineKind::kItem;
            line.label = std::string(TrimRight(text.substr(0, kItemLabelWidth)));
            line.value = std::string(TrimRight(text.substr(kItemLabelWidth + 2)));
        } else {
            line.kind = CertificateLineKind::kHead;
            line.label = std::string(TrimRight(text));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace gvc
