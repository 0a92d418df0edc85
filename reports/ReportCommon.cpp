#include "reports/ReportCommon.h"

#include "analysis/OpenTest.h"
#include "common/VbFormat.h"
#include "common/WholeFile.h"

#include <QDateTime>
#include <QRegularExpression>

namespace reports {

ReportTables ReportTables::of(const OpenedTest& test) {
    ReportTables tables;
    tables.testInfoRow = test.testInfoRow;
    for (const AdditiveRow& a : test.additives)
        tables.additiveRows.append({a.name, a.concentration, a.unit, a.lotNo});
    tables.resultRows = test.results.rows;
    tables.exclusionLines = ExclusionLines(test);
    tables.criteriaLines = acceptance::OutcomeLines(test.judged, test.results.unitSystem);
    return tables;
}

QStringList NotesBlock(const ReportTables& tables) {
    QStringList lines;
    const auto block = [&lines](const char* title, const QStringList& body) {
        if (body.isEmpty()) return;
        lines << QString() << QString::fromLatin1(title) << body;
    };
    block(kExclusionsTitle, tables.exclusionLines);
    block(kCriteriaTitle, tables.criteriaLines);
    return lines;
}

QString DefaultText(const QVariant& value, const QLocale& locale) {
    if (value.isNull() || !value.isValid()) return {};
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return vb::Format(value.toDouble(), QString());
        case QMetaType::QDateTime:
            return vb::GeneralDate(value.toDateTime(), locale);
        default:
            return value.toString();
    }
}

bool IsEmptyRow(const QStringList& row) {
    for (const QString& cell : row)
        if (!cell.trimmed().isEmpty()) return false;
    return true;
}

QString CellOf(const QStringList& row, int column) {
    return column >= 0 && column < row.size() ? row.at(column) : QString();
}

QVariant ValueOf(const QVariantList& row, int column) {
    return column >= 0 && column < row.size() ? row.at(column) : QVariant();
}

QString SafeFileName(const QString& name) {
    constexpr qsizetype kMaxFileNameBytes = 200;
    static const QString kForbidden = QStringLiteral("<>:\"/\\|?*");
    static const QRegularExpression kDotRuns(QStringLiteral("\\.{2,}"));
    static const QRegularExpression kDeviceNames(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    QString safe;
    for (const QChar c : name) {
        const bool forbidden = c.unicode() < 0x20 || c.unicode() == 0x7F || kForbidden.contains(c);
        safe += forbidden ? u'_' : c;
    }
    safe.replace(kDotRuns, QStringLiteral("_"));
    if (safe.startsWith(u'.')) safe[0] = u'_';
    if (safe.isEmpty()) safe = QStringLiteral("_");
    if (kDeviceNames.match(safe).hasMatch()) safe.prepend(u'_');
    while (safe.toUtf8().size() > kMaxFileNameBytes) safe.chop(1);
    return safe;
}

QString WriteWholeFile(const QString& path, const QByteArray& bytes) {
    return writeWholeFile(path, bytes);
}

}  // namespace reports
