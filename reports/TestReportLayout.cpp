#include "reports/TestReportLayout.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPicture>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace reports::test_report {

namespace {

constexpr double kSideMargin_mm = 15;
constexpr double kTopMargin_mm = 12;
constexpr double kBottomMargin_mm = 10;
constexpr const char* kFontFamily = "Helvetica";
constexpr const char* kPageText = "Page %1 of %2";
constexpr const char* kContinued = " (continued)";
constexpr const char* kMoreColumns = " (more columns)";
constexpr const char* kNoChart = "The chart could not be drawn.";

const QColor kRuleColour(110, 110, 110);
const QColor kShade(244, 245, 247);
const QColor kHeaderShade(222, 228, 236);
const QColor kPassColour(0, 115, 40);
const QColor kFailColour(190, 0, 0);
const QColor kNoteColour(80, 80, 80);

struct StyleLook {
    double points;
    bool bold;
    bool italic;
};
constexpr std::array<StyleLook, 11> kStyles{{
    {13, true, false},    // LabName
    {8.5, false, false},  // Address
    {16, true, false},    // Title
    {12, true, false},    // TestName
    {10.5, true, false},  // Heading
    {8.5, true, false},   // Label
    {8.5, false, false},  // Value
    {7, true, false},     // TableHeader
    {7.5, false, false},  // Cell
    {8.5, false, true},   // Note
    {7, false, false},    // Footer
}};

// A table's columns on one band across the page: which columns (the first one on every band) and how wide.
struct Band {
    std::vector<int> columns;
    std::vector<double> widths;
};

class Builder {
  public:
    Builder(const TestReportContent& content, const QPaintDevice& device)
        : content_(content), dpi_(device.logicalDpiY()) {
        for (std::size_t s = 0; s < kStyles.size(); ++s) metrics_.emplace_back(FontOf(Style(s)), &device);
        layout_.area = QRectF(0, 0, device.width(), device.height());
        footerLines_ = wrap(content.footer, Style::Footer, layout_.area.width() * 0.78);
        const double footerBand =
            std::max<qsizetype>(1, footerLines_.size()) * lineHeight(Style::Footer) + mm(3);
        layout_.body = layout_.area.adjusted(0, 0, 0, -footerBand);
    }

    Layout run() {
        newPage();
        labHeader();
        titleBlock();
        fields();
        describe();
        table(content_.additives);
        chart();
        table(content_.results);
        for (const ReportTable& model : content_.models) table(model);
        table(content_.criteria);
        table(content_.exclusions);
        heading(content_.calibrationTitle, lineHeight(Style::Value) * 2);
        paragraph(content_.calibration, Style::Value, 0);
        footers();
        return std::move(layout_);
    }

  private:
    double mm(double v) const { return v * dpi_ / 25.4; }
    double pt(double v) const { return v * dpi_ / 72.0; }
    const QFontMetricsF& metrics(Style s) const { return metrics_[std::size_t(s)]; }
    double lineHeight(Style s) const { return metrics(s).lineSpacing(); }
    double width() const { return layout_.body.width(); }
    double left() const { return layout_.body.left(); }
    double room() const { return layout_.body.bottom() - y_; }
    Page& page() { return layout_.pages.back(); }

    // A new page when `height` does not fit below what the page holds; a page still empty is kept.
    void ensure(double height) {
        if (height > room() && y_ > pageTop_ + 0.5) newPage();
    }

    void newPage() {
        layout_.pages.emplace_back();
        y_ = layout_.body.top();
        if (layout_.pages.size() > 1) runningHeader();
        pageTop_ = y_;
    }

    // Pages after the first name their test, so that a loose page still says what it belongs to.
    void runningHeader() {
        const double h = lineHeight(Style::Footer);
        const double titleWidth = metrics(Style::Footer).horizontalAdvance(content_.title) + mm(4);
        place(QRectF(left(), y_, width() - titleWidth, h), elideFree(content_.testName, width() - titleWidth),
              Style::Footer, Qt::AlignLeft | Qt::AlignVCenter, kNoteColour);
        place(QRectF(left() + width() - titleWidth, y_, titleWidth, h), content_.title, Style::Footer,
              Qt::AlignRight | Qt::AlignVCenter, kNoteColour);
        rule(y_ + h + pt(1.5), 0.5);
        y_ += h + mm(4);
    }

