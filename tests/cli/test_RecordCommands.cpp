#include "analysis/OpenTest.h"
#include "cli/Cli.h"
#include "cli/CliOutcome.h"
#include "common/TextGrid.h"
#include "sequence/SequenceStore.h"
#include "store/StoreFixture.h"
#include "support/QStringPrinter.h"
#include "support/StoredTestBuilder.h"
#include "testinfo/TestInfoView.h"

#include <QFile>
#include <QTextStream>

#include <cmath>

namespace {

using Outcome = CliOutcome;

// Ordinary readings at 100 1/s whose apparent viscosity (about 300, 280, 260, 160, 150 cP at 0 .. 40 min)
// crosses 200 cP 60 % of the way from 20 to 30 min, the first one below 250 degF; then two ramps of the
// worked points with one spoiled point each (500 1/s at 400 dyn/cm2).
stored_test::Test crossingTest(const QString& name) {
    using namespace stored_test;
    Test t;
    t.name = name;
    const double stress[] = {300, 280, 260, 160, 150};
    for (int i = 0; i < 5; ++i) {
        Reading r = ordinary(1, i * 600.0, i == 0 ? 200 : 250);
        r.shearStress_dyncm2 = stress[i];
        t.readings.push_back(r);
    }
    for (double ramp : {1.0, 2.0}) {
        const double start = 2460 + (ramp - 1) * 300;
        append(t.readings, workedRamp(ramp, start));
        t.readings.push_back(rampPoint(ramp, 4, start + 90, 500, 400));
    }
    return t;
}

class RecordCommands : public EngineStore {
  protected:
    void SetUp() override {
        EngineStore::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        stored_test::store(connection, crossingTest(kName));
    }
    OpenedTest open() { return OpenStoredTest(connection, kName, ChartDataOption::All, UnitSystem::CGS); }

