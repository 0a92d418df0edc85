#pragma once

#include "analysis/OpenTest.h"

#include <QByteArray>
#include <QString>

#include <optional>

class clsConnection;

// The files a test page offers, made by the same writers as the Reports menu and r7716-cli.
namespace monitor {

enum class DownloadKind { Csv, Brief, BriefWorkbook, DetailWorkbook, DetailPdf };

// "csv", "brief", "brief-xlsx", "detail-xlsx", "detail-pdf"; nothing for any other name.
std::optional<DownloadKind> downloadKindFromName(const QString& name);

struct Download {
    QByteArray bytes;
    QByteArray contentType;
    QByteArray disposition;  // "attachment; filename=...; filename*=UTF-8''..."
    QString problem;         // why it could not be made; empty when made
};

// The file of the test (opened in the unit system the brief report and workbooks show); scratchDir holds
// the workbook or PDF while it is written. The detail report reads the test afresh, as the menu's does.
Download makeDownload(clsConnection& connection, const OpenedTest& test, DownloadKind kind,
                      const QString& scratchDir);

// The download's file name header for a test name: a plain fallback ("_" for anything but letters,
// digits, blanks and "-._") and the exact name encoded.
QByteArray attachmentDisposition(const QString& testName, const QString& suffix);

}  // namespace monitor
