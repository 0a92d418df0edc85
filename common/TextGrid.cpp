#include "common/TextGrid.h"

#include <algorithm>

MemoryGrid::MemoryGrid(int cols, int rows) : cols_(std::max(cols, 1)) {
    setRows(rows);
}

void MemoryGrid::setRows(int rows) {
    rows = std::max(rows, 1);
    while (cells_.size() < rows) {
        QStringList row;
        for (int c = 0; c < cols_; ++c) row << QString();
        cells_.append(row);
    }
    while (cells_.size() > rows) cells_.removeLast();
    // Like the grid control: a current row past the end moves to the new last row.
    row_ = std::min(row_, Rows() - 1);
}

void MemoryGrid::setRow(int row) {
    row_ = std::clamp(row, 0, Rows() - 1);
}

QString MemoryGrid::TextMatrix(int row, int col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= cols_) return {};
    return cells_[row][col];
}

void MemoryGrid::setTextMatrix(int row, int col, const QString& text) {
    if (row < 0 || row >= Rows() || col < 0 || col >= cols_) return;
    cells_[row][col] = text;
}
