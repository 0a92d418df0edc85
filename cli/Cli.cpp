#include "cli/Cli.h"

#include "analysis/OpenTest.h"
#include "cli/DemoTests.h"
#include "cli/ReportCommands.h"
#include "cli/StreamMessenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "instrument/SequenceDownload.h"
#include "instrument/SequenceSending.h"
#include "instrument/StatusDisplay.h"
#include "instrument/StatusParser.h"
#include "instrument/UnitCommands.h"
#include "common/Settings.h"
#include "sequence/SequenceStore.h"
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
    "  status UNIT    ask instrument unit UNIT (1 to 8) for its status and print what it reports\n"
    "  send-sequence UNIT NAME\n"
    "                 download the stored sequence NAME to unit UNIT, as \"Send Sequence to R7716\" does\n"
    "  sequence-body NAME\n"
    "                 write the bytes a download of the stored sequence NAME sends after its announce\n"
    "  brief NAME [--printed] [--out FILE]\n"
    "                 write the brief report of the test NAME (the saved file, or the printed lines)\n"
    "  excel NAME --out FILE.xlsx [--detail]\n"
    "                 write the brief (or detail) workbook of the test NAME\n"
    "  halliburton NAME\n"
    "                 write the Halliburton file of the test NAME in the current directory\n"
    "  detail NAME --out FILE.pdf\n"
    "                 write the detail data report of the test NAME as PDF\n"
    "  csv NAME [--out FILE]\n"
    "                 write the readings of the test NAME as CSV\n"
    "\n"
    "Exit status: 0 done, 1 database error or a failure of the unit, its port or the sequence, 2 test\n"
    "not found, 64 wrong command line.\n";

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

const char* const kStatusHelp =
    "Usage: r7716-cli status UNIT\n"
    "\n"
    "Opens the serial port of instrument unit UNIT (1 to 8; its port is line UNIT of \"initial.txt\"),\n"
    "sends one status query, waits up to 2 s for the reply and prints its fields, one per line as name,\n"
    "tab, value: status_code, state, sample_temp_F, bath_temp_F, set_point_F, motor_speed_rpm,\n"
    "shear_stress_dyn_cm2 (as measured for the reference bob), pressure_psi and shear_rate_1ps. Values\n"
    "are shown as the unit sent them; state is empty for a code without a text.\n"
    "\n"
    "Exit status 1, with a message, when the port cannot be opened or no well-formed reply arrives.\n";

const char* const kSendSequenceHelp =
    "Usage: r7716-cli send-sequence UNIT [--] NAME\n"
    "\n"
    "Downloads the stored sequence NAME to instrument unit UNIT (1 to 8, on the port of line UNIT of\n"
    "\"initial.txt\") as the unit window's \"Send Sequence to R7716\" does: announce, sequence, a 6 s wait,\n"
    "then the unit's acknowledgement. Prints the text the window's status bar would show.\n"
    "\n"
    "Exit status 0 when the unit acknowledged the sequence, 1 when it did not, when the sequence is not\n"
    "stored or has more than 99 temperature or shear-rate steps, or when the port cannot be opened.\n";

const char* const kSequenceBodyHelp =
    "Usage: r7716-cli sequence-body [--] NAME\n"
    "\n"
    "Writes to standard output exactly the bytes that a download of the stored sequence NAME sends after\n"
    "its announce: the sequence as the unit window loads it (sample interval raised to sample rate x\n"
    "points averaged when that is larger), ending \"05x\" and the byte 26. Nothing else is written.\n"
    "\n"
    "Exit status 1 when the sequence is not stored or has more than 99 temperature or shear-rate steps.\n";

// A unit number operand: 1 to 8.
int unitOperand(const QString& text) {
    bool ok = false;
    const int unit = text.toInt(&ok);
    return ok && unit >= 1 && unit <= RealTimeHost::kUnitCount ? unit : 0;
}

int unitError(QTextStream& err, const QString& problem) {
    err << kProgram << ": " << problem << '\n';
    err.flush();
    return kUnitError;
}

// The port of a unit, opened; nothing (after a message) when initial.txt gives none or it cannot be opened.
std::unique_ptr<UnitPort> openUnitPort(int unit, const Settings& settings, QTextStream& err,
                                       const UnitPortFactory& ports) {
    RealTimeHost::AddError error;
    const std::optional<int> portNumber = RealTimeHost::portOfUnit(unit, error, settings.lastRead());
    const QString unitName = RealTimeHost::unitText(unit);
    if (!portNumber) {
        unitError(err, RealTimeHost::errorText(error));
        return nullptr;
    }
    if (*portNumber == 0) {
        unitError(err, QStringLiteral("%1 has no serial port in \"%2\" (its line is 0).")
                           .arg(unitName, QString::fromLatin1(InitialSettings::kFileName)));
        return nullptr;
    }
    std::unique_ptr<UnitPort> port = ports ? ports(*portNumber) : nullptr;
    if (!port) {
        unitError(err, RealTimeHost::kCreateObjectErrorText);
        return nullptr;
    }
    try {
        port->open(*portNumber);
    } catch (const UnitPortError& e) {
        unitError(err, QStringLiteral("the port of %1 cannot be opened: %2")
                           .arg(unitName, RealTimeHost::errorText({e.description(), e.number()})));
        return nullptr;
    }
    return port;
}

