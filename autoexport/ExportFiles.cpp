#include "autoexport/ExportFiles.h"

#include "analysis/ChosenRates.h"
#include "analysis/OpenTest.h"
#include "common/InitialSettings.h"
#include "common/WholeFile.h"
#include "lims/TestRecord.h"
#include "reports/BriefReport.h"
#include "reports/HalliburtonFile.h"
#include "reports/ReadingsCsv.h"
#include "reports/ReportCommon.h"
#include "reports/TestReport.h"
#include "reports/WorkbookFile.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFileInfo>

namespace autoexport {

namespace {

// The base of every file name of a test: its Halliburton file's name without ".txt".
QString baseName(const QString& testName) {
    return reports::HalliburtonFileName(testName).fileName.chopped(4);
}

QString failure(const QString& path, const QString& reason) {
    return QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

// The test's folder, made when missing; its problem when it cannot be, or when its name is taken by
// something that is not a folder of its own (a link could lead the files elsewhere).
QString makeFolder(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink())
        return failure(path, QStringLiteral("is a symbolic link; nothing is written through it"));
    if (info.exists() && !info.isDir()) return failure(path, QStringLiteral("is not a folder"));
    if (!info.exists() && !QDir().mkpath(path))
        return failure(path, QStringLiteral("the folder cannot be made"));
    return {};
}

class Writer {
  public:
    Writer(const QString& folder, const QString& base, Outcome& outcome)
        : folder_(folder), base_(base), outcome_(outcome) {}

    QString path(const QString& suffix) const { return QDir(folder_).absoluteFilePath(base_ + suffix); }

    void bytes(const QString& suffix, const QByteArray& content) {
        const QString target = path(suffix);
        done(target, writeWholeFile(target, content, WholeFileWriter::Links::Replace));
    }
    // What the files were made without (a bad line of lab.txt): for the log, not a failure.
    void note(const QStringList& problems) { outcome_.notes << problems; }
    // A writer that writes its file whole itself; its reason when it failed.
    void done(const QString& target, const QString& reason) {
        if (reason.isEmpty())
            outcome_.written << target;
        else
            outcome_.failures << failure(target, reason);
    }

  private:
    QString folder_;
    QString base_;
    Outcome& outcome_;
};

// What every format is written with besides the test.
struct Context {
    clsConnection& connection;
    QString settingsFolder;  // of autoexport.txt, where rates.txt and lab.txt lie too
    UnitSystem units;
    const ChartPicture& chart;
};

void writeFormat(ExportFormat format, const OpenedTest& test, const Context& context, Writer& out);

}  // namespace

QString TestFolder(const QString& exportFolder, const QString& testName) {
    return QDir(exportFolder).absoluteFilePath(baseName(testName));
}

Outcome ExportTest(clsConnection& connection, const QString& testName, const AutoExportSettings& settings,
                   UnitSystem units, const ChartPicture& chart) {
    Outcome outcome;
    const OpenedTest test = OpenStoredTest(connection, testName, ChartDataOption::All, units);
    if (!test.isOpen()) return outcome;
    outcome.found = true;
    const QString folder = TestFolder(settings.folder, test.name);
    if (const QString problem = makeFolder(folder); !problem.isEmpty()) {
        outcome.failures << problem;
        return outcome;
    }
    Writer out(folder, baseName(test.name), outcome);
    const Context context{connection, QFileInfo(settings.path).absolutePath(), units, chart};
    for (ExportFormat format : settings.formats) {
        try {
            writeFormat(format, test, context, out);
        } catch (const std::exception& error) {
            // A database that failed while a format read more of the test: that format is not written.
            outcome.failures << QStringLiteral("%1: %2").arg(export_format::text(format),
                                                             StoreError::describe(error));
        }
    }
    return outcome;
}

namespace {

// The test report as the window's Test Report... makes it (lab.txt, the models as it says), in the
// exports' unit system. A report without its chart is not written: the file would not be the report.
void writeTestReport(const OpenedTest& test, const Context& context, Writer& out) {
    const QString target = out.path(QStringLiteral(".pdf"));
    const reports::TestReportSetup setup = reports::ReadTestReportSetup(
        QDir(context.settingsFolder).absoluteFilePath(QString::fromLatin1(InitialSettings::kFileName)),
        context.units, std::nullopt);
    out.note(setup.problems);
    QString problem;
    const QPicture chart = context.chart ? context.chart(test, context.units, &problem) : QPicture();
    if (chart.isNull()) {
        out.done(target, problem.isEmpty() ? QStringLiteral("the chart cannot be drawn here") : problem);
        return;
    }
    const reports::TestReportContent content =
        reports::GatherTestReport(context.connection, test, setup.lab, setup.options);
    out.done(target, reports::WriteTestReportPdf(target, content, chart).error);
}

void writeFormat(ExportFormat format, const OpenedTest& test, const Context& context, Writer& out) {
    switch (format) {
        case ExportFormat::TestReport:
            writeTestReport(test, context, out);
            break;
        case ExportFormat::Json: {
            // The rates of rates.txt beside the settings, as the extended results show them.
            const ChosenRates chosen = ChosenRates::read(
                QDir(context.settingsFolder).absoluteFilePath(QString::fromLatin1(ChosenRates::kFileName)));
            out.bytes(QStringLiteral(".json"), lims::TestRecordJson(context.connection, test, chosen.rates));
            break;
        }
        case ExportFormat::Csv:
            out.bytes(QStringLiteral(".csv"), reports::ReadingsCsv(test.readings, ExclusionReasons(test)));
            break;
        case ExportFormat::Brief:
            out.bytes(QStringLiteral("-brief.txt"),
                      reports::BriefReportBytes(reports::BuildBriefReport(reports::ReportTables::of(test),
                                                                          reports::BriefVariant::SavedFile)
                                                    .lines));
            break;
        case ExportFormat::Detail: {
            const QString target = out.path(QStringLiteral("-detail.xlsx"));
            out.done(target, reports::WriteWorkbookFile(target, reports::WorkbookKind::Detail,
                                                        reports::ReportTables::of(test), test.readings));
            break;
        }
        case ExportFormat::Halliburton: {
            const reports::HalliburtonOutcome written = reports::WriteHalliburtonFile(
                QDir(QFileInfo(out.path({})).absolutePath()), test.name,
                reports::ValueOf(test.testInfoRow, reports::TEST_TIME).toDateTime(), test.shearRateFactor,
                test.readings);
            out.done(written.path, written.error);
            break;
        }
    }
}

}  // namespace

}  // namespace autoexport
