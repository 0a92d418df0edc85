#include "cli/Cli.h"

#include "cli/CommandTable.h"
#include "cli/Commands.h"
#include "cli/StreamMessenger.h"
#include "common/PrintableText.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "common/Version.h"
#include "instrument/RealTimeHost.h"
#include "store/DatabaseLocation.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QTextStream>

#include <algorithm>
#include <optional>

namespace cli {

namespace {

const char* const kToolUsage =
    "Usage: r7716-cli <command> [<arguments>]\n"
    "       r7716-cli --help\n"
    "       r7716-cli --version\n"
    "       r7716-cli <command> --help\n"
    "       r7716-cli --database URI <command> [<arguments>]\n"
    "\n"
    "Works on the database \"R7716.mdb\" and the settings file \"initial.txt\" of the current directory,\n"
    "as the program does: a missing database is created with its tables. When \"database.txt\" there names\n"
    "a PostgreSQL database (e.g. postgresql://r7716@labserver/rheology), that database is used instead;\n"
    "--database names one for this command line (a URI, or the path of a database file).\n"
    "\n"
    "Commands:\n";

const char* const kToolExitStatus =
    "\n"
    "Exit status: 0 done, 1 database error or a failure of the unit, its port or the sequence, 2 test\n"
    "not found, 64 wrong command line.\n";

// What the options before the command ask for.
struct Globals {
    bool help = false;
    bool version = false;
    QString database;  // --database: the database instead of the working directory's
};

// An option before the command: one entry each. One that takes a value names it; apply stores it.
struct GlobalOption {
    const char* name;
    const char* alias;      // a short spelling, or nullptr
    const char* valueName;  // nullptr for a switch
    void (*apply)(Globals& globals, const QString& value);
};

const GlobalOption kGlobalOptions[] = {
    {"--help", "-h", nullptr, [](Globals& g, const QString&) { g.help = true; }},
    {"--version", nullptr, nullptr, [](Globals& g, const QString&) { g.version = true; }},
    {"--database", nullptr, "URI", [](Globals& g, const QString& value) { g.database = value; }},
};

bool isOption(const QString& argument) {
    return argument.startsWith(u'-') && argument.size() > 1;
}

bool isHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

// The global option an argument gives ("--database URI" or "--database=URI").
const GlobalOption* globalOption(const QString& argument) {
    const qsizetype equals = argument.indexOf(u'=');
    const QString name = equals > 0 ? argument.left(equals) : argument;
    for (const GlobalOption& option : kGlobalOptions)
        if (name == QLatin1String(option.name) || (option.alias && name == QLatin1String(option.alias)))
            return equals > 0 && !option.valueName ? nullptr : &option;
    return nullptr;
}

// Whether the option's value is the next argument.
bool takesNextArgument(const GlobalOption& option, const QString& argument) {
    return option.valueName && !argument.contains(u'=');
}

const Command* commandNamed(const QString& name) {
    for (const Command& command : commands())
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

// The tool's help: its usage, then one line per command of the table (a long synopsis on a line of its
// own), then the exit statuses.
QString toolHelp() {
    constexpr qsizetype kSummaryColumn = 17;
    QString text = QString::fromLatin1(kToolUsage);
    for (const Command& command : commands()) {
        QString synopsis = QStringLiteral("  ") + QLatin1String(command.name);
        if (*command.synopsis) synopsis += u' ' + QLatin1String(command.synopsis);
        text += synopsis.size() < kSummaryColumn ? synopsis.leftJustified(kSummaryColumn)
                                                 : synopsis + u'\n' + QString(kSummaryColumn, u' ');
        text += QLatin1String(command.summary) + u'\n';
    }
    return text + QString::fromLatin1(kToolExitStatus);
}

int usageError(QTextStream& err, const QString& problem, const QString& command = {}) {
    err << kProgram << ": " << problem << '\n'
        << "Run '" << kProgram << (command.isEmpty() ? QString() : QStringLiteral(" ") + command)
        << " --help' for usage.\n";
    err.flush();
    return kUsage;
}

// A unit number operand: 1 to 8; 0 for anything else.
int unitOperand(const QString& text) {
    bool ok = false;
    const int unit = text.toInt(&ok);
    return ok && unit >= 1 && unit <= RealTimeHost::kUnitCount ? unit : 0;
}

// A command's arguments after its name, checked against its entry.
struct CommandLine {
    QStringList operands;
    Options options;
    int unit = 0;
    bool help = false;
    int usageStatus = kOk;  // kUsage after a usage error was written
};

const Option* optionNamed(const Command& command, const QString& name) {
    for (const Option& option : command.options)
        if (name == QLatin1String(option.name)) return &option;
    return nullptr;
}

CommandLine parseCommand(const Command& command, const QStringList& arguments, QTextStream& err) {
    const QString name = QLatin1String(command.name);
    CommandLine line;
    const auto refuse = [&](const QString& problem) {
        line.usageStatus = usageError(err, problem, name);
        return line;
    };
    // "--" ends the options, so a name may begin with a dash.
    bool optionsEnded = false;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString& argument = arguments[k];
        if (optionsEnded || !isOption(argument)) {
            line.operands.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (isHelp(argument)) {
            line.help = true;
            continue;
        }
        const qsizetype equals = argument.indexOf(u'=');
        const QString optionName = equals > 0 ? argument.left(equals) : argument;
        const Option* option = optionNamed(command, optionName);
        if (!option) return refuse(QStringLiteral("unknown option '%1'.").arg(optionName));
        if (!option->repeatable && line.options.has(option->name))
            return refuse(QStringLiteral("%1 is given more than once.").arg(optionName));
        QString value;
        if (option->valueName) {
            if (equals > 0)
                value = argument.mid(equals + 1);
            else if (k + 1 < arguments.size())
                value = arguments[++k];
            else
                return refuse(QStringLiteral("%1 needs a value (%2).")
                                  .arg(optionName, QLatin1String(option->valueName)));
        } else if (equals > 0) {
            return refuse(QStringLiteral("%1 takes no value.").arg(optionName));
        }
        line.options.add(optionName, value);
    }
    if (line.help) return line;
    const bool more = !command.operands.isEmpty() && command.operands.last() == Operand::More;
    if (more ? line.operands.size() < command.operands.size()
             : line.operands.size() != command.operands.size())
        return refuse(QLatin1String(command.operandProblem));
    for (qsizetype i = 0; i < line.operands.size(); ++i) {
        const QString& operand = line.operands[i];
        switch (command.operands[std::min(i, command.operands.size() - 1)]) {
            case Operand::Unit:
                line.unit = unitOperand(operand);
                if (line.unit == 0)
                    return refuse(QStringLiteral("'%1' is not a unit number from 1 to 8.").arg(operand));
                break;
            case Operand::FilledName:
            case Operand::More:
                if (operand.isEmpty()) return refuse(QLatin1String(command.operandProblem));
                break;
            case Operand::Name:
                break;
        }
    }
    return line;
}

int databaseError(QTextStream& err, const StoreError& error) {
    return failure(err,
                   QStringLiteral("database error ") + vb::Format(error.number(), QStringLiteral("0")) +
                       QStringLiteral(": ") + error.description(),
                   kDatabaseError);
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

// Runs a command whose command line is checked: opens what its entry needs, then its function.
int runCommand(const Command& command, const CommandLine& line, QTextStream& out, QTextStream& err,
               const UnitPortFactory& ports, const std::optional<store::DatabaseLocation>& database) {
    // "initial.txt" is read once per command line, whatever the command needs of it.
    Settings settings;
    settings.load();
    Invocation call{line.operands, line.options, line.unit, out, err, settings, ports, nullptr};
    if (command.needs == Needs::Nothing) {
        const int status = command.run(call);
        out.flush();
        return status;
    }
    StreamMessenger messenger(err);
    clsConnection connection(&messenger);
    if (database) connection.setLocation(*database);
    if (const int status = openDatabase(connection, messenger, err); status != kOk) return status;
    call.connection = &connection;
    try {
        const int status = command.run(call);
        out.flush();
        return status;
    } catch (const StoreError& error) {
        out.flush();
        return databaseError(err, error);
    }
}

}  // namespace

bool Options::has(const char* name) const {
    for (const auto& [given, value] : given_)
        if (given == QLatin1String(name)) return true;
    return false;
}

QString Options::value(const char* name, const QString& fallback) const {
    for (const auto& [given, value] : given_)
        if (given == QLatin1String(name)) return value;
    return fallback;
}

QStringList Options::values(const char* name) const {
    QStringList all;
    for (const auto& [given, value] : given_)
        if (given == QLatin1String(name)) all.append(value);
    return all;
}

bool needsWindowSystem(const QStringList& arguments) {
    qsizetype next = 0;
    while (next < arguments.size() && isOption(arguments[next])) {
        const GlobalOption* option = globalOption(arguments[next]);
        if (option && takesNextArgument(*option, arguments[next])) ++next;
        ++next;
    }
    if (next >= arguments.size()) return false;
    const Command* command = commandNamed(arguments[next]);
    if (!command || !command->needsWindowSystem) return false;
    QString discarded;
    QTextStream quiet(&discarded);
    const CommandLine line = parseCommand(*command, arguments.mid(next + 1), quiet);
    return line.usageStatus == kOk && !line.help && command->needsWindowSystem(line.options);
}

QString field(const QString& value) {
    return printable_text::escaped(value);
}

int failure(QTextStream& err, const QString& problem, int status) {
    err << kProgram << ": " << problem << '\n';
    err.flush();
    return status;
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    return run(arguments, out, err, serialUnitPortFactory());
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err, const UnitPortFactory& ports) {
    // Options before the command; help and version are answered at once, whatever follows.
    Globals globals;
    qsizetype next = 0;
    for (; next < arguments.size() && isOption(arguments[next]) && !globals.help && !globals.version;
         ++next) {
        const GlobalOption* option = globalOption(arguments[next]);
        if (!option) return usageError(err, QStringLiteral("unknown option '%1'.").arg(arguments[next]));
        QString value = arguments[next].section(u'=', 1);
        if (takesNextArgument(*option, arguments[next])) {
            if (next + 1 >= arguments.size())
                return usageError(err, QStringLiteral("%1 needs a value.").arg(arguments[next]));
            value = arguments[++next];
        }
        option->apply(globals, value);
    }
    if (globals.help) {
        out << toolHelp();
        return kOk;
    }
    if (globals.version) {
        out << kProgram << ' ' << r7716::kVersion << '\n';
        return kOk;
    }
    if (next >= arguments.size()) return usageError(err, QStringLiteral("no command given."));
    std::optional<store::DatabaseLocation> database;
    if (!globals.database.isNull()) {
        try {
            database = store::DatabaseLocation::parse(globals.database);
        } catch (const StoreError& error) {
            return usageError(err, QStringLiteral("--database: ") + error.description());
        }
    }

    const Command* command = commandNamed(arguments[next]);
    if (!command) return usageError(err, QStringLiteral("unknown command '%1'.").arg(arguments[next]));
    const CommandLine line = parseCommand(*command, arguments.mid(next + 1), err);
    if (line.usageStatus != kOk) return line.usageStatus;
    if (line.help) {
        out << command->help;
        return kOk;
    }
    return runCommand(*command, line, out, err, ports, database);
}

}  // namespace cli
