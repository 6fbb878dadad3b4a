// lvParam: the read-only three-column report of the characteristics list. It
// shows the 64 rows the core fills and paints each cell with the colour the
// core gives for it.
#pragma once

#include <QTableWidget>
#include <functional>

#include "ui/characteristics_rows.h"
#include "ui/rgb_colour.h"

namespace gvc::gui {

class CharacteristicsView : public QTableWidget {
public:
    // The colour of a cell: row 0..63, column 0 caption, 1 old, 2 new.
    using CellColour = std::function<RgbColour(int row, int column)>;

    explicit CharacteristicsView(QWidget* parent = nullptr);

    void SetCellColour(CellColour colour) { cellColour_ = std::move(colour); }
    // Shows the texts of all rows and repaints their colours.
    void ShowRows(const CharacteristicsRows& rows);

    // A tooltip on every cell of a row, kept when the rows are shown again.
    void SetRowToolTip(int row, const QString& tip);

    QString CellText(int row, int column) const;
    QColor CellBackground(int row, int column) const;

private:
    CellColour cellColour_;
};

}  // namespace gvc::gui
