#include "monitor/MonitorDownloads.h"

#include "reports/BriefReport.h"
#include "reports/DetailReport.h"
#include "reports/ReportCommon.h"
#include "reports/TestFiles.h"
#include "reports/WorkbookFile.h"
#include "store/DetailReportQuery.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <QUuid>

#include <array>

namespace monitor {

namespace {

struct KindName {
    DownloadKind kind;
    const char* name;
    const char* suffix;
    const char* contentType;
};
constexpr std::array<KindName, 5> kKinds{{
    {DownloadKind::Csv, "csv", ".csv", "text/csv; charset=utf-8"},
    {DownloadKind::Brief, "brief", ".txt", "text/plain; charset=utf-8"},
    {DownloadKind::BriefWorkbook, "brief-xlsx", ".xlsx",
     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {DownloadKind::DetailWorkbook, "detail-xlsx", " detail.xlsx",
     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {DownloadKind::DetailPdf, "detail-pdf", " detail.pdf", "application/pdf"},
}};

const KindName& entry(DownloadKind kind) {
    for (const KindName& each : kKinds)
        if (each.kind == kind) return each;
    return kKinds[0];
}

// Writes through a file writer into the scratch folder and takes the bytes back.
QByteArray throughFile(const QString& scratchDir, const QString& suffix,
                       const std::function<QString(const QString& path)>& write, QString& problem) {
    const QString path =
        QDir(scratchDir).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + suffix);
    problem = write(path);
    QByteArray bytes;
    if (problem.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        else
            problem = file.errorString();
    }
    QFile::remove(path);
    return bytes;
}

}  // namespace

std::optional<DownloadKind> downloadKindFromName(const QString& name) {
    for (const KindName& each : kKinds)
        if (name == QLatin1String(each.name)) return each.kind;
    return std::nullopt;
}

QByteArray attachmentDisposition(const QString& testName, const QString& suffix) {
    QString plain;
    for (const QChar c : testName)
        plain +=
            (c.isLetterOrNumber() && c.unicode() < 128) || c == u' ' || c == u'-' || c == u'_' ? c : u'_';
    if (plain.isEmpty()) plain = QStringLiteral("test");
    return "attachment; filename=\"" + (plain + suffix).toLatin1() + "\"; filename*=UTF-8''" +
           QUrl::toPercentEncoding(testName + suffix);
}

Download makeDownload(clsConnection& connection, const OpenedTest& test, DownloadKind kind,
                      const QString& scratchDir) {
    const KindName& what = entry(kind);
    Download download;
    download.contentType = what.contentType;
    download.disposition = attachmentDisposition(test.name, QLatin1String(what.suffix));
    const reports::ReportTables tables = reports::ReportTables::of(test);
    switch (kind) {
        case DownloadKind::Csv:
            download.bytes = reports::TestCsv(test);
            break;
        case DownloadKind::Brief:
            download.bytes = reports::BriefReportBytes(
                reports::BuildBriefReport(tables, reports::BriefVariant::SavedFile).lines);
            break;
        case DownloadKind::BriefWorkbook:
        case DownloadKind::DetailWorkbook: {
            const auto workbook = kind == DownloadKind::BriefWorkbook ? reports::WorkbookKind::Brief
                                                                      : reports::WorkbookKind::Detail;
            download.bytes = throughFile(
                scratchDir, QStringLiteral(".xlsx"),
                [&](const QString& path) {
                    return reports::WriteWorkbookFile(path, workbook, tables, test.readings);
                },
                download.problem);
            break;
        }
        case DownloadKind::DetailPdf: {
            const detail_report_query::Result data = detail_report_query::Read(connection, test.testId);
            if (!data.found) {
                download.problem = QString::fromUtf8(OpenTest::kNotFoundMessage);
                break;
            }
            download.bytes = throughFile(
                scratchDir, QStringLiteral(".pdf"),
                [&](const QString& path) {
                    return reports::WriteDetailReportPdf(path, reports::TestDetailReport(data, test));
                },
                download.problem);
            break;
        }
    }
    return download;
}

}  // namespace monitor
