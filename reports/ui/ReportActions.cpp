#include "reports/ui/ReportActions.h"

#include "analysis/ChosenRates.h"
#include "analysis/OpenTest.h"
#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "lims/TestRecord.h"
#include "reports/BriefReport.h"
#include "reports/DetailReport.h"
#include "reports/HalliburtonFile.h"
#include "reports/PagedText.h"
#include "reports/ReportCommon.h"
#include "reports/TestFiles.h"
#include "reports/WorkbookFile.h"
#include "reports/ui/TestReportMaker.h"
#include "store/StoreError.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>

namespace {

constexpr const char* kNoTestNote = "No test is open: open a saved test first.";
constexpr const char* kBriefCaption = "Save Brief Report";
// Not "<test name>.txt": that is the Halliburton file's name, which its button overwrites without asking.
constexpr const char* kBriefNameEnd = " brief.txt";
constexpr const char* kBriefSaved = "Brief report saved: %1";
constexpr const char* kBriefPrinted = "Brief report printed: %1 %2.";
constexpr const char* kPrinterFailed = "The printer could not print the brief report.";
constexpr const char* kWorkbookCaption = "Save Workbook";
constexpr const char* kWorkbookFilter = "Excel Workbook (*.xlsx)";
constexpr const char* kWorkbookFailed = "The workbook could not be written:\r\n%1\r\n%2";
constexpr const char* kWorkbookSaved = "Workbook saved: %1";
constexpr const char* kWorkbookNotOpened =
    "The workbook was saved as\r\n%1\r\nNo spreadsheet program could be started to open it.";
constexpr const char* kHalliburtonWritten = "Halliburton file written: %1";
constexpr const char* kHalliburtonRenamed =
    "The test name cannot be used as a file name as it stands.\r\nThe Halliburton file was written as\r\n%1";
constexpr const char* kHalliburtonFailed = "The Halliburton file could not be written:\r\n%1\r\n%2";
constexpr const char* kDetailReadFailed = "The detail report could not be read.\r\nError #: %1\r\n%2";
constexpr const char* kDrawingPages = "Drawing the pages of the detail report...";
constexpr const char* kStopDrawing = "Stop";
constexpr int kProgressDelay_ms = 700;
constexpr double kPreviewShare = 0.9;
constexpr const char* kTestNoLongerStored = "The open test is no longer stored.";
constexpr const char* kCsvCaption = "Export CSV";
constexpr const char* kCsvFilter = "CSV Files (*.csv)";
constexpr const char* kCsvFailed = "The CSV file could not be written:\r\n%1\r\n%2";
constexpr const char* kCsvWritten = "Readings exported: %1";
constexpr const char* kJsonCaption = "Export JSON";
constexpr const char* kJsonFilter = "JSON Files (*.json)";
constexpr const char* kJsonReadFailed = "The test record could not be read.\r\nError #: %1\r\n%2";
constexpr const char* kJsonFailed = "The test record could not be written:\r\n%1\r\n%2";
constexpr const char* kJsonWritten = "Test record exported: %1";
constexpr const char* kTestReportCaption = "Save Test Report";
constexpr const char* kTestReportNameEnd = " report.pdf";
constexpr const char* kPdfFilter = "PDF Files (*.pdf)";
constexpr const char* kTestReportFailed = "The test report could not be written:\r\n%1\r\n%2";
constexpr const char* kTestReportReadFailed = "The test report could not be read.\r\nError #: %1\r\n%2";
constexpr const char* kTestReportSaved = "Test report saved: %1 (%2 pages)";
constexpr const char* kTestReportProblems = "The test report was made without these settings:\r\n%1";

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

// The wait cursor while a long export runs; the default one again however it ends.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool testIsOpen(const OpenedTest& test) {
    return test.isOpen() && test.testId > 0;
}

