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

QByteArray ReadingsCsv(std::span<const Reading> readings) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>((readings.size() + 1) * 90));
    for (std::size_t c = 0; c < kReadingsHeader.size(); ++c) {
        if (c > 0) bytes += ',';
        bytes += CsvField(QString::fromUtf8(kReadingsHeader[c])).toUtf8();
    }
    bytes += kRecordEnd;
    // Numbers in their shortest form with 15 significant digits: what is stored, with "." always.
    const QString general;
    for (const Reading& reading : readings) {
        const std::array<double, 10> values = ReadingsBlockRow(reading);
        for (std::size_t c = 0; c < values.size(); ++c) {
            if (c > 0) bytes += ',';
            bytes += vb::Format(values[c], general).toLatin1();
        }
        bytes += kRecordEnd;
    }
    return bytes;
}

}  // namespace reports
