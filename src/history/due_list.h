// Which sensors are due for calibration: the newest certificate of every
// sensor below the sensors directory, its next-calibration date against today.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "history/certificate_reader.h"

namespace gvc {

struct FoundCertificate {
    std::string path;  // Windows-1251 text of the file's path, for messages
    std::filesystem::path file;
    CertificateSummary summary;
};
struct CertificateProblem {
    std::string path;
    std::string message;  // Windows-1251
};
struct CertificateScan {
    std::vector<FoundCertificate> certificates;  // one per sensor, the newest
    std::vector<CertificateProblem> problems;    // files that do not verify
};

// Reads every ".dat" file below `root` (the native path of the sensors
// directory). A missing or unreadable directory is one problem.
CertificateScan ScanCertificates(const std::filesystem::path& root);

// Keeps the newest certificate per sensor number (by calibration date and time).
std::vector<FoundCertificate> NewestPerSensor(std::vector<FoundCertificate> certificates);

struct DueSensor {
    FoundCertificate certificate;
    std::int64_t daysLeft = 0;  // negative when overdue
    bool endOfUsePassed = false;
};

// The sensors whose next calibration is past or at most `withinDays` days
// away, by that date, then sensor number.
std::vector<DueSensor> DueSensors(const std::vector<FoundCertificate>& certificates, const CivilDate& today,
                                  std::int64_t withinDays);

}  // namespace gvc
