#include "cli/RecordCommands.h"

#include "analysis/AcceptanceCriteria.h"
#include "analysis/CompareTests.h"
#include "analysis/OpenTest.h"
#include "cli/Commands.h"
#include "common/VbFormat.h"
#include "reports/ReadingsCsv.h"
#include "reports/WorkbookFile.h"
#include "store/CriteriaStore.h"
#include "store/ReadingExclusions.h"
#include "store/TestAudit.h"

#include <QDir>
#include <QTextStream>

#include <cmath>
#include <optional>

namespace cli::record_commands {

const char* const kReadingsHelp =
    "Usage: r7716-cli readings [--] NAME\n"
    "\n"
    "Lists the readings of the test NAME in time order, one line each: its key (TEST_RESULT_ID, the\n"
    "RESULT_ID that exclude and include take), RAMP_NO, RAMP_STEP_NO, RESULT_TIME, sample temperature,\n"
    "bath temperature, pressure, shear rate, shear stress, RESULT_TYPE_ID, and why it is excluded from\n"
    "the fits (empty when it is not), separated by tabs.\n"
    "\n"
    "Exit status 2 when no test of that name is stored.\n";

const char* const kExcludeHelp =
    "Usage: r7716-cli exclude NAME RESULT_ID... --reason TEXT\n"
    "\n"
    "Leaves the readings with these keys (see r7716-cli readings) out of every fit of the test NAME, as\n"
    "\"Exclude\" in the main window's readings does, with the reason, the user's name and the time; the\n"
    "stored readings do not change. Each exclusion is recorded in the test's record of changes (history).\n"
    "Prints what was done.\n"
    "\n"
    "Exit status 0 when every reading named is now excluded, 1 when a key is not a reading of the test\n"
    "(the others are excluded all the same) or the database fails, 2 when no test of that name is\n"
    "stored, 64 for a wrong command line (no reason, a key that is not a whole number).\n";

const char* const kIncludeHelp =
    "Usage: r7716-cli include NAME RESULT_ID...\n"
    "\n"
    "Takes readings excluded with r7716-cli exclude (or in the window) back into the fits of the test\n"
    "NAME, and records it in the test's record of changes. Exit statuses as for exclude.\n";

const char* const kCriteriaHelp =
    "Usage: r7716-cli criteria NAME [--add RATE:CP:MINUTES[:MIN_TEMP_F]]... [--max] [--fitted] [--clear]\n"
    "                          [--from-sequence SEQUENCE]\n"
    "       r7716-cli criteria --sequence SEQUENCE [--add ...]... [--max] [--fitted] [--clear]\n"
    "\n"
    "Prints the acceptance criteria of the test NAME with what came of each, after changing them as\n"
    "asked: --clear removes them, --from-sequence puts those saved with a sequence in their place, and\n"
    "each --add appends one: the fluid must keep at least CP centipoise (at most, with --max) at RATE 1/s\n"
    "for MINUTES minutes, counted from the first value with the sample at MIN_TEMP_F degF or warmer\n"
    "(from the first value without one). The viscosity judged is the apparent viscosity of the ordinary\n"
    "readings taken at RATE (within 10 %), or with --fitted the viscosity each ramp's power-law fit gives\n"
    "at RATE. A change is recorded in the test's record of changes.\n"
    "\n"
    "Output: a header line, then one line per criterion, tab-separated: n, shear_rate_1ps, limit (min or\n"
    "max), limit_cP, minutes, min_temp_F (empty for none), viscosity (apparent or fitted), start_min,\n"
    "held_min, break_min (empty when it did not break), result (PASS or FAIL), outcome (in words).\n"
    "The break time is interpolated linearly between the last value that kept the criterion and the\n"
    "first that did not. With --sequence the criteria saved with the sequence are changed and printed\n"
    "(the first seven columns).\n"
    "\n"
    "Exit status 2 when no test (or sequence) of that name is stored, 1 when the database fails, 64 for\n"
    "a wrong command line or a criterion that is none (a rate, limit or duration not above 0).\n";

const char* const kCompareHelp =
    "Usage: r7716-cli compare NAME NAME... [--csv | --out FILE.xlsx]\n"
    "\n"
    "Prints the tests side by side as the compare window's table shows them: a first column saying what\n"
    "each row is (test time, fluid, bob, readings, excluded readings, then for every ramp the eleven\n"
    "values of its results-table row in the unit system of \"initial.txt\", then each criterion with what\n"
    "came of it), then one column per test, tab-separated. --csv prints the same table as CSV, --out\n"
    "writes it as a workbook and prints the file's name.\n"
    "\n"
    "Exit status 2 when a test is not stored, 1 when the file cannot be written, 64 for a wrong command\n"
    "line.\n";

const char* const kHistoryHelp =
    "Usage: r7716-cli history [--] NAME\n"
    "\n"
    "Prints the record of changes of the test NAME, oldest first, one line each: time\n"
    "(YYYY-MM-DD HH:MM:SS), user, station, what changed, old value, new value, tab-separated. For a name\n"
    "that is no longer stored, the record of every deleted test of that name.\n"
    "\n"
    "Exit status 2 when no test of that name is stored and none ever was.\n";

namespace {

QString number(double value) {
    return vb::Format(value, QString());
}

// Minutes to the hundredth, in their shortest form ("2", "61.18").
QString minutes(double value) {
    return vb::Format(std::round(value * 100) / 100, QString());
}

int notStored(const Invocation& call) {
    call.err << OpenTest::kNotFoundMessage << '\n';
    call.err.flush();
    return kNotFound;
}

// The keys named on the command line; nothing (after the usage message) when one is not a key.
std::optional<QList<double>> resultIds(const Invocation& call, const char* command) {
    QList<double> ids;
    for (const QString& text : call.more(1)) {
        bool ok = false;
        const qlonglong id = text.toLongLong(&ok);
        if (!ok || id <= 0) {
            failure(call.err,
                    QStringLiteral("'%1' is not a reading's key (a whole number above 0).").arg(field(text)),
                    kUsage);
            call.err << "Run '" << kProgram << ' ' << command << " --help' for usage.\n";
            call.err.flush();
            return std::nullopt;
        }
        ids.append(double(id));
    }
    return ids;
}

int changeExclusions(const Invocation& call, bool excluding) {
    const char* command = excluding ? "exclude" : "include";
    const QString reason = call.options.value("--reason");
    if (excluding && reason.trimmed().isEmpty())
        return failure(
            call.err,
            QString::fromLatin1(store::exclusions::kNoReason) + QStringLiteral(" Give --reason TEXT."),
            kUsage);
    const std::optional<QList<double>> ids = resultIds(call, command);
    if (!ids) return kUsage;
    const QString name = call.operands.first();
    const OpenedTest test = OpenStoredTest(call.database(), name, ChartDataOption::All, UnitSystem::CGS);
    if (!test.isOpen()) return notStored(call);
    const store::exclusions::Outcome outcome =
        excluding ? store::exclusions::exclude(call.database(), test.testId, test.name, *ids, reason)
                  : store::exclusions::include(call.database(), test.testId, test.name, *ids);
    const QString said = store::exclusions::describe(outcome, excluding);
    if (!outcome.notOfTest.isEmpty()) return failure(call.err, said, kDatabaseError);
    call.out << said << '\n';
    return kOk;
}

// "100:200:120[:250]" as a criterion of the kind and viscosity the switches give.
std::optional<store::criteria::Criterion> parseCriterion(const QString& text, const Options& options) {
    const QStringList parts = text.split(u':');
    if (parts.size() < 3 || parts.size() > 4) return std::nullopt;
    double values[4] = {};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok) return std::nullopt;
    }
    store::criteria::Criterion c;
    c.shearRate_1ps = values[0];
    c.limit_cP = values[1];
    c.duration_min = values[2];
    if (parts.size() == 4) c.minTemp_F = values[3];
    c.kind = options.has("--max") ? store::criteria::LimitKind::Maximum : store::criteria::LimitKind::Minimum;
    c.source = options.has("--fitted") ? store::criteria::ViscositySource::Fitted
                                       : store::criteria::ViscositySource::Apparent;
    return c;
}

