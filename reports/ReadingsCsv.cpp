#include "reports/ReadingsCsv.h"

#include "common/VbFormat.h"
#include "reports/WorkbookLayout.h"

namespace reports {

namespace {

constexpr const char* kRecordEnd = "\r\n";

}  // namespace

QString CsvField(const QString& text) {
    const bool quote =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
    if (!quote) return text;
    QString inner = text;
    inner.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

QByteArray ReadingsCsv(std::span<const Reading> readings, std::span<const QString> excludedBecause) {
    const bool reasons = !excludedBecause.empty();
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>((readings.size() + 1) * 90));
    for (std::size_t c = 0; c < kReadingsHeader.size(); ++c) {
        if (c > 0) bytes += ',';
        bytes += CsvField(QString::fromUtf8(kReadingsHeader[c])).toUtf8();
    }
    if (reasons) bytes += ',' + CsvField(QString::fromLatin1(kExcludedHeader)).toUtf8();
    bytes += kRecordEnd;
    // Numbers in their shortest form with 15 significant digits: what is stored, with "." always.
    const QString general;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const std::array<double, 10> values = ReadingsBlockRow(readings[i]);
        for (std::size_t c = 0; c < values.size(); ++c) {
            if (c > 0) bytes += ',';
            bytes += vb::Format(values[c], general).toLatin1();
        }
        if (reasons) {
            bytes += ',';
            if (i < excludedBecause.size()) bytes += CsvField(excludedBecause[i]).toUtf8();
        }
        bytes += kRecordEnd;
    }
    return bytes;
}

QByteArray TableCsv(const QStringList& header, const QList<QStringList>& rows) {
    QByteArray bytes;
    const auto record = [&bytes](const QStringList& cells) {
        QStringList fields;
        for (const QString& cell : cells) fields << CsvField(cell);
        bytes += fields.join(u',').toUtf8();
        bytes += kRecordEnd;
    };
    record(header);
    for (const QStringList& cells : rows) record(cells);
    return bytes;
}

}  // namespace reports
