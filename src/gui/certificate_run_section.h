// The certificate PDF's section from the calibration database: the row whose
// certificate has these bytes gives the operator, the reference gas, as found
// and as left, and whether the sensor's write failed.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "gui/certificate_pdf.h"
#include "store/calibration_store.h"

namespace gvc::gui {

// The section of a stored run.
PdfSection RunSection(const StoredRun& run, const std::map<std::int64_t, Cylinder>& cylinders);

// Nothing when there is no database or no row of that certificate.
std::optional<PdfSection> CertificateRunSection(const std::filesystem::path& database,
                                                const std::string& sensorNumber,
                                                std::string_view certificateBytes);

}  // namespace gvc::gui