// The criteria --add gives; nothing (after the usage message) when one is none.
std::optional<std::vector<store::criteria::Criterion>> addedCriteria(const Invocation& call) {
    std::vector<store::criteria::Criterion> added;
    for (const QString& text : call.options.values("--add")) {
        const std::optional<store::criteria::Criterion> c = parseCriterion(text, call.options);
        if (!c) {
            failure(call.err,
                    QStringLiteral("--add '%1' is not RATE:CP:MINUTES[:MIN_TEMP_F].").arg(field(text)),
                    kUsage);
            return std::nullopt;
        }
        if (const std::optional<QString> problem = store::criteria::problemOf(*c)) {
            failure(call.err, QStringLiteral("--add '%1': %2").arg(field(text), *problem), kUsage);
            return std::nullopt;
        }
        added.push_back(*c);
    }
    return added;
}

QStringList specCells(std::size_t n, const store::criteria::Criterion& c) {
    using namespace store::criteria;
    return {number(double(n)),
            number(c.shearRate_1ps),
            c.kind == LimitKind::Maximum ? QStringLiteral("max") : QStringLiteral("min"),
            number(c.limit_cP),
            number(c.duration_min),
            c.minTemp_F ? number(*c.minTemp_F) : QString(),
            c.source == ViscositySource::Fitted ? QStringLiteral("fitted") : QStringLiteral("apparent")};
}

