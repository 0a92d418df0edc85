#pragma once

#include "common/UnitSystem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the program writes by itself when a run ends.
enum class ExportFormat {
    TestReport,   // "report": the test report (PDF)
    Json,         // "json": the record for LIMS
    Csv,          // "csv": the readings
    Brief,        // "brief": the brief report as "Brief Save" writes it
    Detail,       // "detail": the detail workbook
    Halliburton,  // "halliburton": the Halliburton file
};

namespace export_format {
inline constexpr int kCount = static_cast<int>(ExportFormat::Halliburton) + 1;
// The name autoexport.txt gives the format ("report").
QString text(ExportFormat format);
std::optional<ExportFormat> fromText(const QString& text);
QString allNames();
}  // namespace export_format

// autoexport.txt beside "initial.txt": one setting a line, '#' starts a comment,
//   folder PATH                    where the files go (relative to the settings' folder); once
//   formats NAME [NAME...]         any of report, json, csv, brief, detail, halliburton; may repeat
//   units cgs|ei|si                the unit system of the report and the brief report; by default the
//                                  one of "initial.txt"
// A bad line is left out and named with its line number; without a folder or a format nothing is exported.
struct AutoExportSettings {
    static constexpr const char* kFileName = "autoexport.txt";

    QString path;                 // of the file itself
    QString folder;               // absolute; empty when none is set
    QList<ExportFormat> formats;  // in the order of export_format, each once
    std::optional<UnitSystem> units;
    // One sentence per bad line ("autoexport.txt line 3: ..."), or the file's own problem.
    QStringList problems;

    // True when the file asks for something to be exported.
    bool active() const { return !folder.isEmpty() && !formats.isEmpty(); }
    bool wants(ExportFormat format) const { return formats.contains(format); }

    // autoexport.txt in the folder of the settings file at initialPath.
    static QString pathBeside(const QString& initialPath);
    // A missing file is no problem: nothing is exported.
    static AutoExportSettings read(const QString& path);
    static AutoExportSettings parse(const QByteArray& bytes, const QString& path);
};
