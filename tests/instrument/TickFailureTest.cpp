// Failed ticks of a unit window: named in the status bar, written to the diagnostic log, polling goes on;
// a reading that could not be stored stays shown until it was seen.

#include "instrument/RealTimeUnit.h"
#include "instrument/TickFailures.h"
#include "link/UnitCommands.h"
#include "store/clsConnection.h"
#include "store/clsTEST_RESULT.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

QStringList logLines(const QString& dir) {
    QFile f(dir + QStringLiteral("/R7716-diag.log"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Another program drops the readings table under the running test.
void dropReadingsTable(const QString& databaseFile) {
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(databaseFile);
        ASSERT_TRUE(other.open());
        QSqlQuery drop(other);
        ASSERT_TRUE(drop.exec(QStringLiteral("DROP TABLE TEST_RESULT")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

TEST(TickFailure, AReadingThatCannotBeStoredMidRunIsNamedAndLoggedWhilePollingGoesOn) {
    TempWorkDir dir;
    clsConnection connection;
    connection.OpenDB();
    const int testId = static_cast<int>(stored_test::store(connection, {QStringLiteral("Live run")}));
    ScriptedMessenger messenger;
    auto owned = std::make_unique<FakeUnitPort>();
    FakeUnitPort& port = *owned;
    RealTimeUnit unit(std::move(owned), messenger);
    unit.InitialInst(connection);
    unit.setUnitName(QStringLiteral("Unit 4"));
    unit.openPort(4);

    // The run step stores each tick's reading as the run engine does.
    clsTEST_RESULT result;
    result.ConnectX(connection);
    double now_s = 0;
    int steps = 0;
    const auto step = [&] {
        ++steps;
        const UnitReadings& r = unit.readings();
        result.setTest_Id(testId);
        result.setRAMP_NO(1);
        result.setRAMP_STEP_NO(1);
        result.setRESULT_TIME(now_s);
        result.setRESULT_SAMPLE_TEMP(r.sampleTemp_F);
        result.setRESULT_PRESS(r.pressure_psi);
        result.setRESULT_SHEAR_RATE(r.shearRate_1ps);
        result.setRESULT_SHEAR_STRESS(r.shearStress);
        result.setRESULT_TYPE_ID(1);
        result.setRESULT_BATH_TEMP(r.bathTemp_F);
        result.AddNew();
    };
    RunContext run;
    run.state = RunState::ShearRateRamp;
    const auto tick = [&](int sampleTemp_F) {
        now_s += 1;
        port.arrive(QStringLiteral("6,%1,252,250,300,250.3,400,511.1,0").arg(sampleTemp_F).toLatin1() +
                    char(26));
        unit.tick(run, step);
    };
    for (int t = 250; t < 253; ++t) tick(t);
    result.setTest_Id(testId);
    result.GetTestDetail();
    ASSERT_EQ(result.TotalPoints(), 3);
    EXPECT_TRUE(unit.messagePanelText().isEmpty());

    dropReadingsTable(connection.FilePath());
    for (int t = 260; t < 263; ++t) tick(t);

    EXPECT_EQ(port.sent.count(UnitCommands::statusQuery()), 6) << "polling goes on";
    EXPECT_EQ(unit.texts().sampleTemp, "262");
    EXPECT_EQ(steps, 6) << "the run's step is taken on every tick";
    const QString panel = unit.messagePanelText();
    EXPECT_TRUE(panel.startsWith("Reading not stored: ") && panel.contains("TEST_RESULT") &&
                panel.contains("(3 times since ") && panel.endsWith(TickFailures::kSeenHint))
        << panel.toStdString();
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 3) << "one line for every reading not stored";
    for (const QString& line : lines) {
        EXPECT_TRUE(line.contains("\tUnit 4\tReading not stored: ")) << line.toStdString();
        EXPECT_TRUE(line.contains("TEST_RESULT")) << line.toStdString();
    }
    EXPECT_TRUE(messenger.shown.isEmpty()) << "no message box stops the polling";

    unit.acknowledgeFailures();
    EXPECT_TRUE(unit.messagePanelText().isEmpty());
    EXPECT_EQ(logLines(dir.path()).size(), 4) << "the log notes that the operator saw it";
}

TEST(TickFailure, ALinkFailureShowsWhileItLastsAndItsRepeatsAreCountedNotWrittenEachTick) {
    TempWorkDir dir;
    TickFailures f;
    f.setWhere(QStringLiteral("Unit 2"));
    const QString lost = QStringLiteral("Connection lost: /dev/ttyUSB0: the device is no longer present");
    for (int i = 0; i < 1 + 2 * TickFailures::kRepeatLogInterval; ++i) f.failed(TickFailureKind::Link, lost);
    f.failed(TickFailureKind::Other, QStringLiteral("Tick failed: later"));
    EXPECT_EQ(f.statusText(), lost) << "the first failure is the one shown";
    EXPECT_EQ(logLines(dir.path()).size(), 4) << "the first, two counts of repeats, the other failure";
    f.tickSucceeded();
    EXPECT_TRUE(f.statusText().isEmpty());

    f.failed(TickFailureKind::Link, lost);
    f.failed(TickFailureKind::Link, lost);
    f.tickSucceeded();
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines.last().endsWith(lost + " (repeated 1 time)")) << lines.last().toStdString();

    f.setLog(DiagnosticLog(dir.file(QStringLiteral("no such folder"))));
    f.failed(TickFailureKind::Link, lost);
    EXPECT_TRUE(f.statusText().startsWith(lost + " - the diagnostic log cannot be written: "));
}

}  // namespace
