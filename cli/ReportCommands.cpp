#include "cli/ReportCommands.h"

#include "analysis/OpenTest.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "reports/BriefReport.h"
#include "reports/DetailReport.h"
#include "reports/HalliburtonFile.h"
#include "reports/ReportCommon.h"
#include "reports/TestFiles.h"
#include "reports/WorkbookFile.h"
#include "store/DetailReportQuery.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

namespace cli::report_commands {

const char* const kBriefHelp =
    "Usage: r7716-cli brief [--printed] [--out FILE] [--] NAME\n"
    "\n"
    "Writes the brief report of the test NAME, as \"Brief Save\" writes it (each line ending in CR LF), to\n"
    "FILE or to standard output. With --printed, the lines of the printed report (\"Brief Print\") instead.\n"
    "The results are those of the results table in the unit system of \"initial.txt\".\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when FILE cannot be written.\n";

const char* const kExcelHelp =
    "Usage: r7716-cli excel --out FILE.xlsx [--detail] [--] NAME\n"
    "\n"
    "Writes the brief workbook of the test NAME (\"Brief Excel\"), or with --detail the detail workbook\n"
    "(\"Detail Excel\": every reading too), to FILE.xlsx.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when the workbook cannot be written.\n";

const char* const kHalliburtonHelp =
    "Usage: r7716-cli halliburton [--] NAME\n"
    "\n"
    "Writes the Halliburton file of the test NAME in the current directory, as \"Halliburton Report\" does,\n"
    "and prints its name. A test name that cannot be a file name as it stands is made safe and gets\n"
    "\"~\" and eight hex digits of the whole name, so no two tests share a file; the file always lands\n"
    "in the current directory, and a symbolic link of its name is replaced, never followed.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when the file cannot be written.\n";

const char* const kDetailHelp =
    "Usage: r7716-cli detail --out FILE.pdf [--] NAME\n"
    "\n"
    "Writes the detail data report of the test NAME (\"Detail Report\") as a PDF file.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when the file cannot be written.\n";

const char* const kCsvHelp =
    "Usage: r7716-cli csv [--out FILE] [--] NAME\n"
    "\n"
    "Writes the readings of the test NAME as CSV (RFC 4180; \".\" as decimal separator) to FILE or to\n"
    "standard output: a header row, then one record per reading in time order with the columns of the\n"
    "detail workbook's readings.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when FILE cannot be written.\n";

namespace {

// The test as the main window opens it; nothing after the not-found message.
std::optional<OpenedTest> openTest(const QString& name, UnitSystem unitSystem, clsConnection& connection,
                                   QTextStream& err) {
    OpenedTest test = OpenStoredTest(connection, name, ChartDataOption::All, unitSystem);
    if (!test.isOpen()) {
        err << OpenTest::kNotFoundMessage << '\n';
        err.flush();
        return std::nullopt;
    }
    return test;
}

int writeFailed(QTextStream& err, const QString& path, const QString& problem) {
    err << kProgram << ": " << QDir::toNativeSeparators(path) << ": " << problem << '\n';
    err.flush();
    return kWriteError;
}

// Bytes to a file, or as text to standard output.
int deliver(const QByteArray& bytes, const QString& outFile, QTextStream& out, QTextStream& err) {
    if (outFile.isEmpty()) {
        out << QString::fromUtf8(bytes);
        out.flush();
        return kOk;
    }
    const QString error = reports::WriteWholeFile(outFile, bytes);
    return error.isEmpty() ? kOk : writeFailed(err, outFile, error);
}

int brief(const QString& name, bool printed, const QString& outFile, UnitSystem unitSystem,
          clsConnection& connection, QTextStream& out, QTextStream& err) {
    const std::optional<OpenedTest> test = openTest(name, unitSystem, connection, err);
    if (!test) return kNotFound;
    const reports::BriefReport report = reports::BuildBriefReport(
        reports::ReportTables::of(*test),
        printed ? reports::BriefVariant::Printed : reports::BriefVariant::SavedFile);
    return deliver(reports::BriefReportBytes(report.lines), outFile, out, err);
}

int excel(const QString& name, const QString& outFile, bool detail, UnitSystem unitSystem,
          clsConnection& connection, QTextStream& out, QTextStream& err) {
    const std::optional<OpenedTest> test = openTest(name, unitSystem, connection, err);
    if (!test) return kNotFound;
    const QString error = reports::WriteWorkbookFile(
        outFile, detail ? reports::WorkbookKind::Detail : reports::WorkbookKind::Brief,
        reports::ReportTables::of(*test), test->readings);
    if (!error.isEmpty()) return writeFailed(err, outFile, error);
    out << QDir::toNativeSeparators(outFile) << '\n';
    return kOk;
}

int halliburton(const QString& name, clsConnection& connection, QTextStream& out, QTextStream& err) {
    const std::optional<OpenedTest> test = openTest(name, UnitSystem::CGS, connection, err);
    if (!test) return kNotFound;
    const reports::HalliburtonOutcome outcome = reports::WriteHalliburtonFile(
        QDir::current(), test->name, reports::ValueOf(test->testInfoRow, reports::TEST_TIME).toDateTime(),
        test->shearRateFactor, test->readings);
    if (!outcome.error.isEmpty()) return writeFailed(err, outcome.path, outcome.error);
    if (outcome.nameChanged) {
        err << kProgram
            << ": the test name cannot be used as a file name as it stands; the file is named as below.\n";
        err.flush();
    }
    out << QDir::current().relativeFilePath(outcome.path) << '\n';
    return kOk;
}

int detail(const QString& name, const QString& outFile, UnitSystem unitSystem, clsConnection& connection,
           QTextStream& out, QTextStream& err) {
    const std::optional<OpenedTest> test = openTest(name, unitSystem, connection, err);
    if (!test) return kNotFound;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return writeFailed(err, outFile, QStringLiteral("the report's pages cannot be drawn without fonts."));
    const detail_report_query::Result data = detail_report_query::Read(connection, test->testId);
    if (!data.found) {
        err << OpenTest::kNotFoundMessage << '\n';
        err.flush();
        return kNotFound;
    }
    const QString error = reports::WriteDetailReportPdf(outFile, reports::TestDetailReport(data, *test));
    if (!error.isEmpty()) return writeFailed(err, outFile, error);
    out << QDir::toNativeSeparators(outFile) << '\n';
    return kOk;
}

int csv(const QString& name, const QString& outFile, clsConnection& connection, QTextStream& out,
        QTextStream& err) {
    const std::optional<OpenedTest> test = openTest(name, UnitSystem::CGS, connection, err);
    if (!test) return kNotFound;
    return deliver(reports::TestCsv(*test), outFile, out, err);
}

// A command that must write a file refuses to run without --out FILE.
int needsOut(const Invocation& call, const char* command) {
    if (!call.options.value("--out").isEmpty()) return kOk;
    call.err << kProgram << ": " << command << " needs --out FILE.\n"
             << "Run '" << kProgram << ' ' << command << " --help' for usage.\n";
    call.err.flush();
    return kUsage;
}

}  // namespace

int brief(const Invocation& call) {
    if (call.options.has("--out") && call.options.value("--out").isEmpty()) return needsOut(call, "brief");
    return brief(call.name(), call.options.has("--printed"), call.options.value("--out"), unitSystemOf(call),
                 call.database(), call.out, call.err);
}

int excel(const Invocation& call) {
    if (const int status = needsOut(call, "excel"); status != kOk) return status;
    return excel(call.name(), call.options.value("--out"), call.options.has("--detail"), unitSystemOf(call),
                 call.database(), call.out, call.err);
}

int halliburton(const Invocation& call) {
    return halliburton(call.name(), call.database(), call.out, call.err);
}

bool detailNeedsWindowSystem(const Options&) {
    return true;
}

int detail(const Invocation& call) {
    if (const int status = needsOut(call, "detail"); status != kOk) return status;
    return detail(call.name(), call.options.value("--out"), unitSystemOf(call), call.database(), call.out,
                  call.err);
}

int csv(const Invocation& call) {
    if (call.options.has("--out") && call.options.value("--out").isEmpty()) return needsOut(call, "csv");
    return csv(call.name(), call.options.value("--out"), call.database(), call.out, call.err);
}

}  // namespace cli::report_commands
