// r7716-cli copy-db and --database: a station's file into the lab's server and back.
#include "cli/Cli.h"
#include "cli/CliOutcome.h"

#include "analysis/OpenTest.h"
#include "store/RunJournal.h"
#include "store/clsConnection.h"
#include "support/PgServer.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

using Outcome = CliOutcome;

// Everything a database file holds but its keys, every number to the last digit, in a fixed order.
QStringList contents(const QString& file) {
    const char* queries[] = {
        "SELECT TEST_NAME, FLUID_ID, TEST_TIME, RESEARCHER_NAME, ROTOR_NO, BOB_NO, BOB_RADIUS, "
        "BOB_EFF_LENGTH, "
        "PRETEST_PH, POSTTEST_PH, SAFETY FROM TEST_INFO ORDER BY TEST_NAME",
        "SELECT i.TEST_NAME, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, RESULT_PRESS, "
        "RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP FROM TEST_RESULT r JOIN "
        "TEST_INFO i ON i.TEST_ID = r.TEST_ID ORDER BY i.TEST_NAME, TEST_RESULT_ID",
        "SELECT i.TEST_NAME, ADDITIVE_NM, ADD_CONCEN, ADD_UNIT, ADD_LOTNO FROM TEST_ADDITIVE a JOIN "
        "TEST_INFO i "
        "ON i.TEST_ID = a.TEST_ID ORDER BY i.TEST_NAME, TESTADD_ID",
        "SELECT SEQUENCE_NAME, TIME_BEFORE_READ, RAMP_SAMPLE_RATE, SAMPLE_POINTS_AVERAGE, SHUT_DOWN_ATIME, "
        "SHUT_DOWN_VISC, SAMPLE_INTERVAL FROM SEQUENCE_INFO ORDER BY SEQUENCE_NAME",
        "SELECT s.SEQUENCE_NAME, RAMP_NO, RAMP_ELAPSE_TIME, RAMP_TEMP, RAMP_START_ERROR, SHEAR_RATE, "
        "RUN_RAMP "
        "FROM SEQUENCE_RAMP r JOIN SEQUENCE_INFO s ON s.SEQUENCE_ID = r.SEQUENCE_ID ORDER BY 1, "
        "SEQUENCE_RAMP_ID",
        "SELECT s.SEQUENCE_NAME, RAMP_STEP_NO, RAMP_SHEAR_RATE FROM SEQUENCE_RAMP_DEFINE r JOIN "
        "SEQUENCE_INFO s "
        "ON s.SEQUENCE_ID = r.SEQUENCE_ID ORDER BY 1, SEQUENCE_DEF_ID",
        "SELECT i.TEST_NAME, UNIT_NO, STATION, SEQUENCE_NAME, STARTED_TIME, LAST_SEEN_TIME, ENDED_TIME, "
        "END_REASON, RUN_CONTEXT, RUN_GAPS FROM RUN_JOURNAL j JOIN TEST_INFO i ON i.TEST_ID = j.TEST_ID "
        "ORDER BY i.TEST_NAME, RUN_ID",
    };
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "contents");
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        for (const char* sql : queries) {
            QSqlQuery query(db);
            EXPECT_TRUE(query.exec(sql));
            while (query.next()) {
                QStringList values;
                for (int c = 0; c < query.record().count(); ++c) {
                    const QVariant v = query.value(c);
                    values << (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 17)
                                                               : v.toString());
                }
                rows << values.join(u'|');
            }
        }
    }
    QSqlDatabase::removeDatabase("contents");
    return rows;
}

TEST(CopyDb, TheDemoDatabaseGoesToTheServerAndBackUnchangedAndASecondCopyCopiesNothing) {
    REQUIRE_PG_SERVER();
    pg_test::TestDatabase server;
    TempWorkDir dir;
    ASSERT_EQ(runCli({"init-demo"}).status, 0);
    {  // A run of a demo test in the journal, resumed after a gap and ended.
        clsConnection file;
        file.OpenDB();
        const QDateTime at({2024, 5, 2}, {9, 2, 3});
        const double id = OpenStoredTest(file, "Demo 30# Borate XL 250F", {}, {}).testId;
        const qint64 runId = run_journal::begin(file, {0, id, {}, 3, "pc-7", 0, "Seq", at, at, {}, {}, "{}"});
        run_journal::resumed(file, runId, {600, 1500}, at.addSecs(1500));
        run_journal::end(file, runId, run_journal::EndReason::SequenceEnd, at.addSecs(7200));
    }
    const QString all = "tests: 2 copied, 0 skipped; sequences: 2 copied, 0 skipped\n";
    const QString none = "tests: 0 copied, 2 skipped; sequences: 0 copied, 2 skipped\n";

    const Outcome toServer = runCli({"copy-db", "--from", "R7716.mdb", "--to", server.uri()});
    EXPECT_EQ(toServer.status, 0) << toServer.err.toStdString();
    EXPECT_TRUE(
        toServer.out.startsWith("copied test \"Demo 30# Borate XL 250F\": 220 readings, 5 additives\n"))
        << toServer.out.toStdString();
    EXPECT_TRUE(toServer.out.endsWith(all)) << toServer.out.toStdString();
    EXPECT_TRUE(runCli({"copy-db", "--from", "R7716.mdb", "--to", server.uri()}).out.endsWith(none));

    const Outcome back = runCli({"copy-db", "--from", server.uri(), "--to", "back.mdb"});
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    EXPECT_TRUE(back.out.endsWith(all)) << back.out.toStdString();
    const QStringList original = contents(dir.file("R7716.mdb"));
    EXPECT_GT(original.size(), 400);
    EXPECT_EQ(contents(dir.file("back.mdb")), original);
    EXPECT_TRUE(runCli({"copy-db", "--from", server.uri(), "--to", "back.mdb"}).out.endsWith(none));

    // --database: the commands work on the server as on the file.
    EXPECT_EQ(runCli({"--database", server.uri(), "tests"}).out, runCli({"tests"}).out);
}

TEST(CopyDb, ABadCommandLineOrAMissingSourceIsRefusedAndCreatesNothing) {
    TempWorkDir dir;
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{"copy-db", "--to", "x.mdb"}, 64, "copy-db needs --from SOURCE and --to TARGET"},
        {{"copy-db", "--from", "missing.mdb", "--to", "x.mdb"}, 1, "there is no database file"},
        {{"copy-db", "--from", "postgresql://u:secret@h/db", "--to", "x.mdb"}, 64, "~/.pgpass"},
        {{"--database", "postgresql://u:secret@h/db", "tests"}, 64, "~/.pgpass"},
    };
    for (const auto& [arguments, status, message] : cases) {
        const Outcome o = runCli(arguments);
        EXPECT_EQ(o.status, status) << arguments.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains(message)) << o.err.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
