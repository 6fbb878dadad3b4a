// A certificate file laid out as an A4 PDF for reading and printing: the
// heading, the date line, and each section as a table of label and value.
// QPdfWriter embeds the fonts it uses.
#pragma once

#include <QString>
#include <string_view>
#include <utility>
#include <vector>

namespace gvc::gui {

// A section added after the certificate's own: a title and label-value rows.
struct PdfSection {
    QString title;
    std::vector<std::pair<QString, QString>> items;
    std::vector<bool> warn;      // per item: drawn red
    bool notInDatabase = false;  // the certificate is in no row of the database
};

// Writes the verified certificate `bytes` to `pdfPath`, with `extra` after its
// sections when given, and "страница N из M" at the foot of every page;
// false when the file cannot be written.
bool WriteCertificatePdf(std::string_view bytes, const QString& pdfPath, const PdfSection* extra = nullptr);

}  // namespace gvc::gui
