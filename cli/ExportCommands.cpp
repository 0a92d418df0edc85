#include "cli/ExportCommands.h"
#include "analysis/OpenTest.h"
#include "autoexport/AutoExporter.h"
#include "autoexport/ui/GuiChartPicture.h"
#include "cli/Commands.h"
#include "common/Settings.h"
#include "store/clsConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace cli {

const char* const kAutoExportHelp =
    "Usage: r7716-cli autoexport [--] NAME\n"
    "\n"
    "Writes the files that \"autoexport.txt\" asks for when a run ends, for the stored test NAME, now: the\n"
    "same files in the same folder as at the end of its run (\"<folder>/<name>/...\"). Prints the path of\n"
    "every file written; a file that cannot be written is named on standard error.\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when autoexport.txt asks for nothing or a file\n"
    "cannot be written.\n";

namespace {

AutoExportSettings settingsBeside(const QString& initialPath, QTextStream& err) {
    const AutoExportSettings settings = AutoExportSettings::read(AutoExportSettings::pathBeside(initialPath));
    for (const QString& problem : settings.problems) err << kProgram << ": " << problem << '\n';
    err.flush();
    return settings;
}

}  // namespace

int autoExport(const Invocation& call) {
    const AutoExportSettings settings = settingsBeside(call.settings.path(), call.err);
    if (!settings.active())
        return failure(call.err,
                       QStringLiteral("%1 asks for no export (it needs a folder and formats).")
                           .arg(QDir::toNativeSeparators(settings.path)),
                       kUnitError);
    const autoexport::Outcome outcome =
        autoexport::ExportTest(call.database(), call.name(), settings,
                               settings.units.value_or(unitSystemOf(call)), autoexport::GuiChartPicture());
    if (!outcome.found) return failure(call.err, QString::fromLatin1(OpenTest::kNotFoundMessage), kNotFound);
    for (const QString& path : outcome.written) call.out << field(QDir::toNativeSeparators(path)) << '\n';
    call.out.flush();
    for (const QString& problem : outcome.notes + outcome.failures)
        call.err << kProgram << ": " << field(problem) << '\n';
    call.err.flush();
    return outcome.failures.isEmpty() ? kOk : kUnitError;
}

bool runNeedsWindowSystem(const Options&) {
    const AutoExportSettings settings = AutoExportSettings::read(
        QDir::current().absoluteFilePath(QString::fromLatin1(AutoExportSettings::kFileName)));
    return settings.active() && settings.wants(ExportFormat::TestReport);
}

std::unique_ptr<AutoExporter> runExporter(const Invocation& call, EventSink* next) {
    const AutoExportSettings settings = settingsBeside(call.settings.path(), call.err);
    if (!settings.active()) return nullptr;
    return std::make_unique<AutoExporter>(settings, call.database().location(), unitSystemOf(call),
                                          QFileInfo(call.settings.path()).absolutePath(), next,
                                          autoexport::GuiChartPicture());
}

void finishExports(const Invocation& call, AutoExporter* exporter, int wait_ms) {
    if (!exporter) return;
    if (!exporter->waitUntilDone(wait_ms)) {
        call.err << kProgram << ": the automatic exports of the run did not finish in time; see \""
                 << DiagnosticLog::kFileName << "\".\n";
    } else if (exporter->failedExports() > 0) {
        call.err << kProgram << ": some automatic exports of the run could not be written; see \""
                 << DiagnosticLog::kFileName << "\".\n";
    }
    call.err.flush();
}

}  // namespace cli
