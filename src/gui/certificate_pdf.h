// A certificate file laid out as an A4 PDF for reading and printing: the
// heading, the date line, and each section as a table of label and value.
// QPdfWriter embeds the fonts it uses.
#pragma once

#include <QString>
#include <string_view>

namespace gvc::gui {

// Writes the verified certificate `bytes` to `pdfPath`; false when the file
// cannot be written.
bool WriteCertificatePdf(std::string_view bytes, const QString& pdfPath);

}  // namespace gvc::gui
