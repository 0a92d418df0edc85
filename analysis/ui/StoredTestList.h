#pragma once

#include <QStringList>

#include <exception>

class QTableWidget;
class QWidget;
class RecordTable;

// The list of stored tests that the open-test and overlap dialogs show: name, test time and researcher,
// newest first, one fixed header row.
namespace stored_test_list {

// Twips as the dialogs were laid out, in pixels of the widget's screen.
int TwipsToPixelsX(const QWidget* widget, int twips);
int TwipsToPixelsY(const QWidget* widget, int twips);

// Header cells hold a carriage return where the grid broke the line; it is kept with the item and shown
// as a line break.
void BuildHeader(QTableWidget* list, const QStringList& cells, int columnWidth_px, int headerHeight_px);
// Fills the list from the stored-names query (TEST_NAME, TEST_TIME, RESEARCHER_NAME) and widens each
// column to its longest text (never below minColumnWidth_px). Row 0 becomes current when there is one.
void Fill(QTableWidget* list, const RecordTable& storedNames, int minColumnWidth_px);
// The first column of every row: the names the list offers.
QStringList Names(const QTableWidget* list);
// A database failure as the dialogs report it: what failed, then the error's number and text.
QString FailureText(const QString& what, const std::exception& error);
// The width the list needs to show its columns whole, with its frame and scroll bar.
int WidthForColumns(const QTableWidget* list);

}  // namespace stored_test_list