const QStringList kSpecHeader{"n",       "shear_rate_1ps", "limit",    "limit_cP",
                              "minutes", "min_temp_F",     "viscosity"};

int sequenceCriteria(const Invocation& call, const std::vector<store::criteria::Criterion>& added) {
    const QString name = call.operands.first();
    std::optional<std::vector<store::criteria::Criterion>> list =
        store::criteria::ofSequence(call.database(), name);
    if (!list)
        return failure(call.err, QStringLiteral("no sequence named \"%1\" is stored.").arg(field(name)),
                       kNotFound);
    if (call.options.has("--clear")) list->clear();
    list->insert(list->end(), added.begin(), added.end());
    if (call.options.has("--clear") || !added.empty())
        store::criteria::setForSequence(call.database(), name, *list);
    call.out << kSpecHeader.join(u'\t') << '\n';
    for (std::size_t i = 0; i < list->size(); ++i)
        call.out << specCells(i + 1, (*list)[i]).join(u'\t') << '\n';
    return kOk;
}

}  // namespace

int readings(const Invocation& call) {
    const OpenedTest test =
        OpenStoredTest(call.database(), call.name(), ChartDataOption::All, UnitSystem::CGS);
    if (!test.isOpen()) return notStored(call);
    const std::vector<QString> reasons = ExclusionReasons(test);
    for (std::size_t i = 0; i < test.readings.size(); ++i)
        call.out << number(test.resultIds.at(i)) << '\t' << readingLine(test.readings[i]) << '\t'
                 << (i < reasons.size() ? field(reasons[i]) : QString()) << '\n';
    return kOk;
}

int exclude(const Invocation& call) {
    return changeExclusions(call, true);
}

int include(const Invocation& call) {
    return changeExclusions(call, false);
}

