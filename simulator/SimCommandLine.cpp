#include "simulator/SimCommandLine.h"

namespace {

constexpr int kHighestUnit = 12;

const char kUsageHead[] =
    "Usage: r7716-sim [options]\n"
    "Serves simulated R7716 units on pseudo-terminals and writes their device paths into\n"
    "serialports.txt in the working directory: line n holds the port of unit n, so give unit n\n"
    "port n in initial.txt. Lines of other units are kept; the file is restored on exit.\n"
    "\n"
    "Options:\n";

const char kUsageTail[] =
    "\n"
    "Console, one command a line:\n"
    "  <unit> show | start | stop | zero | pressure <psi> | clear\n"
    "  <unit> fault <kind> [count] | vanish <seconds>\n"
    "  quit\n";

// Sets what the option gives from its value (empty for a switch); returns the problem, empty when none.
using Apply = QString (*)(SimCommandLine& line, const QString& value);

struct Option {
    const char* name;
    const char* alias;      // a short spelling, or nullptr
    const char* valueName;  // nullptr for a switch
    const char* help;       // a line break starts a line under the first
    Apply apply;
};

QString units(SimCommandLine& line, const QString& value) {
    QList<int>& units = line.options.units;
    units.clear();
    for (const QString& part : value.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1 || n > kHighestUnit) return QStringLiteral("bad unit number: ") + part;
        if (!units.contains(n)) units.append(n);
    }
    return units.isEmpty() ? QStringLiteral("no unit to serve") : QString();
}

QString speed(SimCommandLine& line, const QString& value) {
    bool ok = false;
    line.options.speed = value.toDouble(&ok);
    return ok && line.options.speed > 0 ? QString() : QStringLiteral("bad speed: ") + value;
}

QString seed(SimCommandLine& line, const QString& value) {
    bool ok = false;
    line.options.seed = value.toUInt(&ok);
    return ok ? QString() : QStringLiteral("bad seed: ") + value;
}

QString pressure(SimCommandLine& line, const QString& value) {
    bool ok = false;
    line.options.pressure_psi = value.toDouble(&ok);
    return ok ? QString() : QStringLiteral("bad pressure: ") + value;
}

QString fault(SimCommandLine& line, const QString& value) {
    const QStringList parts = value.split(u':');
    bool ok = false;
    const int unit = parts.value(0).toInt(&ok);
    const std::optional<UnitFirmware::Fault> kind = faultByName(parts.value(1));
    if (!ok || !kind) return QStringLiteral("bad fault: ") + value;
    const int count = parts.size() > 2 ? parts[2].toInt(&ok) : UnitFirmware::kForever;
    if (!ok) return QStringLiteral("bad fault count: ") + value;
    line.options.faults.append({unit, *kind, count});
    return {};
}

const Option kOptions[] = {
    {"--units", nullptr, "LIST", "units to serve, e.g. 1,2,5 (default 1; 1 to 12)", units},
    {"--speed", nullptr, "X", "simulated seconds per real second (default 1)", speed},
    {"--seed", nullptr, "N", "noise seed of unit 1; unit n uses N+n-1 (default 1)", seed},
    {"--pressure", nullptr, "PSI", "pressure applied to every unit (default 300)", pressure},
    {"--autostart", nullptr, nullptr, "start a downloaded sequence at once (else type \"<unit> start\")",
     [](SimCommandLine& line, const QString&) {
         line.options.autostart = true;
         return QString();
     }},
    {"--fault", nullptr, "UNIT:KIND[:COUNT]",
     "inject a fault into the next COUNT status replies (default all);\n"
     "KIND: noanswer, split, malformed, dot, noterm, malfunction;\n"
     "into the next COUNT data transfers: nodata (no answer), noend (no end\n"
     "byte), shortrecord (the middle record cut to three fields)",
     fault},
    {"--links", nullptr, "DIR",
     "serve unit n through the stable link DIR/r7716-unit<n>, which survives\n"
     "a vanished port, and list the links instead of the devices",
     [](SimCommandLine& line, const QString& value) {
         line.options.linkDir = value;
         return QString();
     }},
    {"--ports-file", nullptr, "PATH", "the file to write (default serialports.txt)",
     [](SimCommandLine& line, const QString& value) {
         line.options.portsFile = value;
         return QString();
     }},
    {"--help", "-h", nullptr, "this text",
     [](SimCommandLine& line, const QString&) {
         line.action = SimCommandLine::Action::ShowHelp;
         return QString();
     }},
    {"--version", nullptr, nullptr, "the version of r7716-sim",
     [](SimCommandLine& line, const QString&) {
         line.action = SimCommandLine::Action::ShowVersion;
         return QString();
     }},
};

const Option* optionNamed(const QString& argument) {
    for (const Option& option : kOptions)
        if (argument == QLatin1String(option.name) ||
            (option.alias && argument == QLatin1String(option.alias)))
            return &option;
    return nullptr;
}

}  // namespace

std::optional<UnitFirmware::Fault> faultByName(const QString& name) {
    const QString n = name.toLower();
    if (n == u"noanswer") return UnitFirmware::Fault::NoAnswer;
    if (n == u"split") return UnitFirmware::Fault::SplitReply;
    if (n == u"malformed") return UnitFirmware::Fault::MalformedReply;
    if (n == u"dot") return UnitFirmware::Fault::DotInTemperature;
    if (n == u"noterm") return UnitFirmware::Fault::DroppedTerminator;
    if (n == u"malfunction") return UnitFirmware::Fault::Malfunction;
    if (n == u"nodata") return UnitFirmware::Fault::DataSilence;
    if (n == u"noend") return UnitFirmware::Fault::DataCut;
    if (n == u"shortrecord") return UnitFirmware::Fault::DataShortRecord;
    return std::nullopt;
}

SimCommandLine SimCommandLine::parse(const QStringList& arguments) {
    SimCommandLine line;
    const auto fail = [&line](const QString& problem) {
        line.action = Action::Fail;
        line.problem = problem;
        return line;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const Option* option = optionNamed(argument);
        if (!option)
            return fail(QStringLiteral("unknown option ") + argument + QStringLiteral(" (see --help)"));
        QString value;
        if (option->valueName) {
            if (i + 1 >= arguments.size()) return fail(argument + QStringLiteral(" needs a value"));
            value = arguments[++i];
        }
        if (const QString problem = option->apply(line, value); !problem.isEmpty()) return fail(problem);
        // Help and version are answered at once, whatever follows.
        if (line.action != Action::Serve) return line;
    }
    return line;
}

QString SimCommandLine::usage() {
    constexpr qsizetype kHelpColumn = 22;
    const QString indent(kHelpColumn, u' ');
    QString text = QString::fromLatin1(kUsageHead);
    for (const Option& option : kOptions) {
        QString synopsis = QStringLiteral("  ") + QLatin1String(option.name);
        if (option.valueName) synopsis += u' ' + QLatin1String(option.valueName);
        // A long synopsis gets a line of its own, its help below it.
        text +=
            synopsis.size() < kHelpColumn ? synopsis.leftJustified(kHelpColumn) : synopsis + u'\n' + indent;
        text += QString::fromLatin1(option.help).replace(u'\n', u'\n' + indent) + u'\n';
    }
    return text + QString::fromLatin1(kUsageTail);
}
