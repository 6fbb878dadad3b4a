#include "records/certificate_stamp.h"

#include "records/certificate.h"
#include "util/cp1251.h"

namespace gvc {

using namespace gvc::literals;

std::string_view CertificateLineText(std::string_view bytes, std::size_t index) {
    constexpr std::size_t kLine = kCertificateLineWidth + 2;
    const std::size_t pos = index * kLine;
    if (pos + kCertificateLineWidth > bytes.size()) return {};
    return bytes.substr(pos, kCertificateLineWidth);
}

std::optional<CertificateStamp> CertificateStampOf(std::string_view bytes) {
    // "Дата:" is 5 bytes, the date 10, "        Время: " 15, the time 8.
    const std::string_view line = CertificateLineText(bytes, 4);
    if (!line.starts_with("Дата:"_cp) || line.substr(15, 15) != "        Время: "_cp) return std::nullopt;
    const auto date = ParseDotDate(line.substr(5, 10));
    const std::string_view time = line.substr(30, 8);
    if (!date || time[2] != ':' || time[5] != ':' ||
        time.find_first_not_of("0123456789:") != std::string_view::npos)
        return std::nullopt;
    return CertificateStamp{*date, std::string(time)};
}

}  // namespace gvc
