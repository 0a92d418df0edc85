#pragma once

#include "common/TextGrid.h"

#include <QTableWidget>

// A QTableWidget spoken to as the grid control the editing rules were written for: row 0 is the fixed
// header row (the table's column headers), rows 1 ... Rows()-1 are the table's rows, Row() is the current
// row with 0 for "no row current". The table's own editing is off; the windows edit cells through their
// in-cell editors.
class FlexGrid : public QTableWidget, public TextGrid {
    Q_OBJECT
  public:
    explicit FlexGrid(int cols, QWidget* parent = nullptr);
    ~FlexGrid() override;

    int Rows() const override { return rowCount() + 1; }
    void setRows(int rows) override;
    int Cols() const override { return columnCount(); }
    int Row() const override;
    void setRow(int row) override;
    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString& text) override;

    // Cell alignment of value cells written from now on.
    void setCellAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    // Sizes in twips (1/1440 inch) as the layouts are given, never smaller than the text needs.
    static int twipsToPixels(const QWidget* widget, int twips);
    // Screen rectangle of a value cell in the viewport's coordinates (rows from 1).
    QRect cellRect(int row, int col) const;

  private:
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};
