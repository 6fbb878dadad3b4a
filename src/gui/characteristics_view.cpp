#include "gui/characteristics_view.h"

#include <QHeaderView>

#include "gui/gui_text.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {
constexpr int kColumnWidths[] = {325, 135, 125};
constexpr int kRowHeight = 16;
}  // namespace

CharacteristicsView::CharacteristicsView(QWidget* parent)
    : QTableWidget(kCharacteristicsRowCount, 3, parent) {
    setObjectName(QStringLiteral("lvParam"));
    setHorizontalHeaderLabels({Qs("Параметры"_cp), Qs("Старые Значения"_cp), Qs("Новые Значения"_cp)});
    for (int column = 0; column < 3; ++column)
        setColumnWidth(column, kColumnWidths[column]);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setFixedHeight(kRowHeight + 4);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setShowGrid(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The selected row stays marked when the list loses the focus.
    QPalette keep = palette();
    keep.setColor(QPalette::Inactive, QPalette::Highlight, keep.color(QPalette::Active, QPalette::Highlight));
    keep.setColor(QPalette::Inactive, QPalette::HighlightedText,
                  keep.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(keep);
    for (int row = 0; row < kCharacteristicsRowCount; ++row) {
        for (int column = 0; column < 3; ++column)
            setItem(row, column, new QTableWidgetItem());
    }
}

void CharacteristicsView::ShowRows(const CharacteristicsRows& rows) {
    for (int row = 0; row < kCharacteristicsRowCount; ++row) {
        const CharacteristicsRow& r = rows[static_cast<std::size_t>(row)];
        item(row, 0)->setText(Qs(r.caption));
        item(row, 1)->setText(Qs(r.oldText));
        item(row, 2)->setText(Qs(r.newText));
        for (int column = 0; column < 3; ++column) {
            const RgbColour c = cellColour_ ? cellColour_(row, column) : kColourWhite;
            item(row, column)->setBackground(QColor(c.r, c.g, c.b));
        }
    }
}

void CharacteristicsView::SetRowToolTip(int row, const QString& tip) {
    for (int column = 0; column < columnCount(); ++column) {
        if (QTableWidgetItem* cell = item(row, column)) cell->setToolTip(tip);
    }
}

QString CharacteristicsView::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

QColor CharacteristicsView::CellBackground(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->background().color() : QColor();
}

}  // namespace gvc::gui