void note(const ReportActions::StatusSink& status, const QString& text) {
    if (status) status(text);
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

ReportActions::ReportActions() {
    saveFileName = [](QWidget* parent, const QString& caption, const QString& suggestedPath,
                      const QString& filter, const QString& selectedFilter) {
        QString selected = selectedFilter;
        return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter, &selected);
    };
    printDialog = [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    printPreview = [](QPrinter& printer, QWidget* parent, const std::function<void(QPrinter*)>& paint) {
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.setWindowTitle(qs(reports::kDetailReportTitle));
        // Large enough to read a page: most of the main window, or of the screen without one.
        if (const QWidget* over = parent ? parent->window() : nullptr)
            dialog.resize(over->size() * kPreviewShare);
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            dialog.resize(screen->availableSize() * kPreviewShare);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
        dialog.exec();
    };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString ReportActions::chooseFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                                  const QString& filter, const QString& selectedFilter,
                                  const QString& suffix) {
    const QString folder = lastFolder_.isEmpty() ? QDir::currentPath() : lastFolder_;
    QString path =
        saveFileName(parent, caption, QDir(folder).filePath(suggestedName), filter, selectedFilter);
    if (path.isEmpty()) return {};
    if (!suffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += u'.' + suffix;
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

void ReportActions::briefSave(QWidget* parent, Messenger& messenger, clsConnection&, const OpenedTest& test,
                              const StatusSink& status) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    const QString path =
        chooseFile(parent, qs(kBriefCaption), reports::SafeFileName(test.name) + qs(kBriefNameEnd),
                   qs(kBriefFilter), qs(kBriefSelectedFilter), {});
    if (path.isEmpty()) {
        messenger.info(qs(kCancelSelected));
        return;
    }
    const reports::BriefReport report =
        reports::BuildBriefReport(reports::ReportTables::of(test), reports::BriefVariant::SavedFile, locale);
    const QString error = reports::WriteWholeFile(path, reports::BriefReportBytes(report.lines));
    if (!error.isEmpty()) {
        messenger.info(error, {}, MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kBriefSaved).arg(native(path)));
}

void ReportActions::briefPrint(QWidget* parent, Messenger& messenger, clsConnection&, const OpenedTest& test,
                               const StatusSink& status) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(test.name);
    if (!printDialog(printer, parent)) {
        messenger.info(qs(kCancelSelected));
        return;
    }
    const reports::BriefReport report =
        reports::BuildBriefReport(reports::ReportTables::of(test), reports::BriefVariant::Printed, locale);
    const int copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    // Each copy is its own print job. A PDF file cannot hold several jobs (each would replace the one
    // before), so there the copies follow one another in one document, each from a new page.
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const int jobs = toFile ? 1 : copies;
    const int copiesPerJob = toFile ? copies : 1;
    for (int job = 0; job < jobs; ++job) {
        QPainter painter;
        if (!painter.begin(&printer)) {
            messenger.info(qs(kPrinterFailed), {}, MsgIcon::Exclamation);
            return;
        }
        for (int copy = 0; copy < copiesPerJob; ++copy) {
            if (copy > 0) printer.newPage();
            reports::PrintTextLines(painter, printer, report.lines, report.pageBreaksAfter,
                                    report.tableWidth);
        }
        if (!painter.end()) {
            messenger.info(qs(kPrinterFailed), {}, MsgIcon::Exclamation);
            return;
        }
    }
    note(status, qs(kBriefPrinted)
                     .arg(vb::Format(copies, QStringLiteral("0")),
                          copies == 1 ? QStringLiteral("copy") : QStringLiteral("copies")));
}

void ReportActions::briefExcel(QWidget* parent, Messenger& messenger, clsConnection&, const OpenedTest& test,
                               const StatusSink& status) {
    workbook(false, parent, messenger, test, status);
}

void ReportActions::detailExcel(QWidget* parent, Messenger& messenger, clsConnection&, const OpenedTest& test,
                                const StatusSink& status) {
    workbook(true, parent, messenger, test, status);
}

void ReportActions::workbook(bool detail, QWidget* parent, Messenger& messenger, const OpenedTest& test,
                             const StatusSink& status) {
    if (!testIsOpen(test)) {
        note(status, qs(kNoTestNote));
        return;
    }
    const QString path =
        chooseFile(parent, qs(kWorkbookCaption), reports::SafeFileName(test.name) + QStringLiteral(".xlsx"),
                   qs(kWorkbookFilter), qs(kWorkbookFilter), QStringLiteral("xlsx"));
    if (path.isEmpty()) return;
    QString error;
    {
        const WaitCursor wait;
        error = reports::WriteWorkbookFile(
            path, detail ? reports::WorkbookKind::Detail : reports::WorkbookKind::Brief,
            reports::ReportTables::of(test), test.readings, locale);
    }
    if (!error.isEmpty()) {
        messenger.info(qs(kWorkbookFailed).arg(native(path), error), {}, MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kWorkbookSaved).arg(native(path)));
    if (!openUrl(QUrl::fromLocalFile(path))) messenger.info(qs(kWorkbookNotOpened).arg(native(path)));
}

void ReportActions::halliburton(QWidget*, Messenger& messenger, clsConnection&, const OpenedTest& test,
                                const StatusSink& status) {
    if (!test.isOpen() || test.name.isEmpty()) {
        note(status, qs(kNoTestNote));
        return;
    }
    reports::HalliburtonOutcome outcome;
    {
        const WaitCursor wait;
        const QDir folder(workingDirectory.isEmpty() ? QDir::currentPath() : workingDirectory);
        outcome = reports::WriteHalliburtonFile(
            folder, test.name, reports::ValueOf(test.testInfoRow, reports::TEST_TIME).toDateTime(),
            test.shearRateFactor, test.readings);
    }
    if (!outcome.error.isEmpty()) {
        messenger.info(qs(kHalliburtonFailed).arg(native(outcome.path), outcome.error), {},
                       MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kHalliburtonWritten).arg(native(outcome.path)));
    if (outcome.nameChanged) messenger.info(qs(kHalliburtonRenamed).arg(native(outcome.path)));
}

void ReportActions::detailReport(QWidget* parent, Messenger& messenger, clsConnection& connection,
                                 const OpenedTest& test, const StatusSink&) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    reports::DetailReportContent content;
    try {
        const WaitCursor wait;
        const detail_report_query::Result data = detail_report_query::Read(connection, test.testId);
        if (!data.found) {
            messenger.info(qs(kTestNoLongerStored));
            return;
        }
        content = reports::TestDetailReport(data, test, locale);
    } catch (const StoreError& error) {
        messenger.info(qs(kDetailReadFailed).arg(error.number()).arg(error.description()), {},
                       MsgIcon::Critical);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(content.title);
    reports::SetDetailReportPage(printer, locale);
    printPreview(printer, parent, [&content, parent](QPrinter* target) {
        QPainter painter;
        if (!painter.begin(target)) return;
        // A long test makes thousands of pages: the operator sees them being drawn and may stop.
        QProgressDialog progress(qs(kDrawingPages), qs(kStopDrawing), 0, 1, parent);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(kProgressDelay_ms);
        reports::PaintDetailReport(painter, *target, content, [&progress](int page, int pages) {
            progress.setMaximum(pages);
            progress.setValue(page);
            return !progress.wasCanceled();
        });
        painter.end();
    });
}

void ReportActions::exportCsv(QWidget* parent, Messenger& messenger, clsConnection&, const OpenedTest& test,
                              const StatusSink& status) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    const QString path =
        chooseFile(parent, qs(kCsvCaption), reports::SafeFileName(test.name) + QStringLiteral(".csv"),
                   qs(kCsvFilter), qs(kCsvFilter), QStringLiteral("csv"));
    if (path.isEmpty()) return;
    const QString error = reports::WriteWholeFile(path, reports::TestCsv(test));
    if (!error.isEmpty()) {
        messenger.info(qs(kCsvFailed).arg(native(path), error), {}, MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kCsvWritten).arg(native(path)));
}

