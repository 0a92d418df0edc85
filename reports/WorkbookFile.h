#pragma once

#include "reports/WorkbookLayout.h"

// The brief and detail workbooks written as .xlsx files.
namespace reports {

// Writes the workbook to `path` (replacing a file of that name only once the new one is complete).
// Returns the description of a failure, empty on success; on failure no file is left at `path` but the
// one that was there before.
QString WriteWorkbookFile(const QString& path, WorkbookKind kind, const ReportTables& tables,
                          std::span<const Reading> readings, const QLocale& locale = QLocale::system());

// A table of texts (a header row, then its rows) as the one sheet of a workbook, written as above. Cells
// that read whole as numbers are stored as numbers.
QString WriteTableWorkbook(const QString& path, const QString& sheetName, const QStringList& header,
                           const QList<QStringList>& rows);

}  // namespace reports