    const QString kName = QStringLiteral("Gel A");
};

TEST_P(RecordCommands, AnExclusionRefitsExactlyItsRampIsReportedAndIsUndone) {
    const OpenedTest before = open();
    ASSERT_EQ(before.fits.size(), 2u);
    const QString spoiled = QString::number(before.resultIds.back(), 'f', 0);  // ramp 2's fourth point

    const Outcome excluded = runCli({"exclude", kName, spoiled, "--reason", "air bubble"});
    EXPECT_EQ(excluded.status, cli::kOk) << excluded.err.toStdString();
    EXPECT_EQ(excluded.out, "1 reading excluded from the fits.\n");
    const OpenedTest after = open();
    ASSERT_EQ(after.fits.size(), 2u);
    EXPECT_EQ(after.fits[0].NPrime, before.fits[0].NPrime);
    EXPECT_EQ(after.fits[0].RSquared, before.fits[0].RSquared);
    EXPECT_EQ(after.fits[1].PointCount, 3);
    EXPECT_NEAR(after.fits[1].NPrime, std::log10(5.0), 1e-12);  // the worked ramp alone
    EXPECT_NE(before.fits[1].NPrime, after.fits[1].NPrime);
    // The other models take the same points.
    ASSERT_EQ(after.models.size(), before.models.size());
    EXPECT_EQ(after.models[0].pointCount, before.models[0].pointCount);
    EXPECT_EQ(after.models[1].pointCount, before.models[1].pointCount - 1);

    const Outcome brief = runCli({"brief", kName});
    EXPECT_TRUE(brief.out.contains("Readings excluded from the fits:")) << brief.out.toStdString();
    EXPECT_TRUE(brief.out.contains(
        QStringLiteral("Reading %1 (ramp 2, step 4, 47.5 min, 500 1/s): air bubble").arg(spoiled)))
        << brief.out.toStdString();
    const Outcome csv = runCli({"csv", kName});
    EXPECT_TRUE(csv.out.section("\r\n", 0, 0).endsWith(",Excluded from fits")) << csv.out.toStdString();
    EXPECT_TRUE(csv.out.trimmed().endsWith(",air bubble"));
    EXPECT_EQ(runCli({"readings", kName}).out.count("air bubble"), 1);

    const struct {
        QStringList arguments;
        int status;
    } refused[] = {
        {{"exclude", kName, spoiled}, cli::kUsage},                        // no reason
        {{"exclude", kName, "x", "--reason", "r"}, cli::kUsage},           // not a key
        {{"exclude", "Gel B", spoiled, "--reason", "r"}, cli::kNotFound},  // no such test
        {{"exclude", kName, "999999", "--reason", "r"}, cli::kDatabaseError},
    };
    for (const auto& c : refused)
        EXPECT_EQ(runCli(c.arguments).status, c.status) << c.arguments.join(' ').toStdString();

    EXPECT_EQ(runCli({"include", kName, spoiled}).out, "1 reading taken into the fits again.\n");
    EXPECT_EQ(open().fits[1].NPrime, before.fits[1].NPrime);
    EXPECT_FALSE(runCli({"brief", kName}).out.contains("excluded"));
    EXPECT_FALSE(runCli({"csv", kName}).out.contains("Excluded"));
}

// The break time is taken where the line between the last value that held and the first that failed
// crosses the limit: 20 + 0.6 * 10 = 26 min; the clock starts at 10 min, the first reading at 250 degF.
TEST_P(RecordCommands, CriteriaGiveTheInterpolatedBreakTimeAndTheirVerdict) {
    const Outcome set = runCli({"criteria", kName, "--add", "100:200:15:250", "--add", "100:200:20:250"});
    ASSERT_EQ(set.status, cli::kOk) << set.err.toStdString();
    const QStringList lines = set.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << set.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith("1\t100\tmin\t200\t15\t250\tapparent\t10\t16\t26\tPASS\t"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("2\t100\tmin\t200\t20\t250\tapparent\t10\t16\t26\tFAIL\t"))
        << lines[2].toStdString();
    // Fitted: each ramp's power law at 100 1/s (about 50 cP of the worked ramp): too thin from the start.
    const Outcome fitted = runCli({"criteria", kName, "--clear", "--fitted", "--add", "100:40:1"});
    EXPECT_TRUE(fitted.out.split('\n').value(1).contains("\tfitted\t46\t1.5\t\tPASS\t"))
        << fitted.out.toStdString();
    EXPECT_EQ(runCli({"criteria", kName, "--add", "100:0:10"}).status, cli::kUsage);
    EXPECT_EQ(runCli({"criteria", kName, "--add", "100:200"}).status, cli::kUsage);
    EXPECT_EQ(runCli({"criteria", "Gel B"}).status, cli::kNotFound);
    const QString brief = runCli({"brief", kName}).out;
    EXPECT_TRUE(brief.contains("Criterion 1: at least 40 cP at 100 1/s (fitted)")) << brief.toStdString();
}

// Criteria saved with a sequence: set there, taken by a test (and judged), copied with the sequence, and
// gone with it, so that a later sequence of the same name starts without them.
TEST_P(RecordCommands, CriteriaSavedWithASequenceAreTakenByATestAndGoWithTheSequence) {
    StoredSequence sequence;
    sequence.name = QStringLiteral("Gel recipe");
    sequence.steps.append({59, 250, 10, 100, 1});
    SequenceStore(connection).add(sequence);
    const QString header = "n\tshear_rate_1ps\tlimit\tlimit_cP\tminutes\tmin_temp_F\tviscosity\n";
    const Outcome saved = runCli({"criteria", "--sequence", "Gel recipe", "--add", "100:200:15:250"});
    EXPECT_EQ(saved.status, cli::kOk) << saved.err.toStdString();
    EXPECT_EQ(saved.out, header + "1\t100\tmin\t200\t15\t250\tapparent\n");
    const Outcome taken = runCli({"criteria", kName, "--from-sequence", "Gel recipe"});
    EXPECT_TRUE(
        taken.out.split('\n').value(1).startsWith("1\t100\tmin\t200\t15\t250\tapparent\t10\t16\t26\tPASS"))
        << taken.out.toStdString();
    EXPECT_EQ(runCli({"criteria", kName, "--from-sequence", "No such"}).status, cli::kNotFound);
    EXPECT_EQ(runCli({"criteria", "--sequence", "No such"}).status, cli::kNotFound);

    const QString source = server ? server->uri() : QStringLiteral("R7716.mdb");
    ASSERT_EQ(runCli({"copy-db", "--from", source, "--to", "copy.mdb"}).status, cli::kOk);
    EXPECT_EQ(runCli({"--database", "copy.mdb", "criteria", "--sequence", "Gel recipe"}).out, saved.out);
    SequenceStore(connection).remove(sequence.name);
    SequenceStore(connection).add(sequence);
    EXPECT_EQ(runCli({"criteria", "--sequence", "Gel recipe"}).out, header);
}

TEST_P(RecordCommands, EveryChangeAndTheDeleteAreRecordedAndTheRecordCannotBeChanged) {
    const OpenedTest test = open();
    MemoryGrid grid{additive_grid::kCols};
    additive_grid::setUp(grid);
    TestInfoView view(connection, messenger, grid);
    std::optional<TestInfoTexts> texts = view.load(kName, test.testId);
    ASSERT_TRUE(texts);
    texts->fluidId = QStringLiteral("Borate 40");
    ASSERT_TRUE(view.save(*texts));
    const QString key = QString::number(test.resultIds[2], 'f', 0);
    ASSERT_EQ(runCli({"exclude", kName, key, "--reason", "spike"}).status, cli::kOk);
    ASSERT_EQ(runCli({"criteria", kName, "--add", "100:200:15"}).status, cli::kOk);
    ASSERT_EQ(runCli({"delete", kName}).status, cli::kOk);
    EXPECT_EQ(count("TEST_EXCLUSION") + count("TEST_CRITERION"), 0);

    const Outcome history = runCli({"history", kName});
    EXPECT_EQ(history.status, cli::kOk) << history.err.toStdString();
    const QStringList rows = history.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 4) << history.out.toStdString();
    const QString who = store::audit::Actor::current().user + u'\t' + store::audit::Actor::current().station;
    const QString expected[] = {
        "\tFLUID_ID\t\tBorate 40",
        QStringLiteral("\treading %1 (ramp 1, step 0, 20.0 min) excluded from the fits\t\tspike").arg(key),
        "\tacceptance criteria\t\t100:200:15 min apparent",
        "\ttest deleted\ttest of 2024-01-15 10:30:00 with 13 readings\t",
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(rows[i].section(u'\t', 1, 2) == who) << rows[i].toStdString();
        EXPECT_TRUE(rows[i].endsWith(expected[i])) << rows[i].toStdString();
    }
    EXPECT_EQ(runCli({"history", "Never stored"}).status, cli::kNotFound);