void ReportActions::exportJson(QWidget* parent, Messenger& messenger, clsConnection& connection,
                               const OpenedTest& test, const StatusSink& status) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    const QString path =
        chooseFile(parent, qs(kJsonCaption), reports::SafeFileName(test.name) + QStringLiteral(".json"),
                   qs(kJsonFilter), qs(kJsonFilter), QStringLiteral("json"));
    if (path.isEmpty()) return;
    // The rates of rates.txt; a bad line of it is named when the extended results open, and left out here.
    const ChosenRates chosen = ChosenRates::read();
    QString error;
    try {
        const WaitCursor wait;
        error = reports::WriteWholeFile(path, lims::TestRecordJson(connection, test, chosen.rates));
    } catch (const StoreError& failure) {
        messenger.info(qs(kJsonReadFailed).arg(failure.number()).arg(failure.description()), {},
                       MsgIcon::Critical);
        return;
    }
    if (!error.isEmpty()) {
        messenger.info(qs(kJsonFailed).arg(native(path), error), {}, MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kJsonWritten).arg(native(path)));
}

void ReportActions::testReport(QWidget* parent, Messenger& messenger, clsConnection& connection,
                               const OpenedTest& test, const StatusSink& status) {
    if (!testIsOpen(test)) {
        messenger.info(qs(reports::kNoTestMessage));
        return;
    }
    const QString path =
        chooseFile(parent, qs(kTestReportCaption), reports::SafeFileName(test.name) + qs(kTestReportNameEnd),
                   qs(kPdfFilter), qs(kPdfFilter), QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    reports::TestReportOutcome outcome;
    try {
        const WaitCursor wait;
        reports::TestReportRequest request;
        request.path = path;
        request.unitSystem = test.results.unitSystem;
        request.settingsPath = settingsPath;
        request.locale = locale;
        outcome = reports::MakeTestReport(connection, test, request, messenger);
    } catch (const StoreError& error) {
        messenger.info(qs(kTestReportReadFailed).arg(error.number()).arg(error.description()), {},
                       MsgIcon::Critical);
        return;
    }
    if (!outcome.error.isEmpty()) {
        messenger.info(qs(kTestReportFailed).arg(native(path), outcome.error), {}, MsgIcon::Exclamation);
        return;
    }
    note(status, qs(kTestReportSaved).arg(native(path), vb::Format(outcome.pages, QStringLiteral("0"))));
    if (!outcome.problems.isEmpty())
        messenger.info(qs(kTestReportProblems).arg(outcome.problems.join(QStringLiteral("\r\n"))), {},
                       MsgIcon::Exclamation);
}