int criteria(const Invocation& call) {
    const std::optional<std::vector<store::criteria::Criterion>> added = addedCriteria(call);
    if (!added) return kUsage;
    if (call.options.has("--sequence")) return sequenceCriteria(call, *added);

    const UnitSystem unitSystem = unitSystemOf(call);
    const QString name = call.operands.first();
    OpenedTest test = OpenStoredTest(call.database(), name, ChartDataOption::All, unitSystem);
    if (!test.isOpen()) return notStored(call);
    std::vector<store::criteria::Criterion> list =
        call.options.has("--clear") ? std::vector<store::criteria::Criterion>{} : test.criteria;
    if (call.options.has("--from-sequence")) {
        const QString sequence = call.options.value("--from-sequence");
        const auto saved = store::criteria::ofSequence(call.database(), sequence);
        if (!saved)
            return failure(call.err,
                           QStringLiteral("no sequence named \"%1\" is stored.").arg(field(sequence)),
                           kNotFound);
        list = *saved;
    }
    list.insert(list.end(), added->begin(), added->end());
    if (list != test.criteria) {
        store::criteria::setForTest(call.database(), test.testId, test.name, list);
        test = OpenStoredTest(call.database(), name, ChartDataOption::All, unitSystem);
    }
    call.out
        << (kSpecHeader + QStringList{"start_min", "held_min", "break_min", "result", "outcome"}).join(u'\t')
        << '\n';
    for (std::size_t i = 0; i < test.judged.size(); ++i) {
        const acceptance::Judged& j = test.judged[i];
        const acceptance::Outcome& o = j.outcome;
        const bool judged =
            o.status == acceptance::Outcome::Status::Held || o.status == acceptance::Outcome::Status::Broke;
        QStringList cells = specCells(i + 1, j.criterion);
        cells << (judged ? minutes(o.start_min) : QString()) << (judged ? minutes(o.held_min) : QString())
              << (o.breakTime_min ? minutes(*o.breakTime_min) : QString())
              << (o.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
              << acceptance::DescribeOutcome(j, unitSystem);
        call.out << cells.join(u'\t') << '\n';
    }
    return kOk;
}

int compare(const Invocation& call) {
    if (call.options.has("--csv") && call.options.has("--out"))
        return failure(call.err, QStringLiteral("compare takes --csv or --out, not both."), kUsage);
    if (call.options.has("--out") && call.options.value("--out").isEmpty())
        return failure(call.err, QStringLiteral("--out needs a file name."), kUsage);
    const UnitSystem unitSystem = unitSystemOf(call);
    std::vector<OpenedTest> tests;
    for (const QString& name : call.operands) {
        tests.push_back(OpenStoredTest(call.database(), name, ChartDataOption::All, unitSystem));
        if (!tests.back().isOpen())
            return failure(call.err, QStringLiteral("no test named \"%1\" is stored.").arg(field(name)),
                           kNotFound);
    }
    const compare_tests::Table table = compare_tests::BuildTable(tests);
    if (call.options.has("--out")) {
        const QString path = call.options.value("--out");
        const QString error =
            reports::WriteTableWorkbook(path, QStringLiteral("Compared tests"), table.header, table.rows);
        if (!error.isEmpty())
            return failure(call.err, QDir::toNativeSeparators(path) + QStringLiteral(": ") + error,
                           kDatabaseError);
        call.out << QDir::toNativeSeparators(path) << '\n';
        return kOk;
    }
    if (call.options.has("--csv")) {
        call.out << QString::fromUtf8(reports::TableCsv(table.header, table.rows));
        return kOk;
    }
    const auto line = [&call](const QStringList& cells) {
        QStringList escaped;
        for (const QString& cell : cells) escaped << field(cell);
        call.out << escaped.join(u'\t') << '\n';
    };
    line(table.header);
    for (const QStringList& row : table.rows) line(row);
    return kOk;
}

int history(const Invocation& call) {
    const OpenedTest test =
        OpenStoredTest(call.database(), call.name(), ChartDataOption::All, UnitSystem::CGS);
    const std::vector<store::audit::Entry> entries = test.isOpen()
                                                         ? store::audit::ofTest(call.database(), test.testId)
                                                         : store::audit::ofName(call.database(), call.name());
    if (!test.isOpen() && entries.empty()) return notStored(call);
    for (const store::audit::Entry& e : entries) {
        QStringList cells;
        for (const QString& cell : store::audit::cells(e)) cells << field(cell);
        call.out << cells.join(u'\t') << '\n';
    }
    return kOk;
}

}  // namespace cli::record_commands