int status(int unit, const Settings& settings, QTextStream& out, QTextStream& err, const UnitPortFactory& ports) {
    constexpr double kSlice_s = 0.05;
    constexpr int kSlices = 40;  // 2 s
    std::unique_ptr<UnitPort> port = openUnitPort(unit, settings, err, ports);
    if (!port) return kUnitError;
    StatusParser parser;
    try {
        port->send(UnitCommands::statusQuery());
        for (int slice = 0; slice < kSlices; ++slice) {
            port->delay(kSlice_s);
            for (const StatusReply& reply : parser.feed(port->readAll())) {
                if (!reply.complete()) continue;
                const auto line = [&out](const char* name, const QString& value) {
                    out << name << '\t' << field(value) << '\n';
                };
                line("status_code", vb::Format(reply.code, QStringLiteral("0")));
                line("state", StatusDisplay::stateText(reply.code));
                line("sample_temp_F", reply.text(StatusField::SampleTemp));
                line("bath_temp_F", reply.text(StatusField::BathTemp));
                line("set_point_F", reply.text(StatusField::TempSetPoint));
                line("motor_speed_rpm", reply.text(StatusField::MotorSpeed));
                line("shear_stress_dyn_cm2", reply.text(StatusField::ShearStress));
                line("pressure_psi", reply.text(StatusField::Pressure));
                line("shear_rate_1ps", reply.text(StatusField::ShearRate));
                port->close();
                return kOk;
            }
        }
    } catch (const UnitPortError& e) {
        port->close();
        return unitError(err, QStringLiteral("the port of %1 failed: %2")
                                  .arg(RealTimeHost::unitText(unit),
                                       RealTimeHost::errorText({e.description(), e.number()})));
    }
    port->close();
    return unitError(
        err,
        QStringLiteral("no well-formed status reply from %1 within 2 s.").arg(RealTimeHost::unitText(unit)));
}

// The stored sequence as a unit window loads it, checked for the wire; nothing after a message.
std::optional<StoredSequence> sequenceToSend(const QString& name, QTextStream& err,
                                             clsConnection& connection) {
    if (name.isEmpty()) {
        unitError(err, SequenceDownload::kNoSequenceText);
        return std::nullopt;
    }
    SequenceStore store(connection);
    StoredSequence sequence = SequenceSending::load(store, name);
    if (!sequence.found) {
        unitError(err, QStringLiteral("no sequence named \"%1\" is stored.").arg(name));
        return std::nullopt;
    }
    if (const QString refusal = SequenceSending::refusal(sequence); !refusal.isEmpty()) {
        unitError(err, refusal);
        return std::nullopt;
    }
    return sequence;
}

int sendSequence(int unit, const Settings& settings, const QString& name, QTextStream& out, QTextStream& err,
                 clsConnection& connection,
                 const UnitPortFactory& ports) {
    const std::optional<StoredSequence> sequence = sequenceToSend(name, err, connection);
    if (!sequence) return kUnitError;
    std::unique_ptr<UnitPort> port = openUnitPort(unit, settings, err, ports);
    if (!port) return kUnitError;
    const bool acknowledged = SequenceSending::download(*port, *sequence);
    port->close();
    out << SequenceDownload::resultText(acknowledged) << '\n';
    return acknowledged ? kOk : kUnitError;
}

