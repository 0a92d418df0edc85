#pragma once

#include <QLocale>
#include <QString>
#include <QUrl>

#include <functional>

class Messenger;
class QPrinter;
class QWidget;
class clsConnection;
struct OpenedTest;

// The report and export buttons of the main window, each doing its whole job on the open test: the file
// or printer dialog, writing or printing, and telling the operator how it went. The dialogs are reached
// through the seams below, so that a test can name the file or the printer without a display.
class ReportActions {
  public:
    // Short notes for the status bar (a file written, a report printed).
    using StatusSink = std::function<void(const QString&)>;

    // Texts of the program, as shown.
    static constexpr const char* kCancelSelected = "Cancel was selected.";
    static constexpr const char* kBriefFilter = "All Files (*.*);;Text Files(*.txt)";
    static constexpr const char* kBriefSelectedFilter = "Text Files(*.txt)";

    ReportActions();

    // "Brief Save" (cmdBriefPrint): the brief report to a text file the operator chooses.
    void briefSave(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                   const StatusSink& status);
    // "Brief Print" (cmdReport), the File menu's "Re&port..." (MenuFileReport) and the Reports menu's
    // "Breif Report" (MenuBriefReport): the brief report on a printer or PDF file chosen in the print
    // dialog, each copy its own print job.
    void briefPrint(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                    const StatusSink& status);
    // "Brief Excel" (cmdExportExcel) and "Detail Excel" (cmdExcelDetail): the workbook saved where the
    // operator chooses, then opened with the desktop's spreadsheet program.
    void briefExcel(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                    const StatusSink& status);
    void detailExcel(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                     const StatusSink& status);
    // "Halliburton Report" (cmdHalliburton): the Halliburton file in the working directory.
    void halliburton(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                     const StatusSink& status);
    // "Detail Report" (MenuReportDetail, cmdDetailReport): the detail data report, read afresh from the
    // database, in a print preview that prints it or saves it as PDF.
    void detailReport(QWidget* parent, Messenger& messenger, clsConnection& connection,
                      const OpenedTest& test, const StatusSink& status);
    // "Test Report..." (Reports menu): the test report labs send (lab header, data, chart, results,
    // criteria, exclusions, the unit's calibration) as a PDF file the operator chooses.
    void testReport(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                    const StatusSink& status);
    // "Export CSV" (Reports menu): the readings of the open test to a CSV file the operator chooses.
    void exportCsv(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                   const StatusSink& status);
    // "Export JSON…" (Reports menu): the record of the open test for a lab's information system, a JSON
    // document, to a file the operator chooses.
    void exportJson(QWidget* parent, Messenger& messenger, clsConnection& connection, const OpenedTest& test,
                    const StatusSink& status);

    // Seams. The save dialog: the file chosen, empty when cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedPath,
                          const QString& filter, const QString& selectedFilter)>
        saveFileName;
    // The print dialog on the printer: true when the operator prints.
    std::function<bool(QPrinter& printer, QWidget* parent)> printDialog;
    // The print preview of the detail report: shows `paint`'s pages on the printer until the operator
    // closes it (printing or saving a PDF from there).
    std::function<void(QPrinter& printer, QWidget* parent, const std::function<void(QPrinter*)>& paint)>
        printPreview;
    // Hands a file to the desktop's program for it; false when none could be started.
    std::function<bool(const QUrl& url)> openUrl;

    // The settings file ("initial.txt"): the test report reads lab.txt and rates.txt beside it.
    QString settingsPath = QStringLiteral("initial.txt");
    // The working directory of the Halliburton file; the current directory by default.
    QString workingDirectory;
    // The date form and decimal separator of the reports.
    QLocale locale = QLocale::system();

  private:
    void workbook(bool detail, QWidget* parent, Messenger& messenger, const OpenedTest& test,
                  const StatusSink& status);
    // The file chosen in the save dialog with the suffix added when the operator typed none; empty when
    // cancelled. Remembers its folder for the next dialog.
    QString chooseFile(QWidget* parent, const QString& caption, const QString& suggestedName,
                       const QString& filter, const QString& selectedFilter, const QString& suffix);

    QString lastFolder_;
};
