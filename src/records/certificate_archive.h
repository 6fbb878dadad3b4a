// Keeps every certificate ever issued: before a new certificate replaces a
// sensor's file, the old file is copied unchanged below
// D:\ВЕЛМОР_Датчики\Архив (the same gas and type folders as below Датчики),
// named after the sensor and the old certificate's calibration date and time.
#pragma once

#include <string>
#include <string_view>

#include "sensor/sensor_params.h"
#include "table/sensor_type_table.h"
#include "util/error_text.h"
#include "util/file_system.h"

namespace gvc {

// "...\Архив\03-CO\Тип_03-01\03-01_00_012_345_2026-05-14_10-22-05.dat" for a
// certificate dated 14.05.2026 10:22:05; "..._undated.dat" when its date line
// cannot be read.
std::string ArchivedCertificatePath(const SensorIdentity& identity, const SensorTypeTable& table,
                                    std::string_view oldBytes);

// Copies the sensor's current certificate (if there is one) into the archive,
// durably, before anything replaces it. An archived file is never overwritten:
// the same content is already kept, different content gets a numbered name.
// A PDF made from the current certificate goes along under the archived name
// (or, when it cannot be moved, is removed).
// False, with the reason in `error`, when the old certificate cannot be kept;
// the new one must then not be written.
bool ArchiveCertificate(const SensorIdentity& identity, const SensorTypeTable& table, FileSystem& fs,
                        ErrorText& error);

}  // namespace gvc
