#include "reports/DetailReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

// Relative widths of the eleven detail columns: the small whole numbers (ramp, step, type) get less.
constexpr double kColumnWeights[DetailReportContent::kColumns] = {0.6,  0.6,  1.25, 0.9, 0.85, 1.3,
                                                                  1.15, 0.65, 0.9,  1.3, 1.2};
constexpr const char* kFontFamily = "Helvetica";
constexpr const char* kPageNumberText = "Page %1 of %2";

QFont reportFont(double pointSize, bool bold = false) {
    QFont font(QString::fromLatin1(kFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// Everything about where things go on a page, in device units.
class Layout {
  public:
    Layout(QPagedPaintDevice& device, const DetailReportContent& content)
        : device_(device), content_(content), pt_(device.logicalDpiY() / 72.0) {
        width_ = device.width();
        height_ = device.height();
        double total = 0;
        for (double w : kColumnWeights) total += w;
        double x = 0;
        for (int c = 0; c < DetailReportContent::kColumns; ++c) {
            columnX_[c] = x;
            columnWidth_[c] = width_ * kColumnWeights[c] / total;
            x += columnWidth_[c];
        }
        padding_ = 2 * pt_;
        rowHeight_ = metrics(cellFont).lineSpacing() * 1.2;
        footerBand_ = metrics(footerFont).lineSpacing() * 2;
        headingBand_ = headingHeight() + 3 * pt_;
        titleBand_ = metrics(titleFont).lineSpacing() * 1.8;
        fieldsBand_ = fieldsHeight();
        courtesyBand_ = metrics(footerFont).lineSpacing() * 2.5;
        const double firstRoom = height_ - footerBand_ - titleBand_ - fieldsBand_ - headingBand_;
        const double otherRoom = height_ - footerBand_ - headingBand_;
        rowsFirst_ = std::max(0, static_cast<int>(firstRoom / rowHeight_));
        rowsOther_ = std::max(1, static_cast<int>(otherRoom / rowHeight_));
    }

    const QFont titleFont = reportFont(16, true);
    const QFont labelFont = reportFont(9, true);
    const QFont valueFont = reportFont(9);
    const QFont headingFont = reportFont(7.5, true);
    const QFont cellFont = reportFont(8);
    const QFont footerFont = reportFont(8);

    QFontMetricsF metrics(const QFont& font) const { return QFontMetricsF(font, &device_); }

    // The lines after the page headers: the readings, then the notes. Pages and the lines each holds.
    std::size_t lineCount() const { return content_.readings.size() + std::size_t(content_.notes.size()); }
    int pageCount() const {
        const std::size_t n = lineCount();
        int pages = 1;
        std::size_t rest = n > std::size_t(rowsFirst_) ? n - rowsFirst_ : 0;
        pages += static_cast<int>((rest + rowsOther_ - 1) / rowsOther_);
        if (courtesyDoesNotFit(pages)) ++pages;
        return pages;
    }
    std::size_t firstReadingOf(int page) const {
        if (page == 0) return 0;
        return std::size_t(rowsFirst_) + std::size_t(page - 1) * rowsOther_;
    }
    std::size_t readingsOn(int page) const {
        const std::size_t first = std::min(firstReadingOf(page), lineCount());
        const std::size_t capacity = page == 0 ? rowsFirst_ : rowsOther_;
        return std::min(capacity, lineCount() - first);
    }

    void paintPage(QPainter& painter, int page, int pages) const {
        double y = 0;
        if (page == 0) {
            painter.setFont(titleFont);
            painter.drawText(QRectF(0, 0, width_, titleBand_), Qt::AlignHCenter | Qt::AlignTop,
                             content_.title);
            y = titleBand_;
            paintFields(painter, y);
            y += fieldsBand_;
        }
        const std::size_t first = firstReadingOf(page);
        const std::size_t count = readingsOn(page);
        // A last page that holds only notes or the report footer needs no column headings.
        if (page == 0 || first < content_.readings.size()) {
            paintHeadings(painter, y);
            y += headingBand_;
        }
        painter.setFont(cellFont);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t line = first + i;
            if (line < content_.readings.size())
                paintRow(painter, y, content_.rowCells(line));
            else
                paintNote(painter, y, content_.notes.at(qsizetype(line - content_.readings.size())));
            y += rowHeight_;
        }
        if (page == pages - 1) {
            painter.setFont(footerFont);
            painter.drawText(QRectF(0, y + padding_, width_, courtesyBand_), Qt::AlignLeft | Qt::AlignVCenter,
                             content_.footer);
        }
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, height_ - footerBand_, width_, footerBand_),
                         Qt::AlignRight | Qt::AlignBottom,
                         QString::fromLatin1(kPageNumberText).arg(page + 1).arg(pages));
    }

  private:
    bool courtesyDoesNotFit(int pages) const {
        const int last = pages - 1;
        const double top = (last == 0 ? titleBand_ + fieldsBand_ : 0) + headingBand_;
        const double used = top + double(readingsOn(last)) * rowHeight_;
        return used + courtesyBand_ > height_ - footerBand_;
    }

    double headingHeight() const {
        double tallest = 0;
        const QFontMetricsF m = metrics(headingFont);
        for (int c = 0; c < DetailReportContent::kColumns; ++c) {
            const QRectF box(0, 0, columnWidth_[c] - 2 * padding_, 1e6);
            tallest =
                std::max(tallest, m.boundingRect(box, Qt::TextWordWrap, content_.headings.value(c)).height());
        }
        return tallest;
    }

    // Ten fields in two columns of label and value; the description below them across the page.
    double fieldsHeight() const {
        const double line = metrics(valueFont).lineSpacing() * 1.3;
        const int pairs = static_cast<int>(content_.fields.size()) - 1;
        const double grid = std::ceil(std::max(0, pairs) / 2.0) * line;
        return grid + descriptionHeight() + line;
    }
    double descriptionLabelWidth() const {
        return content_.fields.isEmpty()
                   ? 0
                   : metrics(labelFont).horizontalAdvance(content_.fields.last().first) + 6 * pt_;
    }
    double descriptionHeight() const {
        if (content_.fields.isEmpty()) return 0;
        const QRectF box(0, 0, width_ - descriptionLabelWidth(), 1e6);
        const double text =
            metrics(valueFont).boundingRect(box, Qt::TextWordWrap, content_.fields.last().second).height();
        return std::max(text, metrics(valueFont).lineSpacing());
    }

    void paintFields(QPainter& painter, double top) const {
        const double line = metrics(valueFont).lineSpacing() * 1.3;
        const int pairs = static_cast<int>(content_.fields.size()) - 1;
        const int perColumn = static_cast<int>(std::ceil(std::max(0, pairs) / 2.0));
        double labelWidth = 0;
        for (int i = 0; i < pairs; ++i)
            labelWidth =
                std::max(labelWidth, metrics(labelFont).horizontalAdvance(content_.fields.at(i).first));
        labelWidth += 6 * pt_;
        for (int i = 0; i < pairs; ++i) {
            const double x = i < perColumn ? 0 : width_ / 2;
            const double y = top + (i % std::max(1, perColumn)) * line;
            painter.setFont(labelFont);
            painter.drawText(QRectF(x, y, labelWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                             content_.fields.at(i).first);
            painter.setFont(valueFont);
            painter.drawText(QRectF(x + labelWidth, y, width_ / 2 - labelWidth, line),
                             Qt::AlignLeft | Qt::AlignVCenter, content_.fields.at(i).second);
        }
        if (content_.fields.isEmpty()) return;
        const double y = top + perColumn * line + line * 0.3;
        const double labelW = descriptionLabelWidth();
        painter.setFont(labelFont);
        painter.drawText(QRectF(0, y, labelW, line), Qt::AlignLeft | Qt::AlignTop,
                         content_.fields.last().first);
        painter.setFont(valueFont);
        painter.drawText(QRectF(labelW, y, width_ - labelW, descriptionHeight()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, content_.fields.last().second);
    }

    void paintHeadings(QPainter& painter, double top) const {
        painter.setFont(headingFont);
        for (int c = 0; c < DetailReportContent::kColumns; ++c) {
            const QRectF box(columnX_[c] + padding_, top, columnWidth_[c] - 2 * padding_,
                             headingBand_ - 2 * pt_);
            painter.drawText(box, Qt::AlignRight | Qt::AlignBottom | Qt::TextWordWrap,
                             content_.headings.value(c));
        }
        const double ruleY = top + headingBand_ - pt_;
        painter.drawLine(QPointF(0, ruleY), QPointF(width_, ruleY));
    }

    // A note runs across the page; one too long for it is drawn smaller rather than cut.
    void paintNote(QPainter& painter, double top, const QString& text) const {
        const QRectF box(padding_, top, width_ - 2 * padding_, rowHeight_);
        const double needed = metrics(cellFont).horizontalAdvance(text);
        if (needed > box.width()) {
            QFont smaller = cellFont;
            smaller.setPointSizeF(cellFont.pointSizeF() * box.width() / needed);
            painter.setFont(smaller);
        }
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.setFont(cellFont);
    }

    // A value wider than its column is drawn smaller rather than cut or run into its neighbour.
    void paintRow(QPainter& painter, double top, const QStringList& cells) const {
        const QFontMetricsF m = metrics(cellFont);
        for (int c = 0; c < DetailReportContent::kColumns; ++c) {
            const QRectF box(columnX_[c] + padding_, top, columnWidth_[c] - 2 * padding_, rowHeight_);
            const QString& text = cells.at(c);
            const double needed = m.horizontalAdvance(text);
            if (needed > box.width()) {
                QFont smaller = cellFont;
                smaller.setPointSizeF(cellFont.pointSizeF() * box.width() / needed);
                painter.setFont(smaller);
                painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
                painter.setFont(cellFont);
            } else {
                painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
            }
        }
    }

    QPagedPaintDevice& device_;
    const DetailReportContent& content_;
    double pt_;
    double width_ = 0;
    double height_ = 0;
    double columnX_[DetailReportContent::kColumns] = {};
    double columnWidth_[DetailReportContent::kColumns] = {};
    double padding_ = 0;
    double rowHeight_ = 0;
    double footerBand_ = 0;
    double headingBand_ = 0;
    double titleBand_ = 0;
    double fieldsBand_ = 0;
    double courtesyBand_ = 0;
    int rowsFirst_ = 0;
    int rowsOther_ = 1;
};

}  // namespace

int PaintDetailReport(QPainter& painter, QPagedPaintDevice& device, const DetailReportContent& content,
                      const std::function<bool(int page, int pages)>& progress) {
    const Layout layout(device, content);
    const int pages = layout.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (progress && !progress(page, pages)) return page;
        if (page > 0) device.newPage();
        layout.paintPage(painter, page, pages);
    }
    return pages;
}

}  // namespace reports
