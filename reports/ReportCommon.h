#pragma once

#include "store/clsTEST_INFO.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariantList>

struct OpenedTest;

// What every report and export of the open test shares.
namespace reports {

// Positions in the kept TEST_INFO row: reports::TEST_TIME and the others.
using InfoColumn = test_info::Column;
using enum test_info::Column;

inline constexpr const char* kNoTestMessage =
    "Currently no valid test selected.  Please first open a saved test.";

// The open test as the reports read it: the TEST_INFO row and the two tables of the main window as their
// cell texts (rows from grid row 1; a results row of a ramp without result is an empty list).
struct ReportTables {
    QVariantList testInfoRow;
    QList<QStringList> additiveRows;  // name, concentration, units, lot number
    QList<QStringList> resultRows;    // the twelve cells of the results table
    // What every report adds after its designed content: the readings excluded from the fits and the
    // acceptance criteria with what came of them, one line each (empty when the test has none).
    QStringList exclusionLines;
    QStringList criteriaLines;

    static ReportTables of(const OpenedTest& test);
};

inline constexpr const char* kExclusionsTitle = "Readings excluded from the fits:";
inline constexpr const char* kCriteriaTitle = "Acceptance criteria:";
// The lines added after a report's designed content: an empty line, a title and the lines of each block
// that has any; nothing when neither has.
QStringList NotesBlock(const ReportTables& tables);

// A stored value in the default text form of its type: a number in its shortest decimal form ("1.5987",
// "7"), a date and time in the general form of the locale, a text as it is, Null as nothing.
QString DefaultText(const QVariant& value, const QLocale& locale);

// True when every cell of a table row is empty (a ramp without result).
bool IsEmptyRow(const QStringList& row);

// Cell `column` of a row; empty when the row is shorter.
QString CellOf(const QStringList& row, int column);
QVariant ValueOf(const QVariantList& row, int column);

// A test name made fit to be a file name in a folder, with nothing that could lead elsewhere: path
// separators and characters that file names cannot hold become "_", as do runs of dots and a leading dot;
// a name that a file system keeps for a device gets a "_" before it; a very long name is shortened.
QString SafeFileName(const QString& name);

// Writes a file whole at a path the operator chose (a link there is followed): the file that was there
// stays untouched when the new one cannot be written. Returns the system's reason for a failure ("No space
// left on device"), empty on success.
QString WriteWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace reports
