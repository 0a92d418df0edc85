#pragma once

#include "autoexport/AutoExportSettings.h"
#include "common/UnitSystem.h"

#include <QPicture>
#include <QString>
#include <QStringList>

#include <functional>

class clsConnection;
struct OpenedTest;

// The files of one stored test that autoexport.txt asks for, written into a folder of the test's own in
// the export folder: "<folder>/<name>/<name>.pdf", ".json", ".csv", "<name>-brief.txt",
// "<name>-detail.xlsx" and the Halliburton file "<name>.txt". <name> is the test's name where it can be
// a file name as it stands, else its safe form with a code of the whole name, so no two tests share a
// folder and nothing lands outside the export folder. Each file is written whole or not at all
// (a new file renamed over the old one); a link of a file's name is replaced, never followed.
namespace autoexport {

// The test report's chart ("Visc, Temp Vs Time") recorded for the test in the unit system; fills
// `problem` and returns an empty picture when it cannot be drawn (no window system).
using ChartPicture = std::function<QPicture(const OpenedTest& test, UnitSystem units, QString* problem)>;

struct Outcome {
    bool found = false;    // the test is stored
    QStringList written;   // absolute paths of the files written
    QStringList failures;  // one sentence per file that could not be written
    QStringList notes;     // what the files were made without (a bad line of lab.txt or rates.txt)
};

// The folder of a test's files in the export folder.
QString TestFolder(const QString& exportFolder, const QString& testName);

// Opens the stored test on `connection` and writes every format of `settings` (units: those of the
// report and the brief report). Runs on any thread that owns the connection; the chart alone is drawn
// where `chart` draws it.
Outcome ExportTest(clsConnection& connection, const QString& testName, const AutoExportSettings& settings,
                   UnitSystem units, const ChartPicture& chart);

}  // namespace autoexport
