#pragma once

#include "analysis/RampFit.h"

#include <QByteArray>
#include <QString>

#include <span>

// The readings of a test as a CSV file (RFC 4180): a header row with the columns of the detail workbook's
// readings block, one record per reading, "." as the decimal separator, CR LF after every record, UTF-8.
namespace reports {

// A field as RFC 4180 writes it: within double quotes (inner quotes doubled) when it holds a comma, a
// double quote, a carriage return or a line feed; as it is otherwise.
QString CsvField(const QString& text);

QByteArray ReadingsCsv(std::span<const Reading> readings);

}  // namespace reports
