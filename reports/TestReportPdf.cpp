#include "reports/TestReport.h"

#include "common/Version.h"
#include "common/WholeFile.h"
#include "reports/TestReportLayout.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPicture>

namespace reports {

TestReportWritten WriteTestReportPdf(const QString& path, const TestReportContent& content,
                                     const QPicture& chart) {
    TestReportWritten written;
    WholeFileWriter file(path);
    if (!file.open()) {
        written.error = file.error();
        return written;
    }
    {
        QPdfWriter writer(&file.device());
        // A picture keeps its lines in its own units and its fonts in points: drawn scaled on a device of its
        // resolution, its texts keep their size against its lines.
        writer.setResolution(chart.logicalDpiY());
        writer.setTitle(QStringLiteral("%1: %2").arg(content.title, content.testName));
        writer.setCreator(QStringLiteral("R7716 %1").arg(QString::fromLatin1(r7716::kVersion)));
        test_report::SetTestReportPage(writer, content.paper);
        const test_report::Layout layout = test_report::LayOut(content, writer);
        QPainter painter;
        if (!painter.begin(&writer)) {
            written.error = QStringLiteral("The PDF file cannot be started.");
            return written;
        }
        test_report::Paint(painter, writer, layout, content, chart);
        painter.end();
        written.pages = int(layout.pages.size());
    }
    // A write that failed on the way (a full disk) keeps its reason; the old file stays.
    if (file.device().error() != QFileDevice::NoError) {
        written.error = file.device().errorString();
    } else if (!file.commit()) {
        written.error = file.error();
    }
    if (!written.error.isEmpty()) written.pages = 0;
    return written;
}

}  // namespace reports
