#pragma once

#include "reports/TestReport.h"

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class QPicture;

// Where everything of the test report goes, page by page, before anything is drawn: what the PDF shows
// and what tests read back (every text with its box, the rules and shadings, the chart's and the logo's
// boxes). Tables break between rows, never inside one, and repeat their header row on the next page; a
// heading stays with what follows it; text wraps at blanks (a long word at the width) and is never drawn
// smaller than its style. Everything lies in device units of the paint device the layout was made for.
namespace reports::test_report {

enum class Style {
    LabName,
    Address,
    Title,
    TestName,
    Heading,
    Label,
    Value,
    TableHeader,
    Cell,
    Note,
    Footer
};

// The font of a style (sizes in points).
QFont FontOf(Style style);

struct PlacedText {
    QRectF box;
    QString text;
    Style style = Style::Value;
    int flags = 0;  // Qt alignment flags
    QColor colour = Qt::black;
    double advance = 0;  // the width the text needs in its font, at most the box's
};

struct PlacedLine {
    QLineF line;
    double width = 0;
    QColor colour;
};

struct PlacedFill {
    QRectF box;
    QColor colour;
};

struct Page {
    std::vector<PlacedFill> fills;
    std::vector<PlacedLine> lines;
    std::vector<PlacedText> texts;
    std::optional<QRectF> chart;
    std::optional<QRectF> logo;
};

struct Layout {
    QRectF area;  // the printable area of a page (inside the margins)
    QRectF body;  // where the content goes: the area less the foot of the page
    std::vector<Page> pages;
};

// Sets up the device for the report: the paper in portrait with the report's margins.
void SetTestReportPage(QPagedPaintDevice& device, QPageSize::PageSizeId paper);

// Lays the report out for the device (its page set up by SetTestReportPage): the metrics of its fonts,
// its page size. The foot of every page ("Page n of m" and the content's footer) is part of the layout.
Layout LayOut(const TestReportContent& content, const QPaintDevice& device);

// Draws the pages on the device the painter is active on, starting on its current page. The chart was
// recorded at kTimeChartSize.
void Paint(QPainter& painter, QPagedPaintDevice& device, const Layout& layout,
           const TestReportContent& content, const QPicture& chart);

}  // namespace reports::test_report
