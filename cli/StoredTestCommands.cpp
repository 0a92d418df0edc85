// r7716-cli's commands on stored tests: tests, results, init-demo.

#include "analysis/OpenTest.h"
#include "cli/Commands.h"
#include "cli/DemoTests.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"

#include <QTextStream>

namespace cli {

namespace {

constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss";

}  // namespace

// The unit system of the settings; a file that gives none valid is named on err once.
UnitSystem unitSystemOf(const Invocation& call) {
    const Settings& settings = call.settings;
    QTextStream& err = call.err;
    const InitialSettings::ReadResult& read = settings.lastRead();
    if (read.status == InitialSettings::ReadStatus::FileMissing) return UnitSystem::CGS;
    if (!settings.unitSystemProblem().isEmpty()) {
        const QString problem = read.hasUnitSystem()
                                    ? QStringLiteral("\"%1\" gives %2 as the unit system.")
                                          .arg(QString::fromLatin1(InitialSettings::kFileName),
                                               vb::Format(read.settings.systemOfUnits, QStringLiteral("0")))
                                    : read.problem();
        err << kProgram << ": " << problem << " Results are shown in CGS units.\n";
        err.flush();
        return UnitSystem::CGS;
    }
    return settings.unitSystem();
}

int tests(const Invocation& call) {
    clsTEST_INFO info;
    info.ConnectX(call.database());
    const RecordTable list = info.UsedName();
    const int name = list.columnIndex(QStringLiteral("TEST_NAME"));
    const int time = list.columnIndex(QStringLiteral("TEST_TIME"));
    const int researcher = list.columnIndex(QStringLiteral("RESEARCHER_NAME"));
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant when = list.value(time, row);
        call.out << field(list.value(name, row).toString()) << '\t'
                 << (when.isNull() ? QString() : when.toDateTime().toString(QString::fromLatin1(kTimeFormat)))
                 << '\t' << field(list.value(researcher, row).toString()) << '\n';
    }
    return kOk;
}

int results(const Invocation& call) {
    const UnitSystem unitSystem = unitSystemOf(call);
    const OpenedTest test = OpenStoredTest(call.database(), call.name(), ChartDataOption::All, unitSystem);
    if (!test.isOpen()) {
        call.err << OpenTest::kNotFoundMessage << '\n';
        call.err.flush();
        return kNotFound;
    }
    if (wantsModelResults(call)) return modelResults(call, test, unitSystem);
    QStringList header = test.results.header;
    for (QString& cell : header) cell.replace(u'\r', u' ');
    call.out << header.join(u'\t') << '\n';
    const QStringList emptyRow(header.size(), QString());
    for (const QStringList& row : test.results.rows)
        call.out << (row.isEmpty() ? emptyRow : row).join(u'\t') << '\n';
    if (test.results.fitsBeyondTable > 0) {
        call.err << kProgram << ": " << vb::Format(test.results.fitsBeyondTable, QStringLiteral("0"))
                 << " ramp result(s) with a ramp number above "
                 << vb::Format(OpenTest::kMaxResultRamps, QStringLiteral("0")) << " are not shown.\n";
        call.err.flush();
    }
    return kOk;
}

int initDemo(const Invocation& call) {
    for (const DemoTestOutcome& outcome : createDemoTests(call.database())) {
        if (outcome.created)
            call.out << "Stored demo test \"" << outcome.name << "\" with "
                     << vb::Format(outcome.readings, QStringLiteral("0")) << " readings.\n";
        else
            call.out << "Demo test \"" << outcome.name << "\" is stored already; left as it is.\n";
    }
    return kOk;
}

}  // namespace cli
