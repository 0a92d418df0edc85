#include "common/ui/FlexGrid.h"

#include "common/ui/CellEditor.h"

#include <QHeaderView>
#include <algorithm>

FlexGrid::FlexGrid(int cols, QWidget* parent) : QTableWidget(0, cols, parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 8);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < cols; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

FlexGrid::~FlexGrid() {
    // Its in-cell editors go while the grid is whole: taking rows down could scroll, and scrolling writes an
    // open edit into its cell.
    qDeleteAll(viewport()->findChildren<CellEditor*>(Qt::FindDirectChildrenOnly));
}

void FlexGrid::setRows(int rows) {
    const int before = rowCount();
    setRowCount(std::max(rows, 1) - 1);
    for (int r = before; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) {
            auto* item = new QTableWidgetItem(QString());
            item->setTextAlignment(alignment_);
            setItem(r, c, item);
        }
}

int FlexGrid::Row() const {
    return std::max(currentRow(), -1) + 1;
}

void FlexGrid::setRow(int row) {
    if (row <= 0 || row >= Rows()) {
        setCurrentCell(-1, -1);
        return;
    }
    setCurrentCell(row - 1, std::max(currentColumn(), 0));
}

QString FlexGrid::TextMatrix(int row, int col) const {
    if (col < 0 || col >= columnCount() || row < 0 || row >= Rows()) return {};
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return cell ? cell->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    if (col < 0 || col >= columnCount() || row < 0 || row >= Rows()) return;
    if (row == 0) {
        horizontalHeaderItem(col)->setText(text);
        return;
    }
    QTableWidgetItem* cell = item(row - 1, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setTextAlignment(alignment_);
        setItem(row - 1, col, cell);
    }
    cell->setText(text);
}

int FlexGrid::twipsToPixels(const QWidget* widget, int twips) {
    return twips * widget->logicalDpiX() / 1440;
}

QRect FlexGrid::cellRect(int row, int col) const {
    return visualItemRect(item(row - 1, col));
}
