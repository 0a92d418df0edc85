#pragma once

#include "analysis/RampFit.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <span>

// The readings of a test as a CSV file (RFC 4180): a header row with the columns of the detail workbook's
// readings block, one record per reading, "." as the decimal separator, CR LF after every record, UTF-8.
namespace reports {

// A field as RFC 4180 writes it: within double quotes (inner quotes doubled) when it holds a comma, a
// double quote, a carriage return or a line feed; as it is otherwise.
QString CsvField(const QString& text);

// excludedBecause: why each reading is excluded from the fits (empty for one that is not), in reading
// order. When given, each record ends in one more field with it, under the header kExcludedHeader; when
// not (a test without excluded readings), the file is the designed one.
inline constexpr const char* kExcludedHeader = "Excluded from fits";
QByteArray ReadingsCsv(std::span<const Reading> readings, std::span<const QString> excludedBecause = {});

// A table of texts as a CSV file: the header, then one record per row, the same rules as above.
QByteArray TableCsv(const QStringList& header, const QList<QStringList>& rows);

}  // namespace reports
