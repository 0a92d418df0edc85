#include "cli/Cli.h"
#include "cli/CliOutcome.h"

#include "cli/DemoTests.h"
#include "common/VbFormat.h"
#include "common/Version.h"
#include "sequence/SequenceStore.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Outcome = CliOutcome;

void writeInitial(int unitSystem) {
    QFile f(QStringLiteral("initial.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(" 1 \r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n " + QByteArray::number(unitSystem) +
            " \r\n");
}

class CliTest : public ::testing::Test {
  protected:
    // Stores tests through a connection of its own, closed again before the command runs.
    void store(const stored_test::Test& test) {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        stored_test::store(connection, test);
    }

    TempWorkDir dir;
};

TEST_F(CliTest, HelpAndVersionAreGivenForTheToolAndHelpForEachCommand) {
    struct Case {
        QStringList arguments;
        const char* begins;
    };
    const Case cases[] = {
        {{"--help"}, "Usage: r7716-cli <command>"},
        {{"-h"}, "Usage: r7716-cli <command>"},
        {{"tests", "--help"}, "Usage: r7716-cli tests"},
        {{"results", "--help"}, "Usage: r7716-cli results [--] NAME"},
        {{"results", "Some name", "--help"}, "Usage: r7716-cli results"},
        {{"init-demo", "--help"}, "Usage: r7716-cli init-demo"},
    };
    for (const Case& c : cases) {
        const Outcome o = runCli(c.arguments);
        EXPECT_EQ(o.status, cli::kOk) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(o.out.startsWith(QString::fromUtf8(c.begins))) << o.out.toStdString();
        EXPECT_TRUE(o.err.isEmpty());
    }
    const Outcome version = runCli({"--version"});
    EXPECT_EQ(version.status, cli::kOk);
    EXPECT_EQ(version.out, QStringLiteral("r7716-cli ") + QLatin1String(r7716::kVersion) + u'\n');
    // Help and version touch no database.
    EXPECT_FALSE(QFile::exists(QStringLiteral("R7716.mdb")));
}

TEST_F(CliTest, AWrongCommandLineIsAUsageErrorThatPointsToTheHelp) {
    const QStringList cases[] = {
        {},
        {"frobnicate"},
        {"tests", "extra"},
        {"results"},
        {"results", "a", "b"},
        {"results", ""},
        {"results", "--verbose", "a"},
        {"init-demo", "now"},
    };
    for (const QStringList& arguments : cases) {
        const Outcome o = runCli(arguments);
        EXPECT_EQ(o.status, cli::kUsage) << arguments.join(' ').toStdString();
        EXPECT_TRUE(o.out.isEmpty());
        EXPECT_TRUE(o.err.contains(QStringLiteral("--help' for usage."))) << o.err.toStdString();
    }
}

TEST_F(CliTest, TestsListsNameTimeAndResearcherNewestFirstWithControlCharactersEscaped) {
    stored_test::Test t;
    t.name = QStringLiteral("Middle\x1b[2J");  // stored by an older program: must not clear the terminal
    t.time = QDateTime(QDate(2023, 7, 4), QTime(13, 5, 9));
    t.researcher = QStringLiteral("B\tM");  // a tab inside a value must not split the line
    store(t);
    t.name = QStringLiteral("Newest test");
    t.time = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
    t.researcher = QStringLiteral("N. New");
    store(t);
    t.name = QStringLiteral("Oldest");
    t.time = QDateTime(QDate(2021, 12, 31), QTime(23, 59, 59));
    t.researcher = QStringLiteral("O. Old");
    store(t);
    const Outcome o = runCli({"tests"});
    EXPECT_EQ(o.status, cli::kOk);
    EXPECT_EQ(o.lines(), (QStringList{"Newest test\t2024-01-02 03:04:05\tN. New",
                                      "Middle\\x1b[2J\t2023-07-04 13:05:09\tB\\tM",
                                      "Oldest\t2021-12-31 23:59:59\tO. Old"}));
    EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
}

TEST_F(CliTest, ANewTestNameWithAControlCharacterIsRefusedBeforeTheUnitIsAsked) {
    for (const char* name : {"a\x1b[2J", "two\nlines", "cr\r", "tab\t"}) {
        for (const QStringList& command : {QStringList{"run", "1", "S", QString::fromLatin1(name)},
                                           QStringList{"retrieve", "1", QString::fromLatin1(name)}}) {
            const Outcome o = runCli(command);
            EXPECT_EQ(o.status, cli::kUnitError) << command.join(' ').toStdString();
            EXPECT_TRUE(o.err.contains(QStringLiteral("holds a control character"))) << o.err.toStdString();
            EXPECT_FALSE(o.err.contains(QLatin1Char('\x1b')));
        }
    }
    EXPECT_TRUE(runCli({"tests"}).out.isEmpty());
}

TEST_F(CliTest, SettingsFilesAreReadWithinTheirLimitAndQuotedOnlyInAShortExcerpt) {
    const Outcome zero = runCli({"run", "1", "S", "T", "--info", "/dev/zero"});
    EXPECT_EQ(zero.status, cli::kUsage);
    EXPECT_TRUE(zero.err.contains(QStringLiteral("larger than 64 KiB"))) << zero.err.toStdString();

    QFile secret(QStringLiteral("system.conf"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("root:x:0:0:root:/root:/bin/bash and what must not be shown\n");
    secret.close();
    ASSERT_TRUE(QFile::link(secret.fileName(), QStringLiteral("database.txt")));
    const Outcome o = runCli({"tests"});
    EXPECT_EQ(o.status, cli::kDatabaseError);
    EXPECT_TRUE(o.err.contains(QStringLiteral("names no PostgreSQL database"))) << o.err.toStdString();
    EXPECT_FALSE(o.err.contains(QStringLiteral("/bin/bash"))) << o.err.toStdString();
}

TEST_F(CliTest, TestsOnAMissingDatabaseCreatesItAndListsNothing) {
    const Outcome o = runCli({"tests"});
    EXPECT_EQ(o.status, cli::kOk);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_TRUE(o.err.startsWith(QStringLiteral("A new, empty database was created:\n")))
        << o.err.toStdString();
    EXPECT_TRUE(QFile::exists(QStringLiteral("R7716.mdb")));
}

TEST_F(CliTest, ADatabaseThatCannotBeOpenedGivesItsErrorAndStatusOne) {
    struct Case {
        const char* what;
        bool directory;
        QByteArray content;
    };
    const Case cases[] = {
        {"not a database", false, QByteArray(4096, 'x')},
        {"a directory", true, {}},
    };
    for (const Case& c : cases) {
        TempWorkDir own;
        if (c.directory) {
            ASSERT_TRUE(QDir().mkdir(QStringLiteral("R7716.mdb")));
        } else {
            QFile f(QStringLiteral("R7716.mdb"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        for (const QStringList& arguments : {QStringList{"tests"}, QStringList{"results", "X"}}) {
            const Outcome o = runCli(arguments);
            EXPECT_EQ(o.status, cli::kDatabaseError) << c.what;
            EXPECT_TRUE(o.out.isEmpty()) << c.what;
            EXPECT_TRUE(o.err.startsWith(QStringLiteral("clsConnection.OpenConnection: Error #: ")))
                << c.what;
            // The error is written once.
            EXPECT_EQ(o.err.count(QStringLiteral("OpenConnection")), 1) << o.err.toStdString();
        }
        if (!c.directory) {
            QFile f(QStringLiteral("R7716.mdb"));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), c.content) << "the file is left as it was";
        }
    }
}

TEST_F(CliTest, ANameNotStoredExactlyIsNotFoundWithStatusTwo) {
    stored_test::Test t;
    t.name = QStringLiteral("Gel Test");
    t.readings = stored_test::workedRamp(1, 0);
    store(t);
    for (const char* name : {"gel test", "Gel", "Gel Test ", "Other"}) {
        const Outcome o = runCli({"results", QString::fromUtf8(name)});
        EXPECT_EQ(o.status, cli::kNotFound) << name;
        EXPECT_TRUE(o.out.isEmpty()) << name;
        EXPECT_EQ(o.err, QStringLiteral("Your test sequence name is not found.  Please try again.\n"))
            << name;
    }
    EXPECT_EQ(runCli({"results", "--", "Gel Test"}).status, cli::kOk);
}

// Ramp 1 and 3 carry the worked ramp (n' 0.6990, K' 2); ramp 2 has too few points; the bob is B1.
TEST_F(CliTest, ResultsPrintsTheGridInTheUnitSystemOfTheSettingsFile) {
    stored_test::Test t;
    t.name = QStringLiteral("Worked");
    t.bobRadius_cm = 1.7245;
    t.readings = stored_test::workedRamp(1, 0);
    t.readings.push_back(stored_test::ordinary(2, 750, 212));
    t.readings.back().pressure_psi = 100;
    t.readings.push_back(stored_test::rampPoint(2, 1, 800, 10, 10));
    stored_test::append(t.readings, stored_test::workedRamp(3, 900));
    store(t);

    struct Case {
        int unitSystem;  // 0: no settings file
        QStringList lines;
    };
    const QString empty = QString(11, u'\t');
    const std::vector<Case> cases = {
        {0,
         {QString::fromUtf8(
              "Shear Ramp\tTime  (Min)\tTemp (F°)\tPress (Psi)\tn'\tK'  dyn-s^n/cm2\tCoef. Detn. "
              "(R^2)\tKv dyn-s^n/cm2\tK'slot dyn-s^n/cm2\tVisc @40 1/S (cP)\tVisc @100 1/S "
              "(cP)\tVisc @170 1/S (cP)"),
          " 1\t13.\t212\t100\t0.6990\t0002.000\t1.0000\t0001.962\t0002.155\t71\t54\t46", empty,
          " 3\t16.\t150\t400\t0.6990\t0002.000\t1.0000\t0001.962\t0002.155\t71\t54\t46"}},
        {2,
         {QString::fromUtf8(
              "Shear Ramp\tTime  (Min)\tTemp (F°)\tPress (Psi)\tn'\tK'  lbf-s^n/ft2\tCoef. Detn. "
              "(R^2)\tKv lbf-s^n/ft2\tK'slot lbf-s^n/ft2\tVisc @40 1/S (cP)\tVisc @100 1/S "
              "(cP)\tVisc @170 1/S (cP)"),
          " 1\t13.\t212\t100\t0.6990\t0.004177\t1.0000\t0.004098\t0.004500\t71\t54\t46", empty,
          " 3\t16.\t150\t400\t0.6990\t0.004177\t1.0000\t0.004098\t0.004500\t71\t54\t46"}},
        {3,
         {QString::fromUtf8(
              "Shear Ramp\tTime  (Min)\tTemp (C°)\tPress (kPa)\tn'\tK'  dyn-s^n/cm2\tCoef. Detn. "
              "(R^2)\tKv dyn-s^n/cm2\tK'slot dyn-s^n/cm2\tVisc @40 1/S (cP)\tVisc @100 1/S "
              "(cP)\tVisc @170 1/S (cP)"),
          " 1\t13.\t100\t689\t0.6990\t0002.000\t1.0000\t0001.962\t0002.155\t71\t54\t46", empty,
          " 3\t16.\t66\t2758\t0.6990\t0002.000\t1.0000\t0001.962\t0002.155\t71\t54\t46"}},
    };
    for (const Case& c : cases) {
        QFile::remove(QStringLiteral("initial.txt"));
        if (c.unitSystem != 0) writeInitial(c.unitSystem);
        const Outcome o = runCli({"results", "Worked"});
        EXPECT_EQ(o.status, cli::kOk) << c.unitSystem;
        EXPECT_EQ(o.out.split(u'\n'), c.lines + QStringList{QString()}) << c.unitSystem;
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    }
}

TEST_F(CliTest, ASettingsFileWithoutAValidUnitSystemFallsBackToCgsWithAWarning) {
    stored_test::Test t;
    t.name = QStringLiteral("Worked");
    t.readings = stored_test::workedRamp(1, 0);
    store(t);
    writeInitial(7);
    const Outcome o = runCli({"results", "Worked"});
    EXPECT_EQ(o.status, cli::kOk);
    EXPECT_TRUE(o.out.contains(QString::fromUtf8("Temp (F°)")));
    EXPECT_TRUE(o.err.contains(QStringLiteral("CGS"))) << o.err.toStdString();
}

TEST_F(CliTest, ATestWithReadingsButNoRampPrintsTheHeaderOnly) {
    stored_test::Test t;
    t.name = QStringLiteral("Plain");
    t.readings = {stored_test::ordinary(1, 0), stored_test::ordinary(2, 60)};
    store(t);
    const Outcome o = runCli({"results", "Plain"});
    EXPECT_EQ(o.status, cli::kOk);
    EXPECT_EQ(o.lines().size(), 1);
}

class DemoCliTest : public CliTest {
  protected:
    void SetUp() override {
        const Outcome o = runCli({"init-demo"});
        ASSERT_EQ(o.status, cli::kOk) << o.err.toStdString();
    }
    QList<QStringList> rows(const QString& name, int unitSystem) {
        writeInitial(unitSystem);
        const Outcome o = runCli({"results", name});
        EXPECT_EQ(o.status, cli::kOk);
        QList<QStringList> cells;
        for (const QString& line : o.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
            cells.append(line.split(u'\t'));
        return cells;
    }
    StoredSequence sequence(const QString& name) {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        return SequenceStore(connection).read(name);
    }
};

TEST_F(DemoCliTest, InitDemoStoresTheDemoTestsOnceAndNewestFirst) {
    const Outcome again = runCli({"init-demo"});
    EXPECT_EQ(again.status, cli::kOk);
    EXPECT_TRUE(again.out.contains(QStringLiteral("stored already")));
    const Outcome list = runCli({"tests"});
    const QList<DemoTestPlan> plans = demoTestPlans();
    ASSERT_EQ(list.lines().size(), plans.size());
    ASSERT_GE(plans.size(), 2);
    EXPECT_TRUE(list.lines()[0].startsWith(plans[1].name + u'\t'));
    EXPECT_TRUE(list.lines()[1].startsWith(plans[0].name + u'\t'));
}

TEST_F(DemoCliTest, EachDemoTestHasARowPerStepAndResultsWhereTheStepRunsItsRamp) {
    for (const DemoTestPlan& plan : demoTestPlans()) {
        const StoredSequence s = sequence(plan.sequenceName);
        ASSERT_TRUE(s.found);
        EXPECT_GE(s.shearRates_1ps.size(), 4);
        EXPECT_LE(s.shearRates_1ps.size(), 8);
        const QList<QStringList> cgs = rows(plan.name, 1);
        ASSERT_EQ(cgs.size(), s.steps.size()) << plan.name.toStdString();
        int fitted = 0;
        for (int i = 0; i < cgs.size(); ++i) {
            ASSERT_EQ(cgs[i].size(), 12);
            const bool ramp = s.steps[i].runRamp == 1;
            EXPECT_EQ(cgs[i][0], ramp ? vb::Str(i + 1) : QString()) << i;
            if (!ramp) continue;
            ++fitted;
            const double n = vb::Val(cgs[i][4]);
            EXPECT_GT(n, 0.2) << i;
            EXPECT_LT(n, 1.0) << i;
            EXPECT_GT(vb::Val(cgs[i][6]), 0.98) << "R^2 of ramp " << i + 1;
            // Each reported temperature is near its step's set point.
            EXPECT_NEAR(vb::Val(cgs[i][2]), s.steps[i].temp_F, 15) << i;
        }
        EXPECT_GE(fitted, 4);
    }
}

TEST_F(DemoCliTest, UnitSystemsConvertTheSameDemoResults) {
    const QString name = demoTestPlans().value(1).name;
    const QList<QStringList> cgs = rows(name, 1), ei = rows(name, 2), si = rows(name, 3);
    ASSERT_EQ(cgs.size(), ei.size());
    ASSERT_EQ(cgs.size(), si.size());
    for (int i = 0; i < cgs.size(); ++i) {
        if (cgs[i][0].isEmpty()) continue;
        // Time, n', R^2 and the viscosities never change; ramp number neither.
        for (int c : {0, 1, 4, 6, 9, 10, 11}) {
            EXPECT_EQ(ei[i][c], cgs[i][c]) << i << ':' << c;
            EXPECT_EQ(si[i][c], cgs[i][c]) << i << ':' << c;
        }
        for (int c : {5, 7, 8}) {
            EXPECT_NEAR(vb::Val(ei[i][c]), vb::Val(cgs[i][c]) / 478.8, 2e-6) << i << ':' << c;
            EXPECT_EQ(si[i][c], cgs[i][c]) << i << ':' << c;
        }
        EXPECT_NEAR(vb::Val(si[i][2]), (vb::Val(cgs[i][2]) - 32) / 1.8, 1.0) << i;
        EXPECT_NEAR(vb::Val(si[i][3]), vb::Val(cgs[i][3]) * 6.8948, 7.0) << i;
    }
}

TEST_F(DemoCliTest, TheDemoFluidThinsWithTemperatureAndBreaksWithTime) {
    const QString name = demoTestPlans().value(0).name;
    const StoredSequence s = sequence(demoTestPlans().value(0).sequenceName);
    const QList<QStringList> cgs = rows(name, 1);
    double firstK = -1, previousHotK = -1;
    for (int i = 0; i < cgs.size(); ++i) {
        if (cgs[i][0].isEmpty()) continue;
        const double k = vb::Val(cgs[i][5]);
        if (firstK < 0) {
            firstK = k;
            continue;
        }
        EXPECT_LT(k, firstK) << "ramp " << i + 1 << " is hotter than the first";
        // Held at the same temperature, each later ramp finds the gel further broken.
        if (i > 0 && s.steps[i].temp_F == s.steps[i - 1].temp_F && previousHotK > 0)
            EXPECT_LT(k, previousHotK) << "ramp " << i + 1;
        previousHotK = k;
    }
}

}  // namespace

// The extended results: a table per model, the rates of --rates or of "rates.txt", K'pipe on request.
TEST_F(CliTest, ResultsWithAModelPrintsItsTableWithTheChosenRates) {
    stored_test::Test t = stored_test::rampsOneAndThree(QStringLiteral("Models"));
    t.bobRadius_cm = 1.7245;
    store(t);
    const Outcome plain = runCli({"results", "Models"});
    ASSERT_EQ(plain.status, cli::kOk);
    EXPECT_EQ(runCli({"results", "Models", "--model", "power"}).out, plain.out);

    {
        QFile rates(QStringLiteral("rates.txt"));
        ASSERT_TRUE(rates.open(QIODevice::WriteOnly));
        rates.write("# linear gels\n511\nfast\n");
    }
    const Outcome all = runCli({"results", "Models", "--model", "all", "--kpipe"});
    ASSERT_EQ(all.status, cli::kOk);
    EXPECT_TRUE(all.err.contains(QStringLiteral("rates.txt, line 3: \"fast\" is left out")))
        << all.err.toStdString();
    const QStringList tables = all.out.split(QStringLiteral("\n\n"));
    ASSERT_EQ(tables.size(), 3);
    const QStringList power = tables[0].split(u'\n');
    EXPECT_EQ(power[0], QStringLiteral("Power law"));
    EXPECT_EQ(power[1].split(u'\t').mid(8, 2), QStringList({"K'slot dyn-s^n/cm2", "K'pipe dyn-s^n/cm2"}));
    EXPECT_EQ(power[1].split(u'\t').last(), QStringLiteral("Visc @511 1/S (cP)"));
    // Ramp 1: K'pipe = 1.962 * (3.0969 / 2.7959)^0.6990 = 2.107; 100 * 2.155 * 511^(0.6990 - 1) = 33.
    EXPECT_EQ(power[2].split(u'\t').mid(9), QStringList({"0002.107", "71", "54", "46", "33"}));
    const QStringList hb = tables[2].split(u'\n');
    EXPECT_EQ(hb[0], QStringLiteral("Herschel-Bulkley"));
    EXPECT_EQ(hb[3].split(u'\t')[4], QStringLiteral("2 ramp points; a fit needs at least 3"));

    const Outcome given = runCli({"results", "Models", "--model", "bingham", "--rates", "1022"});
    ASSERT_EQ(given.status, cli::kOk);
    EXPECT_TRUE(given.err.isEmpty());
    EXPECT_TRUE(given.out.section(u'\n', 0, 0).endsWith(QStringLiteral("Visc @1022 1/S (cP)")));

    for (const QStringList& wrong : {QStringList{"--model", "casson"}, QStringList{"--rates", "511,-3"}}) {
        const Outcome o = runCli(QStringList{"results", "Models"} + wrong);
        EXPECT_EQ(o.status, cli::kUsage) << wrong.join(' ').toStdString();
        EXPECT_TRUE(o.out.isEmpty());
    }
}
