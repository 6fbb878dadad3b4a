// The sensor's calibration certificate: 77-character lines built from the
// characteristics list, with the report log's checksum. One file per sensor in
// its type directory, replaced by every later calibration.
#pragma once

#include <string>
#include <string_view>

#include "records/report_timestamp.h"
#include "sensor/sensor_params.h"
#include "table/sensor_type_table.h"
#include "ui/characteristics_rows.h"
#include "util/error_text.h"
#include "util/file_system.h"

namespace gvc {

inline constexpr std::size_t kCertificateLineWidth = 77;
// The largest certificate file read back: one is 5698 bytes; the bound leaves
// room and keeps a wrong file given as a certificate from being read whole.
inline constexpr std::size_t kMaxCertificateSize = 64 * 1024;

// "...\Датчики\03-CO\Тип_03-01\03-01_00_012_345.dat".
std::string CertificatePath(const SensorIdentity& identity, const SensorTypeTable& table);

// The certificate file's bytes: lines padded (or cut) to 77 characters with
// CR LF, then the checksum.
std::string CertificateBytes(const CharacteristicsRows& rows, std::string_view referenceText,
                             const SensorIdentity& identity, const SensorParams& newParams,
                             const ReportTimestamp& when);

// Writes the certificate through a temporary file, so a failed write leaves
// the previous certificate of the sensor as it was. The previous certificate is
// first kept in the archive (ArchiveCertificate); without that copy nothing is
// written.
bool WriteSensorFile(const CharacteristicsRows& rows, std::string_view referenceText,
                     const SensorIdentity& identity, const SensorParams& newParams,
                     const SensorTypeTable& table, const ReportTimestamp& when, FileSystem& fs,
                     ErrorText& error);

struct CertificateCheck {
    bool ok = false;
    std::string message;  // Windows-1251; empty when ok
    std::size_t lines = 0;
};
// Checks line lengths and the checksum of a certificate file's bytes.
CertificateCheck VerifyCertificate(std::string_view bytes);

}  // namespace gvc
