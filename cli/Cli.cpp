#include "cli/Cli.h"

#include "analysis/OpenTest.h"
#include "cli/DemoTests.h"
#include "cli/StreamMessenger.h"
#include "common/VbFormat.h"
#include "sequence/InitialSettings.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QTextStream>

#include <functional>

namespace cli {

namespace {

constexpr const char* kProgram = "r7716-cli";
constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss";

const char* const kToolHelp =
    "Usage: r7716-cli <command> [<arguments>]\n"
    "       r7716-cli --help\n"
    "       r7716-cli <command> --help\n"
    "\n"
    "Works on the database \"R7716.mdb\" and the settings file \"initial.txt\" of the current directory,\n"
    "as the program does: a missing database is created with its tables.\n"
    "\n"
    "Commands:\n"
    "  tests          list the stored tests, newest first\n"
    "  results NAME   print the results table of the test NAME as the main window shows it\n"
    "  init-demo      store the demonstration sequences and tests that are not stored yet\n"
    "\n"
    "Exit status: 0 done, 1 database error, 2 test not found, 64 wrong command line.\n";

const char* const kTestsHelp =
    "Usage: r7716-cli tests\n"
    "\n"
    "Lists the stored tests, newest first, one line per test: name, test time (YYYY-MM-DD HH:MM:SS,\n"
    "empty when the test has none) and researcher, separated by tabs. A tab or line break inside a value\n"
    "is written as a blank.\n";

const char* const kResultsHelp =
    "Usage: r7716-cli results [--] NAME\n"
    "\n"
    "Opens the test NAME (the exact stored name, letter case included) and prints its results table as\n"
    "the main window holds it, in the unit system of line 9 of \"initial.txt\" (CGS when the file is\n"
    "missing): the twelve header cells, then - when any ramp has a result - one line per ramp from ramp 1\n"
    "to the last ramp of the test, empty cells for a ramp without result. Cells are separated by tabs;\n"
    "a line break inside a header cell is written as a blank. Use -- before a NAME that begins with a\n"
    "dash.\n"
    "\n"
    "Exit status 2 when no test of that name is stored.\n";

const char* const kInitDemoHelp =
    "Usage: r7716-cli init-demo\n"
    "\n"
    "Stores the demonstration sequences and the demonstration tests in the database of the current\n"
    "directory, creating the database when it is missing. Each test is a run of its sequence on a\n"
    "simulated fluid, generated the same way every time. What is stored already is left alone, so the\n"
    "command can be run again safely.\n";

bool isHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

// One line per value: a tab or line break inside a value would split the line.
QString field(QString value) {
    for (QChar& c : value)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    return value;
}

int usageError(QTextStream& err, const QString& problem, const QString& command = {}) {
    err << kProgram << ": " << problem << '\n'
        << "Run '" << kProgram << (command.isEmpty() ? QString() : QStringLiteral(" ") + command)
        << " --help' for usage.\n";
    err.flush();
    return kUsage;
}

int databaseError(QTextStream& err, const StoreError& error) {
    err << kProgram << ": database error " << vb::Format(error.number(), QStringLiteral("0")) << ": "
        << error.description() << '\n';
    err.flush();
    return kDatabaseError;
}

// Opens the database of the current directory; messages of the connection go to err. On failure the
// connection's error has been written and the status is returned.
int openDatabase(clsConnection& connection, StreamMessenger& messenger, QTextStream& err) {
    connection.OpenDB();
    if (connection.IsOpen()) return kOk;
    // The connection shows an error it raised itself; an open that merely did not take is only stored.
    if (messenger.lastText() != connection.LastError()) {
        err << connection.LastError() << '\n';
        err.flush();
    }
    return kDatabaseError;
}

int unitSystemOf(QTextStream& err) {
    const InitialSettings::ReadResult read = InitialSettings::read();
    if (read.status == InitialSettings::ReadStatus::FileMissing) return InitialSettings::kCGS;
    if (!read.hasUnitSystem() || !InitialSettings::isUnitSystem(read.settings.unitSystem)) {
        const QString problem = read.hasUnitSystem()
                                    ? QStringLiteral("\"%1\" gives %2 as the unit system.")
                                          .arg(QString::fromLatin1(InitialSettings::kFileName),
                                               vb::Format(read.settings.unitSystem, QStringLiteral("0")))
                                    : read.problem();
        err << kProgram << ": " << problem << " Results are shown in CGS units.\n";
        err.flush();
        return InitialSettings::kCGS;
    }
    return read.settings.unitSystem;
}

int tests(QTextStream& out, clsConnection& connection) {
    clsTEST_INFO info;
    info.ConnectX(connection);
    const RecordTable list = info.UsedName();
    const int name = list.columnIndex(QStringLiteral("TEST_NAME"));
    const int time = list.columnIndex(QStringLiteral("TEST_TIME"));
    const int researcher = list.columnIndex(QStringLiteral("RESEARCHER_NAME"));
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant when = list.value(time, row);
        out << field(list.value(name, row).toString()) << '\t'
            << (when.isNull() ? QString() : when.toDateTime().toString(QString::fromLatin1(kTimeFormat)))
            << '\t' << field(list.value(researcher, row).toString()) << '\n';
    }
    return kOk;
}

int results(const QString& name, QTextStream& out, QTextStream& err, clsConnection& connection) {
    const int unitSystem = unitSystemOf(err);
    const OpenedTest test = OpenStoredTest(connection, name, ChartDataOption::All, unitSystem);
    if (!test.isOpen()) {
        err << OpenTest::kNotFoundMessage << '\n';
        err.flush();
        return kNotFound;
    }
    QStringList header = test.results.header;
    for (QString& cell : header) cell.replace(u'\r', u' ');
    out << header.join(u'\t') << '\n';
    const QStringList emptyRow(header.size(), QString());
    for (const QStringList& row : test.results.rows)
        out << (row.isEmpty() ? emptyRow : row).join(u'\t') << '\n';
    if (test.results.fitsBeyondTable > 0) {
        err << kProgram << ": " << vb::Format(test.results.fitsBeyondTable, QStringLiteral("0"))
            << " ramp result(s) with a ramp number above "
            << vb::Format(OpenTest::kMaxResultRamps, QStringLiteral("0")) << " are not shown.\n";
        err.flush();
    }
    return kOk;
}

int initDemo(QTextStream& out, clsConnection& connection) {
    for (const DemoTestOutcome& outcome : createDemoTests(connection)) {
        if (outcome.created)
            out << "Stored demo test \"" << outcome.name << "\" with "
                << vb::Format(outcome.readings, QStringLiteral("0")) << " readings.\n";
        else
            out << "Demo test \"" << outcome.name << "\" is stored already; left as it is.\n";
    }
    return kOk;
}

}  // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.isEmpty()) return usageError(err, QStringLiteral("no command given."));
    const QString command = arguments.first();
    if (isHelp(command)) {
        out << kToolHelp;
        return kOk;
    }

    // The command's arguments; "--" ends the options, so a test name may begin with a dash.
    QStringList operands;
    bool optionsEnded = false;
    bool help = false;
    for (const QString& argument : arguments.mid(1)) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && isHelp(argument)) {
            help = true;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            return usageError(err, QStringLiteral("unknown option '%1'.").arg(argument), command);
        } else {
            operands.append(argument);
        }
    }

    std::function<int(clsConnection&)> work;
    if (command == QLatin1String("tests")) {
        if (help) {
            out << kTestsHelp;
            return kOk;
        }
        if (!operands.isEmpty()) return usageError(err, QStringLiteral("tests takes no argument."), command);
        work = [&](clsConnection& c) { return tests(out, c); };
    } else if (command == QLatin1String("results")) {
        if (help) {
            out << kResultsHelp;
            return kOk;
        }
        if (operands.size() != 1 || operands.first().isEmpty())
            return usageError(err, QStringLiteral("results takes one test name."), command);
        work = [&](clsConnection& c) { return results(operands.first(), out, err, c); };
    } else if (command == QLatin1String("init-demo")) {
        if (help) {
            out << kInitDemoHelp;
            return kOk;
        }
        if (!operands.isEmpty())
            return usageError(err, QStringLiteral("init-demo takes no argument."), command);
        work = [&](clsConnection& c) { return initDemo(out, c); };
    } else {
        return usageError(err, QStringLiteral("unknown command '%1'.").arg(command));
    }

    StreamMessenger messenger(err);
    clsConnection connection(&messenger);
    if (const int status = openDatabase(connection, messenger, err); status != kOk) return status;
    try {
        const int status = work(connection);
        out.flush();
        return status;
    } catch (const StoreError& error) {
        out.flush();
        return databaseError(err, error);
    }
}

}  // namespace cli