    // The first line of a text that fits (the running header shows one line of a long name).
    QString elideFree(const QString& text, double w) const {
        const QStringList lines = wrap(text, Style::Footer, w);
        return lines.isEmpty() ? QString() : lines.first();
    }

    void place(const QRectF& box, const QString& text, Style style, int flags,
               const QColor& colour = Qt::black) {
        page().texts.push_back({box, text, style, flags, colour, metrics(style).horizontalAdvance(text)});
    }
    void rule(double y, double widthPt, double from = -1, double to = -1) {
        const double x0 = from < 0 ? left() : from;
        const double x1 = to < 0 ? left() + width() : to;
        page().lines.push_back({QLineF(x0, y, x1, y), pt(widthPt), kRuleColour});
    }

    QStringList wrap(const QString& text, Style style, double w) const;
    void labHeader();
    void titleBlock();
    void fields();
    void describe();
    void heading(const QString& title, double keepWith);
    void paragraph(const QString& text, Style style, double indent, const QColor& colour = Qt::black);
    void chart();
    void table(const ReportTable& t);
    // Each column's width with its longest cell on one line and its header as whole lines or words.
    std::vector<double> naturalWidths(const ReportTable& t, bool wholeHeaderLines) const;
    std::vector<Band> bands(const ReportTable& t, std::vector<double> natural,
                            const std::vector<double>& wished) const;
    void widen(Band& band, int wrapColumn, const std::vector<double>& wished) const;
    double tableRow(const ReportTable& t, const Band& band, int row, bool measureOnly);
    double tableHeader(const ReportTable& t, const Band& band, bool measureOnly);
    void footers();