    // Only appended to: neither the program's role nor anyone else changes or removes a row.
    for (const char* change : {"UPDATE TEST_AUDIT SET USER_NAME = 'x'", "DELETE FROM TEST_AUDIT"}) {
        QSqlQuery query(connection.ADOConnection());
        EXPECT_FALSE(query.exec(QString::fromLatin1(change))) << change;
    }
    EXPECT_EQ(count("TEST_AUDIT"), 4);
}

TEST_P(RecordCommands, CompareSetsTheTestsSideBySideAsTextCsvAndWorkbook) {
    stored_test::store(connection, stored_test::rampsOneAndThree(QStringLiteral("Gel B")));
    ASSERT_EQ(runCli({"criteria", kName, "--add", "100:200:15:250"}).status, cli::kOk);
    const Outcome text = runCli({"compare", kName, "Gel B"});
    ASSERT_EQ(text.status, cli::kOk) << text.err.toStdString();
    const QStringList lines = text.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0).split('\t').mid(1), (QStringList{kName, "Gel B"})) << text.out.toStdString();
    EXPECT_EQ(text.out.count("PASS"), 1) << text.out.toStdString();
    const Outcome csv = runCli({"compare", kName, "Gel B", "--csv"});
    EXPECT_EQ(csv.out.count("\r\n"), lines.size()) << csv.out.toStdString();
    const QString book = dir.file(QStringLiteral("compare.xlsx"));
    EXPECT_EQ(runCli({"compare", kName, "Gel B", "--out", book}).status, cli::kOk);
    EXPECT_GT(QFile(book).size(), 1000);
    EXPECT_EQ(runCli({"compare", kName, "Gel C"}).status, cli::kNotFound);
    EXPECT_EQ(runCli({"compare", kName, "Gel B", "--csv", "--out", book}).status, cli::kUsage);
}

TEST_P(RecordCommands, ACopiedTestKeepsItsExclusionsCriteriaAndRecord) {
    const QString key = QString::number(open().resultIds.back(), 'f', 0);
    ASSERT_EQ(runCli({"exclude", kName, key, "--reason", "air bubble"}).status, cli::kOk);
    ASSERT_EQ(runCli({"criteria", kName, "--add", "100:200:15:250"}).status, cli::kOk);
    const QString source = server ? server->uri() : QStringLiteral("R7716.mdb");
    ASSERT_EQ(runCli({"copy-db", "--from", source, "--to", "copy.mdb"}).status, cli::kOk);
    const auto on = [](const char* command) {
        return runCli({"--database", "copy.mdb", command, "Gel A"}).out;
    };
    EXPECT_EQ(on("readings").count("air bubble"), 1);
    EXPECT_EQ(on("criteria"), runCli({"criteria", kName}).out);
    const QStringList copied = on("history").split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(copied.size(), 3);
    EXPECT_TRUE(copied.value(2).contains("\tcopied from another database\t"))
        << copied.join('\n').toStdString();
}

INSTANTIATE_ON_BOTH_ENGINES(RecordCommands);

}  // namespace
