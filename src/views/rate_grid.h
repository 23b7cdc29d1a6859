// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QTableWidget>

namespace vantrel {

// The grid of a rate view: rows and columns addressed from 0, the first rows and columns styled as
// headers ("fixed"), blue text, silver grid lines and a grey area beyond the last cell.
class RateGrid : public QTableWidget
{
    Q_OBJECT

public:
    RateGrid(int rows, int columns, int fixedRows, int fixedColumns, QColor fixedBackground,
             QWidget *parent = nullptr);

    void setColumnWidthTwips(int column, int twips);
    void setRowHeightTwips(int row, int twips);
    // The width and height of all cells together, in pixels.
    QSize cellsSize() const;

    void setCellText(int row, int column, const QString &text);
    QString cellText(int row, int column) const;
    void setCellBackground(int row, int column, const QColor &colour);
    QColor cellBackground(int row, int column) const;

    bool isFixedCell(int row, int column) const;

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    QTableWidgetItem &cell(int row, int column) const;

    int m_fixedRows;
    int m_fixedColumns;
};

// Colours shared by both rate views.
namespace gridcolours {
inline const QColor kText(0, 0, 255);
inline const QColor kFixedWhite(255, 255, 255);
inline const QColor kOutside(128, 128, 128);
inline const QColor kLines(192, 192, 192);
inline const QColor kLightGreen(192, 255, 192);
inline const QColor kLightOrange(255, 224, 192);
// The system's window background (the background of text fields and normal grid cells).
QColor windowBackground();
QColor buttonFace();
} // namespace gridcolours

} // namespace vantrel