    const TestReportContent& content_;
    double dpi_;
    std::vector<QFontMetricsF> metrics_;
    Layout layout_;
    QStringList footerLines_;
    double y_ = 0;
    double pageTop_ = 0;
};

QStringList Builder::wrap(const QString& text, Style style, double w) const {
    static const QRegularExpression kBreaks(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF& m = metrics(style);
    QStringList lines;
    for (const QString& paragraph : text.split(kBreaks)) {
        QString line;
        for (QString word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString joined = line.isEmpty() ? word : line + u' ' + word;
            if (m.horizontalAdvance(joined) <= w) {
                line = joined;
                continue;
            }
            if (!line.isEmpty()) lines << line;
            line.clear();
            // A word wider than the line (a path, a URI) is cut where the width ends.
            while (m.horizontalAdvance(word) > w && word.size() > 1) {
                qsizetype n = word.size() - 1;
                while (n > 1 && m.horizontalAdvance(word.left(n)) > w) --n;
                lines << word.left(n);
                word = word.mid(n);
            }
            line = word;
        }
        lines << line;
    }
    while (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void Builder::labHeader() {
    if (content_.labName.isEmpty() && content_.labAddress.isEmpty() && content_.logo.isNull()) return;
    double logoWidth = 0, logoHeight = 0;
    if (!content_.logo.isNull()) {
        const double aspect = double(content_.logo.width()) / std::max(1, content_.logo.height());
        logoHeight = mm(18);
        logoWidth = logoHeight * aspect;
        if (logoWidth > mm(55)) {
            logoWidth = mm(55);
            logoHeight = logoWidth / aspect;
        }
        page().logo = QRectF(left(), y_, logoWidth, logoHeight);
    }
    const double x = left() + (logoWidth > 0 ? logoWidth + mm(5) : 0);
    const double w = left() + width() - x;
    double textY = y_;
    for (const QString& line : wrap(content_.labName, Style::LabName, w)) {
        place(QRectF(x, textY, w, lineHeight(Style::LabName)), line, Style::LabName,
              Qt::AlignLeft | Qt::AlignVCenter);
        textY += lineHeight(Style::LabName);
    }
    for (const QString& address : content_.labAddress)
        for (const QString& line : wrap(address, Style::Address, w)) {
            place(QRectF(x, textY, w, lineHeight(Style::Address)), line, Style::Address,
                  Qt::AlignLeft | Qt::AlignVCenter);
            textY += lineHeight(Style::Address);
        }
    y_ = std::max(textY, y_ + logoHeight) + mm(2);
    rule(y_, 0.8);
    y_ += mm(4);
}

void Builder::titleBlock() {
    place(QRectF(left(), y_, width(), lineHeight(Style::Title)), content_.title, Style::Title,
          Qt::AlignLeft | Qt::AlignVCenter);
    y_ += lineHeight(Style::Title) + mm(1);
    for (const QString& line : wrap(content_.testName, Style::TestName, width())) {
        place(QRectF(left(), y_, width(), lineHeight(Style::TestName)), line, Style::TestName,
              Qt::AlignLeft | Qt::AlignVCenter);
        y_ += lineHeight(Style::TestName);
    }
    y_ += mm(3);
}

// The test's data in two columns of label and value; a wide field takes a line of its own.
void Builder::fields() {
    double labelWidth = 0;
    for (const ReportField& f : content_.fields)
        labelWidth = std::max(labelWidth, metrics(Style::Label).horizontalAdvance(f.label));
    labelWidth += mm(2);
    const double gap = mm(6);
    const double columnWidth = (width() - gap) / 2;
    const double line = lineHeight(Style::Value) * 1.2;
    int column = 0;
    double rowHeight = 0;
    const auto endRow = [&] {
        y_ += rowHeight;
        rowHeight = 0;
        column = 0;
    };
    for (const ReportField& f : content_.fields) {
        if (f.wide && column > 0) endRow();
        const double x = left() + column * (columnWidth + gap);
        const double w = (f.wide ? width() : columnWidth) - labelWidth;
        const QStringList lines = wrap(f.value, Style::Value, w);
        ensure(line * lines.size());
        place(QRectF(x, y_, labelWidth, line), f.label, Style::Label, Qt::AlignLeft | Qt::AlignVCenter);
        for (qsizetype i = 0; i < lines.size(); ++i)
            place(QRectF(x + labelWidth, y_ + i * line, w, line), lines[i], Style::Value,
                  Qt::AlignLeft | Qt::AlignVCenter);
        rowHeight = std::max(rowHeight, line * lines.size());
        if (f.wide || ++column == 2) endRow();
    }
    if (column > 0) endRow();
    y_ += mm(1);
}

void Builder::describe() {
    if (content_.description.isEmpty()) return;
    const QString label = QStringLiteral("Description:");
    const double indent = metrics(Style::Label).horizontalAdvance(label) + mm(2);
    ensure(lineHeight(Style::Value) * 1.2);
    place(QRectF(left(), y_, indent, lineHeight(Style::Value) * 1.2), label, Style::Label,
          Qt::AlignLeft | Qt::AlignVCenter);
    paragraph(content_.description, Style::Value, indent);
}

// A heading, moved to the next page with what must follow it when both do not fit.
void Builder::heading(const QString& title, double keepWith) {
    const double h = lineHeight(Style::Heading) + mm(1.5);
    ensure(mm(3) + h + keepWith);
    if (y_ > pageTop_ + 0.5) y_ += mm(3);
    place(QRectF(left(), y_, width(), lineHeight(Style::Heading)), title, Style::Heading,
          Qt::AlignLeft | Qt::AlignVCenter);
    y_ += h;
}

void Builder::paragraph(const QString& text, Style style, double indent, const QColor& colour) {
    const double line = lineHeight(style) * 1.2;
    for (const QString& l : wrap(text, style, width() - indent)) {
        ensure(line);
        place(QRectF(left() + indent, y_, width() - indent, line), l, style, Qt::AlignLeft | Qt::AlignVCenter,
              colour);
        y_ += line;
    }
    y_ += mm(1);
}

void Builder::chart() {
    double w = width();
    double h = w * kTimeChartSize.height() / kTimeChartSize.width();
    // Never taller than a page holds under its heading.
    const double most = layout_.body.height() - mm(25);
    if (h > most) {
        h = most;
        w = h * kTimeChartSize.width() / kTimeChartSize.height();
    }
    heading(content_.chartTitle, h);
    page().chart = QRectF(left() + (width() - w) / 2, y_, w, h);
    y_ += h + mm(2);
}

void Builder::footers() {
    const int pages = int(layout_.pages.size());
    const double line = lineHeight(Style::Footer);
    const double top = layout_.area.bottom() - line * std::max<qsizetype>(1, footerLines_.size());
    for (int p = 0; p < pages; ++p) {
        Page& pg = layout_.pages[std::size_t(p)];
        pg.lines.push_back(
            {QLineF(left(), top - mm(1.2), left() + width(), top - mm(1.2)), pt(0.5), kRuleColour});
        for (qsizetype i = 0; i < footerLines_.size(); ++i) {
            const QString& text = footerLines_[i];
            pg.texts.push_back({QRectF(left(), top + i * line, width() * 0.78, line), text, Style::Footer,
                                Qt::AlignLeft | Qt::AlignVCenter, kNoteColour,
                                metrics(Style::Footer).horizontalAdvance(text)});
        }
        const QString number = QString::fromLatin1(kPageText).arg(p + 1).arg(pages);
        pg.texts.push_back({QRectF(left() + width() * 0.78, top, width() * 0.22, line), number, Style::Footer,
                            Qt::AlignRight | Qt::AlignVCenter, Qt::black,
                            metrics(Style::Footer).horizontalAdvance(number)});
    }
}

// ---- tables ----------------------------------------------------------------------------------------

// The columns across the page: one band when they fit, else several, each beginning with the first
// column (the ramp). The room a band leaves goes first to the header cells that would keep their lines
// whole (`wished`), then to the column of words, or to all of them alike.
std::vector<Band> Builder::bands(const ReportTable& t, std::vector<double> natural,
                                 const std::vector<double>& wished) const {
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
    const int wrapColumn = t.wrapColumn >= 0 && t.wrapColumn < int(natural.size()) ? t.wrapColumn : -1;
    if (wrapColumn >= 0 && total > width()) {
        // The words wrap: their column takes what the others leave, down to a readable width.
        const double others = total - natural[std::size_t(wrapColumn)];
        natural[std::size_t(wrapColumn)] = std::max(mm(25), width() - others);
    }
    std::vector<Band> result;
    Band band;
    double used = 0;
    for (int c = 0; c < int(natural.size()); ++c) {
        const double w = natural[std::size_t(c)];
        if (band.columns.size() > 1 && used + w > width()) {
            result.push_back(band);
            band = Band{{0}, {natural[0]}};
            used = natural[0];
        }
        band.columns.push_back(c);
        band.widths.push_back(w);
        used += w;
    }
    result.push_back(band);
    for (Band& b : result) widen(b, wrapColumn, wished);
    return result;
}

void Builder::widen(Band& b, int wrapColumn, const std::vector<double>& wished) const {
    double extra = std::max(0.0, width() - std::accumulate(b.widths.begin(), b.widths.end(), 0.0));
    // Numbers first get some room between them, then header lines whole, then the words the rest.
    const double breathing = std::min(pt(7), extra / double(b.columns.size()));
    std::vector<double> deficit(b.columns.size(), 0.0);
    double deficits = 0;
    for (std::size_t i = 0; i < b.columns.size(); ++i) {
        if (b.columns[i] == wrapColumn) continue;
        b.widths[i] += breathing;
        extra -= breathing;
        deficit[i] = std::max(0.0, wished[std::size_t(b.columns[i])] - b.widths[i]);
        deficits += deficit[i];
    }
    const double share = deficits > extra ? extra / deficits : 1.0;
    for (std::size_t i = 0; i < b.columns.size(); ++i) b.widths[i] += deficit[i] * share;
    extra -= deficits * share;
    const auto wide = std::find(b.columns.begin(), b.columns.end(), wrapColumn);
    if (wide != b.columns.end())
        b.widths[std::size_t(wide - b.columns.begin())] += extra;
    else
        for (double& w : b.widths) w += extra / double(b.widths.size());
}

double Builder::tableHeader(const ReportTable& t, const Band& band, bool measureOnly) {
    const double pad = pt(2), padV = pt(1.5), line = lineHeight(Style::TableHeader);
    std::vector<QStringList> cells;
    qsizetype most = 1;
    for (std::size_t i = 0; i < band.columns.size(); ++i) {
        cells.push_back(wrap(t.header.value(band.columns[i]), Style::TableHeader, band.widths[i] - 2 * pad));
        most = std::max(most, cells.back().size());
    }
    const double h = most * line + 2 * padV;
    if (measureOnly) return h;
    page().fills.push_back({QRectF(left(), y_, width(), h), kHeaderShade});
    double x = left();
    for (std::size_t i = 0; i < band.columns.size(); ++i) {
        const int align = t.textColumns.contains(band.columns[i]) ? Qt::AlignLeft : Qt::AlignRight;
        // Header texts sit on the row's foot, so the units line up above the numbers.
        const double first = y_ + h - padV - cells[i].size() * line;
        for (qsizetype k = 0; k < cells[i].size(); ++k)
            place(QRectF(x + pad, first + k * line, band.widths[i] - 2 * pad, line), cells[i][k],
                  Style::TableHeader, align | Qt::AlignVCenter);
        x += band.widths[i];
    }
    y_ += h;
    rule(y_, 0.6);
    return h;
}

double Builder::tableRow(const ReportTable& t, const Band& band, int row, bool measureOnly) {
    const double pad = pt(2), padV = pt(1.1), line = lineHeight(Style::Cell);
    const QStringList& cells = t.rows[row];
    const int span = t.spanFrom.value(row, -1);
    struct Cell {
        double x, w;
        QStringList lines;
        int align;
        bool last;
    };
    std::vector<Cell> placed;
    double x = left();
    qsizetype most = 1;
    for (std::size_t i = 0; i < band.columns.size(); ++i) {
        const int c = band.columns[i];
        double w = band.widths[i];
        const bool spanning = span >= 0 && c >= span;
        if (spanning) {
            // The rest of the band is one cell; a band after the one it began in shows nothing there.
            for (std::size_t k = i + 1; k < band.columns.size(); ++k) w += band.widths[k];
            if (c == span)
                placed.push_back({x, w, wrap(cells.value(c), Style::Cell, w - 2 * pad), Qt::AlignLeft, true});
            break;
        }
        const int align = t.textColumns.contains(c) ? Qt::AlignLeft : Qt::AlignRight;
        placed.push_back(
            {x, w, wrap(cells.value(c), Style::Cell, w - 2 * pad), align, c == int(cells.size()) - 1});
        x += w;
    }
    for (const Cell& c : placed) most = std::max(most, c.lines.size());
    const double h = most * line + 2 * padV;
    if (measureOnly) return h;
    if (row % 2 == 1) page().fills.push_back({QRectF(left(), y_, width(), h), kShade});
    const ReportTable::Tone tone = t.tones.value(row, ReportTable::Tone::Plain);
    for (const Cell& c : placed) {
        QColor colour = Qt::black;
        if (c.last && tone == ReportTable::Tone::Pass) colour = kPassColour;
        if (c.last && tone == ReportTable::Tone::Fail) colour = kFailColour;
        for (qsizetype k = 0; k < c.lines.size(); ++k)
            place(QRectF(c.x + pad, y_ + padV + k * line, c.w - 2 * pad, line), c.lines[k], Style::Cell,
                  c.align | Qt::AlignVCenter, colour);
    }
    y_ += h;
    return h;
}

std::vector<double> Builder::naturalWidths(const ReportTable& t, bool wholeHeaderLines) const {
    const double pad = pt(2);
    std::vector<double> natural(std::size_t(t.header.size()), mm(6));
    for (int c = 0; c < int(t.header.size()); ++c) {
        double w = 0;
        for (const QString& piece : t.header[c].split(u'\r'))
            for (const QString& part :
                 wholeHeaderLines ? QStringList{piece} : piece.split(u' ', Qt::SkipEmptyParts))
                w = std::max(w, metrics(Style::TableHeader).horizontalAdvance(part));
        for (int r = 0; r < t.rows.size(); ++r) {
            const int span = t.spanFrom.value(r, -1);
            if (span >= 0 && c >= span) continue;
            w = std::max(w, metrics(Style::Cell).horizontalAdvance(t.rows[r].value(c)));
        }
        natural[std::size_t(c)] = std::max(natural[std::size_t(c)], w + 2 * pad);
    }
    return natural;
}

void Builder::table(const ReportTable& t) {
    if (t.rows.isEmpty()) {
        heading(t.title, lineHeight(Style::Note) * 1.2);
        paragraph(t.none, Style::Note, 0, kNoteColour);
        return;
    }
    const std::vector<Band> plan = bands(t, naturalWidths(t, false), naturalWidths(t, true));
    for (std::size_t b = 0; b < plan.size(); ++b) {
        const Band& band = plan[b];
        const QString title = t.title + (b > 0 ? QString::fromLatin1(kMoreColumns) : QString());
        heading(title, tableHeader(t, band, true) + tableRow(t, band, 0, true));
        tableHeader(t, band, false);
        for (int r = 0; r < t.rows.size(); ++r) {
            if (tableRow(t, band, r, true) > room()) {
                newPage();
                heading(title + QString::fromLatin1(kContinued), 0);
                tableHeader(t, band, false);
            }
            tableRow(t, band, r, false);
        }
        rule(y_, 0.6);
        y_ += mm(1);
    }
}

}  // namespace

QFont FontOf(Style style) {
    const StyleLook& look = kStyles[std::size_t(style)];
    QFont font(QString::fromLatin1(kFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(look.points);
    font.setBold(look.bold);
    font.setItalic(look.italic);
    // Spacing, however small, keeps the shaper from joining "fi" or "ff" into one glyph, so that text copied
    // or searched in the PDF reads as typed ("effective", not a ligature).
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0 / 64);  // the finest step a font takes
    return font;
}

void SetTestReportPage(QPagedPaintDevice& device, QPageSize::PageSizeId paper) {
    device.setPageLayout(QPageLayout(
        QPageSize(paper), QPageLayout::Portrait,
        QMarginsF(kSideMargin_mm, kTopMargin_mm, kSideMargin_mm, kBottomMargin_mm), QPageLayout::Millimeter));
}

Layout LayOut(const TestReportContent& content, const QPaintDevice& device) {
    return Builder(content, device).run();
}

void Paint(QPainter& painter, QPagedPaintDevice& device, const Layout& layout,
           const TestReportContent& content, const QPicture& chart) {
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        if (p > 0) device.newPage();
        const Page& page = layout.pages[p];
        for (const PlacedFill& f : page.fills) painter.fillRect(f.box, f.colour);
        for (const PlacedLine& l : page.lines) {
            painter.setPen(QPen(l.colour, l.width));
            painter.drawLine(l.line);
        }
        if (page.logo) painter.drawImage(*page.logo, content.logo);
        if (page.chart) {
            painter.save();
            if (chart.isNull()) {
                painter.setFont(FontOf(Style::Note));
                painter.drawText(*page.chart, Qt::AlignCenter, QString::fromLatin1(kNoChart));
            } else {
                painter.setClipRect(*page.chart);
                painter.translate(page.chart->topLeft());
                painter.scale(page.chart->width() / kTimeChartSize.width(),
                              page.chart->height() / kTimeChartSize.height());
                painter.drawPicture(QPointF(0, 0), chart);
            }
            painter.restore();
        }
        for (const PlacedText& t : page.texts) {
            painter.setFont(FontOf(t.style));
            painter.setPen(t.colour);
            painter.drawText(t.box, t.flags, t.text);
        }
    }
}

}  // namespace reports::test_report
