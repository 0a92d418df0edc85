#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

// Plain text lines printed in a fixed-pitch font, page by page, as the brief report is printed.
namespace reports {

inline constexpr const char* kPrintFontFamily = "Courier";
inline constexpr double kPrintPointSize = 12;
// Below this the text is too small to read; wider lines are wrapped instead.
inline constexpr double kSmallestPrintPointSize = 7;

// Cuts lines into pages: a new page after each line listed in breaksAfter and whenever a page holds
// linesPerPage lines. A line longer than `columns` continues on the next printed line (cut after its last
// blank inside the width, or at the width when it has none), so nothing runs off the paper. A break after
// the last line gives no empty page.
QList<QStringList> PaginateLines(const QStringList& lines, const QList<int>& breaksAfter, int columns,
                                 int linesPerPage);

// Prints the lines on the device the painter is active on, starting on its current page. The font is
// Courier 12 points, made smaller (not below kSmallestPrintPointSize) when `columnsWanted` characters do
// not fit the width of the page. Returns the number of pages printed.
int PrintTextLines(QPainter& painter, QPagedPaintDevice& device, const QStringList& lines,
                   const QList<int>& breaksAfter, int columnsWanted);

}  // namespace reports
