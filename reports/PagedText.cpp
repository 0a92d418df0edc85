#include "reports/PagedText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

// The pieces of one line, each at most `columns` long.
QStringList wrapLine(const QString& line, int columns) {
    if (columns < 1 || line.size() <= columns) return {line};
    QStringList pieces;
    QString rest = line;
    while (rest.size() > columns) {
        qsizetype cut = rest.lastIndexOf(u' ', columns);
        if (cut <= 0) cut = columns;
        pieces << rest.left(cut);
        rest = rest.mid(cut);
        // The blank at which the line was cut is not carried to the next line.
        if (rest.startsWith(u' ')) rest.remove(0, 1);
    }
    pieces << rest;
    return pieces;
}

QFont printFont(double pointSize) {
    QFont font(QString::fromLatin1(kPrintFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace

QList<QStringList> PaginateLines(const QStringList& lines, const QList<int>& breaksAfter, int columns,
                                 int linesPerPage) {
    linesPerPage = std::max(1, linesPerPage);
    QList<QStringList> pages(1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const QString& piece : wrapLine(lines.at(i), columns)) {
            if (pages.last().size() >= linesPerPage) pages.append(QStringList());
            pages.last() << piece;
        }
        if (breaksAfter.contains(static_cast<int>(i)) && i + 1 < lines.size()) pages.append(QStringList());
    }
    return pages;
}

int PrintTextLines(QPainter& painter, QPagedPaintDevice& device, const QStringList& lines,
                   const QList<int>& breaksAfter, int columnsWanted) {
    const double width = device.width();
    const double height = device.height();
    QFont font = printFont(kPrintPointSize);
    double advance = QFontMetricsF(font, &device).horizontalAdvance(u'0');
    if (columnsWanted > 0 && advance * columnsWanted > width) {
        const double fitting = kPrintPointSize * width / (advance * columnsWanted);
        font = printFont(std::max(kSmallestPrintPointSize, std::floor(fitting * 4) / 4));
        advance = QFontMetricsF(font, &device).horizontalAdvance(u'0');
    }
    const QFontMetricsF metrics(font, &device);
    const int columns = std::max(1, static_cast<int>(width / advance));
    const int linesPerPage = std::max(1, static_cast<int>(height / metrics.lineSpacing()));
    const QList<QStringList> pages = PaginateLines(lines, breaksAfter, columns, linesPerPage);

    painter.setFont(font);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0) device.newPage();
        double y = metrics.ascent();
        for (const QString& line : pages.at(p)) {
            painter.drawText(QPointF(0, y), line);
            y += metrics.lineSpacing();
        }
    }
    return static_cast<int>(pages.size());
}

}  // namespace reports
