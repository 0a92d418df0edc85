#include "analysis/ui/StoredTestList.h"

#include "common/VbFormat.h"
#include "store/RecordTable.h"
#include "store/StoreError.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>

namespace stored_test_list {

namespace {

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

int TwipsToPixelsX(const QWidget* widget, int twips) {
    return twips * widget->logicalDpiX() / 1440;
}

int TwipsToPixelsY(const QWidget* widget, int twips) {
    return twips * widget->logicalDpiY() / 1440;
}

void BuildHeader(QTableWidget* list, const QStringList& cells, int columnWidth_px, int headerHeight_px) {
    list->setColumnCount(static_cast<int>(cells.size()));
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(QString(cells[c]).replace(u'\r', u'\n'));
        item->setData(Qt::UserRole, cells[c]);
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        list->setHorizontalHeaderItem(c, item);
        list->setColumnWidth(c, columnWidth_px);
    }
    QHeaderView* header = list->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumHeight(headerHeight_px);
    header->setStretchLastSection(false);
}

void Fill(QTableWidget* list, const RecordTable& storedNames, int minColumnWidth_px) {
    list->setRowCount(0);
    const int nameColumn = storedNames.columnIndex(QStringLiteral("TEST_NAME"));
    const int timeColumn = storedNames.columnIndex(QStringLiteral("TEST_TIME"));
    const int researcherColumn = storedNames.columnIndex(QStringLiteral("RESEARCHER_NAME"));
    list->setRowCount(storedNames.rowCount());
    for (int row = 0; row < storedNames.rowCount(); ++row) {
        const QVariant when = storedNames.value(timeColumn, row);
        list->setItem(row, 0, cell(storedNames.value(nameColumn, row).toString()));
        list->setItem(row, 1, cell(when.isNull() ? QString() : vb::GeneralDate(when.toDateTime())));
        list->setItem(row, 2, cell(storedNames.value(researcherColumn, row).toString()));
    }
    // Every name shows whole.
    for (int c = 0; c < list->columnCount(); ++c) {
        list->resizeColumnToContents(c);
        list->setColumnWidth(c, std::max(minColumnWidth_px, list->columnWidth(c) + 6));
    }
    if (storedNames.rowCount() > 0)
        list->setCurrentCell(0, 0);
    else
        list->setCurrentCell(-1, -1);
}

QStringList Names(const QTableWidget* list) {
    QStringList names;
    for (int row = 0; row < list->rowCount(); ++row) {
        const QTableWidgetItem* item = list->item(row, 0);
        names.append(item ? item->text() : QString());
    }
    return names;
}

QString FailureText(const QString& what, const std::exception& error) {
    return what + QStringLiteral("\n") + StoreError::describe(error);
}

int WidthForColumns(const QTableWidget* list) {
    int width = list->frameWidth() * 2 + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
    for (int c = 0; c < list->columnCount(); ++c) width += list->columnWidth(c);
    return width;
}

}  // namespace stored_test_list
