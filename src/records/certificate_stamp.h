// The calibration date and time a certificate prints in its fifth line, read
// without verifying the rest of the file: even a damaged certificate can be
// named after its calibration when it is kept in the archive.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/calendar.h"

namespace gvc {

// The date and time printed in line 5 ("Дата:dd.mm.yyyy        Время: hh:mm:ss").
struct CertificateStamp {
    CivilDate date;
    std::string time;  // "hh:mm:ss"
};
std::optional<CertificateStamp> CertificateStampOf(std::string_view bytes);

// Line `index` of a certificate without its CR LF; empty past the end.
std::string_view CertificateLineText(std::string_view bytes, std::size_t index);

}  // namespace gvc