int sequenceBody(const QString& name, QTextStream& out, QTextStream& err, clsConnection& connection) {
    const std::optional<StoredSequence> sequence = sequenceToSend(name, err, connection);
    if (!sequence) return kUnitError;
    out << QString::fromLatin1(SequenceSending::body(*sequence));
    return kOk;
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

// The unit system of the settings; a file that gives none valid is named on err once.
UnitSystem unitSystemOf(const Settings& settings, QTextStream& err) {
    const InitialSettings::ReadResult& read = settings.lastRead();
    if (read.status == InitialSettings::ReadStatus::FileMissing) return UnitSystem::CGS;
    if (!settings.unitSystemProblem().isEmpty()) {
        const QString problem = read.hasUnitSystem()
                                    ? QStringLiteral("\"%1\" gives %2 as the unit system.")
                                          .arg(QString::fromLatin1(InitialSettings::kFileName),
                                               vb::Format(read.settings.unitSystem, QStringLiteral("0")))
                                    : read.problem();
        err << kProgram << ": " << problem << " Results are shown in CGS units.\n";
        err.flush();
        return UnitSystem::CGS;
    }
    return settings.unitSystem();
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

int results(const QString& name, const Settings& settings, QTextStream& out, QTextStream& err,
            clsConnection& connection) {
    const UnitSystem unitSystem = unitSystemOf(settings, err);
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
    return run(arguments, out, err, serialUnitPortFactory());
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err, const UnitPortFactory& ports) {
    if (arguments.isEmpty()) return usageError(err, QStringLiteral("no command given."));
    const QString command = arguments.first();
    if (isHelp(command)) {
        out << kToolHelp;
        return kOk;
    }

    // "initial.txt" is read once per command line, whatever the command needs of it.
    Settings settings;
    settings.load();

    // The command's arguments; "--" ends the options, so a test name may begin with a dash.
    QStringList operands;
    bool optionsEnded = false;
    bool help = false;
    for (const QString& argument : arguments.mid(1)) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && isHelp(argument)) {
            help = true;
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1 &&
                   !report_commands::takesOptions(command)) {
            return usageError(err, QStringLiteral("unknown option '%1'.").arg(argument), command);
        } else {
            operands.append(argument);
        }
    }

    std::function<int(clsConnection&)> work;
    report_commands::Line line;
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
        work = [&](clsConnection& c) { return results(operands.first(), settings, out, err, c); };
    } else if (command == QLatin1String("init-demo")) {
        if (help) {
            out << kInitDemoHelp;
            return kOk;
        }
        if (!operands.isEmpty())
            return usageError(err, QStringLiteral("init-demo takes no argument."), command);
        work = [&](clsConnection& c) { return initDemo(out, c); };
    } else if (command == QLatin1String("status")) {
        if (help) {
            out << kStatusHelp;
            return kOk;
        }
        if (operands.size() != 1)
            return usageError(err, QStringLiteral("status takes one unit number."), command);
        const int unit = unitOperand(operands.first());
        if (unit == 0)
            return usageError(
                err, QStringLiteral("'%1' is not a unit number from 1 to 8.").arg(operands.first()), command);
        // The status comes from the unit alone; no database is opened.
        const int result = status(unit, settings, out, err, ports);
        out.flush();
        return result;
    } else if (command == QLatin1String("send-sequence")) {
        if (help) {
            out << kSendSequenceHelp;
            return kOk;
        }
        if (operands.size() != 2)
            return usageError(err, QStringLiteral("send-sequence takes a unit number and a sequence name."),
                              command);
        const int unit = unitOperand(operands.first());
        if (unit == 0)
            return usageError(
                err, QStringLiteral("'%1' is not a unit number from 1 to 8.").arg(operands.first()), command);
        work = [&, unit](clsConnection& c) { return sendSequence(unit, settings, operands.at(1), out, err, c, ports); };
    } else if (command == QLatin1String("sequence-body")) {
        if (help) {
            out << kSequenceBodyHelp;
            return kOk;
        }
        if (operands.size() != 1)
            return usageError(err, QStringLiteral("sequence-body takes one sequence name."), command);
        work = [&](clsConnection& c) { return sequenceBody(operands.first(), out, err, c); };
    } else if (command == QLatin1String("brief")) {
        if (help) {
            out << report_commands::kBriefHelp;
            return kOk;
        }
        if (const QString problem = report_commands::parse(command, arguments.mid(1), line); !problem.isEmpty())
            return usageError(err, problem, command);
        work = [&](clsConnection& c) {
            return report_commands::brief(line.name, line.printed, line.out, unitSystemOf(settings, err), c, out, err);
        };
    } else if (command == QLatin1String("excel")) {
        if (help) {
            out << report_commands::kExcelHelp;
            return kOk;
        }
        if (const QString problem = report_commands::parse(command, arguments.mid(1), line); !problem.isEmpty())
            return usageError(err, problem, command);
        work = [&](clsConnection& c) {
            return report_commands::excel(line.name, line.out, line.detail, unitSystemOf(settings, err), c, out, err);
        };
    } else if (command == QLatin1String("halliburton")) {
        if (help) {
            out << report_commands::kHalliburtonHelp;
            return kOk;
        }
        if (const QString problem = report_commands::parse(command, arguments.mid(1), line); !problem.isEmpty())
            return usageError(err, problem, command);
        work = [&](clsConnection& c) { return report_commands::halliburton(line.name, c, out, err); };
    } else if (command == QLatin1String("detail")) {
        if (help) {
            out << report_commands::kDetailHelp;
            return kOk;
        }
        if (const QString problem = report_commands::parse(command, arguments.mid(1), line); !problem.isEmpty())
            return usageError(err, problem, command);
        work = [&](clsConnection& c) { return report_commands::detail(line.name, line.out, c, out, err); };
    } else if (command == QLatin1String("csv")) {
        if (help) {
            out << report_commands::kCsvHelp;
            return kOk;
        }
        if (const QString problem = report_commands::parse(command, arguments.mid(1), line); !problem.isEmpty())
            return usageError(err, problem, command);
        work = [&](clsConnection& c) { return report_commands::csv(line.name, line.out, c, out, err); };
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
