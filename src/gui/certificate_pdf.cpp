#include "gui/certificate_pdf.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <functional>

#include "gui/gui_text.h"
#include "history/certificate_reader.h"
#include "util/cp1251.h"

namespace gvc::gui {

using namespace gvc::literals;

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

// Lays lines out top to bottom above a foot line, starting a new page where
// the next one does not fit. A dry flow only counts the pages; the real one
// draws, and writes "страница N из M" at the foot of each page.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter* painter, int pages)
        : writer_(writer), painter_(painter), pages_(pages) {
        const QRect page =
            painter != nullptr ? painter->viewport() : writer.pageLayout().paintRectPixels(300);
        width_ = page.width();
        foot_ = Mm(8);
        bottom_ = page.height() - foot_;
        pageHeight_ = page.height();
    }

    // Room for `height` more device units, or a new page.
    int Take(int height) {
        if (y_ + height > bottom_) {
            Foot();
            if (painter_ != nullptr) writer_.newPage();
            ++page_;
            y_ = 0;
        }
        const int top = y_;
        y_ += height;
        return top;
    }
    void Skip(int height) { y_ += height; }
    int Width() const { return width_; }
    int Mm(double mm) const { return static_cast<int>(mm / 25.4 * 300.0); }
    int Pages() const { return page_; }
    // Draws through the painter, unless the flow is dry.
    void Draw(const std::function<void(QPainter&)>& draw) {
        if (painter_ != nullptr) draw(*painter_);
    }
    // The foot line of the page being laid out.
    void Foot() {
        Draw([this](QPainter& p) {
            p.setFont(PdfFont(8.5));
            p.drawText(QRect(0, pageHeight_ - foot_ / 2, width_, foot_ / 2),
                       Qt::AlignRight | Qt::AlignVCenter,
                       Qs("страница "_cp) + QString::number(page_) + Qs(" из "_cp) + QString::number(pages_));
        });
    }

private:
    QPdfWriter& writer_;
    QPainter* painter_;
    int pages_;
    int width_ = 0;
    int foot_ = 0;
    int bottom_ = 0;
    int pageHeight_ = 0;
    int page_ = 1;
    int y_ = 0;
};

void Head(PageFlow& flow, const QString& text) {
    const int row = flow.Mm(5.2);
    const int pad = flow.Mm(1.5);
    const int width = flow.Width();
    flow.Skip(flow.Mm(2));
    const int top = flow.Take(row + pad);
    flow.Draw([&](QPainter& p) {
        p.fillRect(QRect(0, top, width, row + pad), QColor(0xDD, 0xE6, 0xF0));
        p.setFont(PdfFont(10.5, true));
        p.drawText(QRect(pad, top, width - 2 * pad, row + pad), Qt::AlignLeft | Qt::AlignVCenter, text);
    });
}

void Item(PageFlow& flow, const QString& label, const QString& value, bool& shade, bool warn = false) {
    const int row = flow.Mm(5.2);
    const int pad = flow.Mm(1.5);
    const int width = flow.Width();
    const int valueLeft = width * 62 / 100;
    const int top = flow.Take(row);
    const bool shaded = shade;
    shade = !shade;
    flow.Draw([&](QPainter& p) {
        if (shaded) p.fillRect(QRect(0, top, width, row), QColor(0xF4, 0xF4, 0xF4));
        p.setPen(warn ? QColor(0xC0, 0x00, 0x00) : QColor(Qt::black));
        p.setFont(PdfFont(9.5));
        p.drawText(QRect(pad * 2, top, valueLeft - pad * 3, row), Qt::AlignLeft | Qt::AlignVCenter, label);
        p.setFont(PdfFont(9.5, true));
        p.drawText(QRect(valueLeft, top, width - valueLeft - pad, row), Qt::AlignLeft | Qt::AlignVCenter,
                   value);
        p.setPen(QColor(Qt::black));
    });
}

// The whole document through `flow`.
void Layout(PageFlow& flow, const std::vector<CertificateLine>& lines, const PdfSection* extra,
            const QString& pdfPath) {
    const int width = flow.Width();
    const int row = flow.Mm(5.2);
    const int pad = flow.Mm(1.5);

    int top = flow.Take(row);
    flow.Draw([&](QPainter& p) {
        p.setFont(PdfFont(10));
        p.drawText(QRect(0, top, width, row), Qt::AlignLeft | Qt::AlignVCenter, Qs(lines[0].label));
    });
    flow.Skip(flow.Mm(4));
    const int titleHeight = flow.Mm(9);
    top = flow.Take(titleHeight);
    flow.Draw([&](QPainter& p) {
        p.setFont(PdfFont(15, true));
        p.drawText(QRect(0, top, width, titleHeight), Qt::AlignCenter, Qs(lines[2].label).trimmed());
    });
    top = flow.Take(row);
    flow.Draw([&](QPainter& p) {
        p.setFont(PdfFont(10.5));
        p.drawText(QRect(0, top, width, row), Qt::AlignCenter, Qs(lines[4].label).simplified());
    });
    flow.Skip(flow.Mm(4));

    bool shade = false;
    for (std::size_t i = 6; i < lines.size(); ++i) {
        const CertificateLine& line = lines[i];
        switch (line.kind) {
            case CertificateLineKind::kHead:
                Head(flow, Qs(line.label));
                shade = false;
                break;
            case CertificateLineKind::kRange: {
                const int rangeTop = flow.Take(row);
                flow.Draw([&](QPainter& p) {
                    p.setFont(PdfFont(9.5, false, true));
                    p.drawText(QRect(pad, rangeTop, width, row), Qt::AlignLeft | Qt::AlignVCenter,
                               Qs(line.label));
                });
                shade = false;
                break;
            }
            case CertificateLineKind::kItem:
                Item(flow, Qs(line.label), Qs(line.value), shade);
                break;
            case CertificateLineKind::kRule:
            case CertificateLineKind::kText:
                break;
        }
    }
    if (extra != nullptr) {
        Head(flow, extra->title);
        shade = false;
        for (std::size_t i = 0; i < extra->items.size(); ++i)
            Item(flow, extra->items[i].first, extra->items[i].second, shade,
                 i < extra->warn.size() && extra->warn[i]);
    }
    // Which record file this page was made from.
    flow.Skip(flow.Mm(6));
    top = flow.Take(row);
    flow.Draw([&](QPainter& p) {
        p.setFont(PdfFont(8, false, true));
        p.drawText(QRect(0, top, width, row), Qt::AlignLeft | Qt::AlignVCenter,
                   QFileInfo(pdfPath).completeBaseName() + QStringLiteral(".dat"));
    });
    flow.Foot();
}

}  // namespace

bool WriteCertificatePdf(std::string_view bytes, const QString& pdfPath, const PdfSection* extra) {
    const std::vector<CertificateLine> lines = CertificateLines(bytes);
    if (lines.size() < 6) return false;
    QPdfWriter writer(pdfPath);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Qs(lines[2].label).trimmed());
    writer.setCreator(QStringLiteral("G_Varnest"));
    // A dry pass counts the pages, so that each foot can say how many there are.
    PageFlow count(writer, nullptr, 0);
    Layout(count, lines, extra, pdfPath);
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PageFlow flow(writer, &painter, count.Pages());
    Layout(flow, lines, extra, pdfPath);
    return painter.end();
}

}  // namespace gvc::gui
