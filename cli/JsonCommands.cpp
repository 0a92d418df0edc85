#include "cli/JsonCommands.h"

#include "analysis/ChosenRates.h"
#include "analysis/OpenTest.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "lims/TestRecord.h"
#include "lims/TestRecordImport.h"
#include "reports/ReportCommon.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace cli::json_commands {

const char* const kJsonHelp =
    "Usage: r7716-cli json [--out FILE] [--] NAME\n"
    "\n"
    "Writes the record of the test NAME for a lab's information system (LIMS): one JSON document with\n"
    "its information, additives, every reading in stored units, every ramp under the power law, Bingham\n"
    "and Herschel-Bulkley (viscosities at 40, 100, 170 1/s and the rates of \"rates.txt\"), its\n"
    "acceptance criteria with what came of them, its excluded readings and its record of changes. Times\n"
    "are ISO 8601 with this station's UTC offset; a number that is not finite is null. The document\n"
    "follows the JSON Schema lims/schema/r7716-test.schema.json. To standard output, or with --out to\n"
    "FILE, written whole (the file there before stays as it was when the new one cannot be written).\n"
    "\n"
    "Exit status 2 when no test of that name is stored, 1 when FILE cannot be written or the database\n"
    "fails, 64 for a wrong command line.\n";

const char* const kImportJsonHelp =
    "Usage: r7716-cli import-json [--name NEW_NAME] [--] FILE\n"
    "\n"
    "Stores the test record FILE (a document that r7716-cli json or Reports > Export JSON wrote, here or\n"
    "in another lab) as a new test: its information, additives and readings as the document holds them,\n"
    "its excluded readings, criteria and record of changes, and a row in that record saying it was\n"
    "imported, all in one transaction. The fits in the document are not taken: they are made again from\n"
    "the readings when the test is opened. --name stores it under another name.\n"
    "\n"
    "The document is checked first: it must be JSON, follow the schema (the message names the paths of\n"
    "its first faults, e.g. /readings/3/time_s), name only readings it holds in its exclusions, and give\n"
    "criteria that can be judged. A file larger than 64 MiB is refused unread.\n"
    "\n"
    "Exit status 0 when stored, 1 when refused (the file cannot be read, is too large or is no test\n"
    "record; the name is stored already in any letter case, or holds a control character) or the\n"
    "database fails, 64 for a wrong command line.\n";

namespace {

constexpr const char* kStored =
    "stored test \"%1\": %2 readings, %3 additives, %4 excluded readings, %5 criteria";
constexpr const char* kOtherName = "Give it another name with --name NEW_NAME.";

}  // namespace

int json(const Invocation& call) {
    const QString outFile = call.options.value("--out");
    if (call.options.has("--out") && outFile.isEmpty())
        return failure(call.err, QStringLiteral("--out needs a FILE."), kUsage);
    const ChosenRates chosen = ChosenRates::read();
    for (const QString& problem : chosen.problems) call.err << kProgram << ": " << problem << '\n';
    call.err.flush();

    const std::optional<QByteArray> document =
        lims::StoredTestRecordJson(call.database(), call.name(), chosen.rates);
    if (!document) {
        call.err << OpenTest::kNotFoundMessage << '\n';
        call.err.flush();
        return kNotFound;
    }
    if (outFile.isEmpty()) {
        call.out << QString::fromUtf8(*document);
        call.out.flush();
        return kOk;
    }
    const QString error = reports::WriteWholeFile(outFile, *document);
    if (!error.isEmpty())
        return failure(call.err, QDir::toNativeSeparators(outFile) + QStringLiteral(": ") + error,
                       kDatabaseError);
    return kOk;
}

int importJson(const Invocation& call) {
    if (call.options.has("--name") && call.options.value("--name").isEmpty())
        return failure(call.err, QStringLiteral("--name needs a NEW_NAME."), kUsage);
    const QString path = call.name();
    lims::ImportResult result;
    const QByteArray bytes = lims::ReadRecordFile(path, result);
    if (result.stored())
        result = lims::ImportTestRecord(call.database(), bytes, call.options.value("--name"),
                                        QFileInfo(path).absoluteFilePath());
    if (!result.stored()) {
        QString problem = result.problem;
        if (result.outcome == lims::ImportResult::Outcome::NameTaken)
            problem += u' ' + QString::fromUtf8(kOtherName);
        return failure(call.err, field(problem), kDatabaseError);
    }
    call.out << QString::fromUtf8(kStored)
                    .arg(field(result.name))
                    .arg(result.readings)
                    .arg(result.additives)
                    .arg(result.exclusions)
                    .arg(result.criteria)
             << '\n';
    call.out.flush();
    return kOk;
}

}  // namespace cli::json_commands
