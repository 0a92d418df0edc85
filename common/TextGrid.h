#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A grid as the rules of the windows see it (the sequence editor's steps and shear rates, the additives
// of a test): a table of texts with one fixed header row (row 0) and a current row, addressed as rows and
// columns from 0. The windows' grid widget (FlexGrid) and the in-memory grid below both implement it, so
// the rules run the same with and without a display.
class TextGrid {
  public:
    virtual ~TextGrid() = default;

    // Row count including the header row; never below 1.
    virtual int Rows() const = 0;
    // Adds empty rows at the end or drops rows from the end; the header row always stays.
    virtual void setRows(int rows) = 0;
    virtual int Cols() const = 0;
    // The current row: 0 when the header is current (or there is no step row).
    virtual int Row() const = 0;
    virtual void setRow(int row) = 0;
    // Text of a cell; empty outside the grid.
    virtual QString TextMatrix(int row, int col) const = 0;
    // Writes a cell; ignored outside the grid.
    virtual void setTextMatrix(int row, int col, const QString& text) = 0;
};

// A grid held in memory: the grids of the logic tests and of work without windows.
class MemoryGrid : public TextGrid {
  public:
    explicit MemoryGrid(int cols, int rows = 1);

    int Rows() const override { return static_cast<int>(cells_.size()); }
    void setRows(int rows) override;
    int Cols() const override { return cols_; }
    int Row() const override { return row_; }
    void setRow(int row) override;
    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString& text) override;

  private:
    int cols_;
    int row_ = 0;
    QList<QStringList> cells_;
};
