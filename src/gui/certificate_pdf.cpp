#include "gui/certificate_pdf.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "gui/gui_text.h"
#include "history/certificate_reader.h"

namespace gvc::gui {

namespace {

QFont PdfFont(double points, bool bold = false, bool italic = false) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

// Draws lines top to bottom, starting a new page where the next one does not fit.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter& painter)
        : writer_(writer), painter_(painter), page_(painter.viewport()) {}

    // Room for `height` more device units, or a new page.
    int Take(int height) {
        if (y_ + height > page_.height()) {
            writer_.newPage();
            y_ = 0;
        }
        const int top = y_;
        y_ += height;
        return top;
    }
    void Skip(int height) { y_ += height; }
    int Width() const { return page_.width(); }
    int Mm(double mm) const { return static_cast<int>(mm / 25.4 * writer_.resolution()); }

private:
    QPdfWriter& writer_;
    QPainter& painter_;
    QRect page_;
    int y_ = 0;
};

}  // namespace

bool WriteCertificatePdf(std::string_view bytes, const QString& pdfPath) {
    const std::vector<CertificateLine> lines = CertificateLines(bytes);
    if (lines.size() < 6) return false;
    QPdfWriter writer(pdfPath);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Qs(lines[2].label).trimmed());
    writer.setCreator(QStringLiteral("G_Varnest"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PageFlow flow(writer, painter);
    const int width = flow.Width();
    const int row = flow.Mm(5.2);

    painter.setFont(PdfFont(10));
    painter.drawText(QRect(0, flow.Take(row), width, row), Qt::AlignLeft | Qt::AlignVCenter,
                     Qs(lines[0].label));
    flow.Skip(flow.Mm(4));
    painter.setFont(PdfFont(15, true));
    const int titleHeight = flow.Mm(9);
    painter.drawText(QRect(0, flow.Take(titleHeight), width, titleHeight), Qt::AlignCenter,
                     Qs(lines[2].label).trimmed());
    painter.setFont(PdfFont(10.5));
    painter.drawText(QRect(0, flow.Take(row), width, row), Qt::AlignCenter, Qs(lines[4].label).simplified());
    flow.Skip(flow.Mm(4));

    const int valueLeft = width * 62 / 100;
    const int pad = flow.Mm(1.5);
    bool shade = false;
    for (std::size_t i = 6; i < lines.size(); ++i) {
        const CertificateLine& line = lines[i];
        switch (line.kind) {
            case CertificateLineKind::kHead: {
                flow.Skip(flow.Mm(2));
                const int top = flow.Take(row + pad);
                painter.fillRect(QRect(0, top, width, row + pad), QColor(0xDD, 0xE6, 0xF0));
                painter.setFont(PdfFont(10.5, true));
                painter.drawText(QRect(pad, top, width - 2 * pad, row + pad),
                                 Qt::AlignLeft | Qt::AlignVCenter, Qs(line.label));
                shade = false;
                break;
            }
            case CertificateLineKind::kRange: {
                const int top = flow.Take(row);
                painter.setFont(PdfFont(9.5, false, true));
                painter.drawText(QRect(pad, top, width, row), Qt::AlignLeft | Qt::AlignVCenter,
                                 Qs(line.label));
                shade = false;
                break;
            }
            case CertificateLineKind::kItem: {
                const int top = flow.Take(row);
                if (shade) painter.fillRect(QRect(0, top, width, row), QColor(0xF4, 0xF4, 0xF4));
                shade = !shade;
                painter.setFont(PdfFont(9.5));
                painter.drawText(QRect(pad * 2, top, valueLeft - pad * 3, row),
                                 Qt::AlignLeft | Qt::AlignVCenter, Qs(line.label));
                painter.setFont(PdfFont(9.5, true));
                painter.drawText(QRect(valueLeft, top, width - valueLeft - pad, row),
                                 Qt::AlignLeft | Qt::AlignVCenter, Qs(line.value));
                break;
            }
            case CertificateLineKind::kRule:
            case CertificateLineKind::kText:
                break;
        }
    }
    // Which record file this page was made from.
    flow.Skip(flow.Mm(6));
    painter.setFont(PdfFont(8, false, true));
    painter.drawText(QRect(0, flow.Take(row), width, row), Qt::AlignLeft | Qt::AlignVCenter,
                     QFileInfo(pdfPath).completeBaseName() + QStringLiteral(".dat"));
    return painter.end();
}

}  // namespace gvc::gui
