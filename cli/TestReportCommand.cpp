#include "cli/TestReportCommand.h"

#include "analysis/OpenTest.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/ReportCommands.h"
#include "cli/StreamMessenger.h"
#include "common/Settings.h"
#include "reports/ui/TestReportMaker.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace cli {

const char* const kTestReportHelp =
    "Usage: r7716-cli report --out FILE.pdf [--units cgs|ei|si] [--models] [--] NAME\n"
    "\n"
    "Writes the test report of the test NAME as the main window's Reports > \"Test Report...\" does: a PDF\n"
    "on A4 or Letter with the lab's name, address and logo (\"lab.txt\" beside \"initial.txt\"), the\n"
    "test's data and additives, the \"Visc, Temp Vs Time\" chart, the results table, the acceptance\n"
    "criteria, the readings excluded from the fits and the calibration of the unit that recorded the test.\n"
    "\n"
    "  --out FILE.pdf  the file to write (replaced only once the new one is written whole)\n"
    "  --units U       the unit system of the results: cgs, ei or si (default: that of \"initial.txt\")\n"
    "  --models        add the Bingham and Herschel-Bulkley tables (also when lab.txt says \"models yes\"),\n"
    "                  with the chosen shear rates of \"rates.txt\"\n"
    "\n"
    "Prints the file's name. Lines of lab.txt or rates.txt that are left out, and a logo that cannot be\n"
    "read, are named on standard error; the report is made without them. Without a display the pages are\n"
    "drawn offscreen.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when the file cannot be written, 64 for a wrong\n"
    "command line.\n";

bool testReportNeedsWindowSystem(const Options&) {
    return true;
}

int testReport(const Invocation& call) {
    QTextStream& err = call.err;
    const QString path = call.options.value("--out");
    if (path.isEmpty())
        return failure(err,
                       QStringLiteral("report needs --out FILE.pdf.\nRun '%1 report --help' for usage.")
                           .arg(QLatin1String(kProgram)),
                       kUsage);
    UnitSystem unitSystem = UnitSystem::CGS;
    if (call.options.has("--units")) {
        const std::optional<UnitSystem> chosen = unitSystemFromName(call.options.value("--units"));
        if (!chosen)
            return failure(
                err, QStringLiteral("--units is cgs, ei or si, not '%1'.").arg(call.options.value("--units")),
                kUsage);
        unitSystem = *chosen;
    } else {
        unitSystem = unitSystemOf(call);
    }
    const OpenedTest test = OpenStoredTest(call.database(), call.name(), ChartDataOption::All, unitSystem);
    if (!test.isOpen()) return failure(err, QString::fromUtf8(OpenTest::kNotFoundMessage), kNotFound);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return failure(err, QStringLiteral("the report's chart cannot be drawn without the window system."),
                       report_commands::kWriteError);

    StreamMessenger messenger(err);
    reports::TestReportRequest request;
    request.path = path;
    request.unitSystem = unitSystem;
    if (call.options.has("--models")) request.models = true;
    request.settingsPath = call.settings.path();
    const reports::TestReportOutcome outcome =
        reports::MakeTestReport(call.database(), test, request, messenger);
    for (const QString& problem : outcome.problems) err << kProgram << ": " << problem << '\n';
    err.flush();
    if (!outcome.error.isEmpty())
        return failure(err, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), outcome.error),
                       report_commands::kWriteError);
    call.out << QDir::toNativeSeparators(path) << '\n';
    return kOk;
}

}  // namespace cli
