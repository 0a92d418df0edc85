// r7716-cli run as a program of its own against a unit served on a pseudo-terminal, fifty times as fast:
// killed in the middle of a run it has lost no reading it had reported stored, SIGTERM stops the unit as
// the Stop button does, a closed pipe and a lost terminal do not, two of them store into one database
// server at once, and another program cannot delete the test a run records.

#include "analysis/OpenTest.h"
#include "cli/Commands.h"
#include "link/SerialPortName.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/PortListFile.h"
#include "simulator/pty/PtyUnitServer.h"
#include "store/DatabaseLocation.h"
#include "store/clsConnection.h"
#include "support/PgServer.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <random>
#include <thread>

#include <csignal>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Units 1 ... n served in a thread of their own, as r7716-sim serves them, each with an r7716-cli of its own
// running a long sequence as the test "Run <unit>" that stores a reading every few ticks. Unit n works at
// n times 300 psi, so that the readings of each are known by their pressure.
struct ServedRun {
    // databaseUri: the database of the programs, instead of the working directory's file.
    // beforeStart: what is done to each program before it starts.
    explicit ServedRun(int units = 1, const QString& databaseUri = {}, const QString& sequence = "Long",
                       const std::function<void(QProcess&)>& beforeStart = {})
        : databaseUri(databaseUri) {
        std::map<int, QString> devices;
        for (int unit = 1; unit <= units; ++unit)
            devices[unit] = server.addUnit(unit, {.pressure_psi = 300.0 * unit});
        EXPECT_TRUE(PortListFile(SerialPortName::kPortListFile).write(devices));
        for (const auto& [name, text] :
             {std::pair{"initial.txt", " 1 \r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n"},
              {"BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n"}}) {
            QFile f(name);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
        }
        if (!databaseUri.isEmpty()) connection.setLocation(store::DatabaseLocation::parse(databaseUri));
        connection.OpenDB();
        SequenceStore(connection)
            .add({.name = "Long",
                  .settings = {3, 1, 2, 1000, 0, 4},
                  .steps = {{600, 75, 5, 100, 0}},
                  .shearRates_1ps = {100}});
        SequenceStore(connection)
            .add({.name = "Ramps",
                  .settings = {3, 1, 2, 1000, 0, 4},
                  .steps = {{2, 75, 5, 100, 1}, {2, 75, 5, 100, 0}},
                  .shearRates_1ps = {100, 50, 25}});
        SequenceStore(connection)
            .add({.name = "Short",
                  .settings = {3, 1, 2, 1000, 0, 4},
                  .steps = {{5, 75, 5, 100, 0}},
                  .shearRates_1ps = {100}});
        thread = std::thread([this] {
            while (!stop) server.serviceOnce(5);
        });
        for (int unit = 1; unit <= units; ++unit) {
            Program& program = *programs.emplace_back(std::make_unique<Program>());
            if (beforeStart) beforeStart(program.process);
            program.process.start(R7716_CLI_PATH, onDatabase({"run", QString::number(unit), sequence,
                                                              testName(unit), "--tick-ms", "20"}));
            EXPECT_TRUE(program.process.waitForStarted());
        }
    }
    ~ServedRun() {
        for (auto& program : programs) {
            program->process.kill();
            program->process.waitForFinished();
        }
        stop = true;
        thread.join();
    }
    static QString testName(int unit) { return QStringLiteral("Run %1").arg(unit); }
    QStringList onDatabase(const QStringList& arguments) const {
        return databaseUri.isEmpty() ? arguments : QStringList{"--database", databaseUri} + arguments;
    }
    // Another r7716-cli command on the same database, run to its end: its status, messages and output.
    std::tuple<int, QString, QString> command(const QStringList& arguments, int timeout_ms = 30000) const {
        QProcess other;
        other.start(R7716_CLI_PATH, onDatabase(arguments));
        const bool finished = other.waitForFinished(timeout_ms) && other.exitStatus() == QProcess::NormalExit;
        return {finished ? other.exitCode() : -1, QString::fromUtf8(other.readAllStandardError()),
                QString::fromUtf8(other.readAllStandardOutput())};
    }
    QProcess& cli(int unit = 1) { return programs[unit - 1]->process; }
    // The whole lines printed once at least that many are; empty after a minute without them.
    QStringList printed(int atLeast, int unit = 1) {
        QProcess& cli = programs[unit - 1]->process;
        QString& output = programs[unit - 1]->output;
        for (int i = 0; i < 600 && output.count(u'\n') < atLeast && cli.state() == QProcess::Running; ++i) {
            cli.waitForReadyRead(100);
            output += QString::fromUtf8(cli.readAllStandardOutput());
        }
        output += QString::fromUtf8(cli.readAllStandardOutput());
        return output.count(u'\n') < atLeast
                   ? QStringList()
                   : output.left(output.lastIndexOf(u'\n') + 1).split(u'\n', Qt::SkipEmptyParts);
    }
    // The readings stored, as the program prints them.
    QStringList stored(int unit = 1) {
        QStringList lines;
        for (const Reading& r :
             OpenStoredTest(connection, testName(unit), ChartDataOption::All, UnitSystem::CGS).readings)
            lines << cli::readingLine(r);
        return lines;
    }

    // QProcess needs an application; made here when the binary has none, it outlives the program below.
    static inline int argc = 1;
    static inline char appName[] = "test_simulator_pty", *argv[] = {appName, nullptr};
    std::unique_ptr<QCoreApplication> app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    QString databaseUri;
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    PtyUnitServer server{50};
    std::atomic<bool> stop{false};
    std::thread thread;
    struct Program {
        QProcess process;
        QString output;
    };
    std::vector<std::unique_ptr<Program>> programs;
};

TEST(CliRunProcess, KilledMidRunItHasLostNoReadingItReportedStored) {
    ServedRun run;
    ASSERT_FALSE(run.printed(12).isEmpty()) << run.cli().readAllStandardError().toStdString();
    run.cli().kill();
    ASSERT_TRUE(run.cli().waitForFinished(10000));
    const QStringList printed = run.printed(0), stored = run.stored();
    ASSERT_GE(stored.size(), printed.size());
    EXPECT_LE(stored.size(), printed.size() + 1) << "at most the reading stored as the program died";
    EXPECT_EQ(stored.mid(0, printed.size()), printed);
}

TEST(CliRunProcess, SigtermStopsTheUnitAsStopDoesAndExitsZero) {
    ServedRun run;
    ASSERT_FALSE(run.printed(3).isEmpty()) << run.cli().readAllStandardError().toStdString();
    run.cli().terminate();
    ASSERT_TRUE(run.cli().waitForFinished(10000));
    EXPECT_EQ(run.cli().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.cli().exitCode(), 0);
    EXPECT_TRUE(run.cli().readAllStandardError().contains("the unit was stopped"));
    EXPECT_EQ(run.stored(), run.printed(0));
    bool stopped = false;
    run.server.withUnit(
        1, [&](UnitFirmware& u) { stopped = u.commandLog().last().startsWith(UnitCommands::kStop); });
    EXPECT_TRUE(stopped);
}

TEST(CliRunProcess, TwoRunsStoringIntoOneServerDatabaseAtOnceLoseNothingAndMixNothing) {
    REQUIRE_PG_SERVER();
    pg_test::TestDatabase database;
    ServedRun run(2, database.uri());
    for (const int unit : {1, 2})
        ASSERT_FALSE(run.printed(12, unit).isEmpty()) << run.cli(unit).readAllStandardError().toStdString();
    for (const int unit : {1, 2}) run.cli(unit).terminate();
    for (const int unit : {1, 2}) {
        ASSERT_TRUE(run.cli(unit).waitForFinished(10000));
        EXPECT_EQ(run.cli(unit).exitCode(), 0) << run.cli(unit).readAllStandardError().toStdString();
        const QStringList printed = run.printed(0, unit);
        EXPECT_EQ(run.stored(unit), printed) << "unit " << unit;
        // Pressure is the sixth value; each unit's stays near its own.
        EXPECT_TRUE(std::ranges::all_of(printed,
                                        [unit](const QString& line) {
                                            return std::abs(line.section(u'\t', 5, 5).toDouble() -
                                                            300 * unit) < 50;
                                        }))
            << "unit " << unit;
    }
}

// A program deleting the test while a run records it is refused, naming the unit and station; once the run
// has ended the test goes with every reading.
void deleteWhileRecorded(const QString& databaseUri) {
    ServedRun run(1, databaseUri);
    ASSERT_FALSE(run.printed(3).isEmpty()) << run.cli().readAllStandardError().toStdString();
    const auto [status, message, _] = run.command({"delete", "Run 1"});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(message.contains("is being recorded by unit 1 on station " + QSysInfo::machineHostName()))
        << message.toStdString();
    run.cli().terminate();
    ASSERT_TRUE(run.cli().waitForFinished(10000));
    EXPECT_EQ(run.cli().exitCode(), 0) << run.cli().readAllStandardError().toStdString();
    EXPECT_EQ(run.stored(), run.printed(0)) << "nothing was deleted";
    EXPECT_EQ(std::get<0>(run.command({"delete", "Run 1"})), 0);
    EXPECT_TRUE(run.stored().isEmpty());
    EXPECT_EQ(std::get<0>(run.command({"delete", "Run 1"})), 2);
}

TEST(CliRunProcess, ATestBeingRecordedInTheFileIsNotDeletedUntilItsRunEnds) {
    deleteWhileRecorded({});
}

TEST(CliRunProcess, ATestBeingRecordedOnTheServerIsNotDeletedUntilItsRunEnds) {
    REQUIRE_PG_SERVER();
    pg_test::TestDatabase database;
    deleteWhileRecorded(database.uri());
}

TEST(CliRunProcess, AClosedPipeAndALostTerminalDoNotEndTheRunWhichStoresEveryReadingToTheEnd) {
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    ServedRun run(1, {}, "Short", [&pipe](QProcess& p) {
        p.setChildProcessModifier([&pipe] { ::dup2(pipe[1], STDOUT_FILENO); });
    });
    ::close(pipe[1]);
    // Three lines read, then the pipe closed, as "| head -3" does; then the terminal goes.
    FILE* head = ::fdopen(pipe[0], "r");
    char line[256];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(std::fgets(line, sizeof line, head));
    std::fclose(head);
    ::kill(static_cast<pid_t>(run.cli().processId()), SIGHUP);
    ASSERT_TRUE(run.cli().waitForFinished(60000));
    EXPECT_EQ(run.cli().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.cli().exitCode(), 0);
    const QString err = QString::fromUtf8(run.cli().readAllStandardError());
    EXPECT_TRUE(err.contains("standard output cannot be written") &&
                err.endsWith("The sequence has ended.\n"))
        << err.toStdString();
    // One reading every 4 s of the 5-minute ramp.
    const QStringList stored = run.stored();
    EXPECT_GE(stored.size(), 70);
    EXPECT_GE(stored.value(stored.size() - 1).section(u'\t', 2, 2).toDouble(), 296);
}

// SIGKILL at seeded random points (after a random count of printed readings and a random moment more):
// every reading printed as stored before the kill is in the database in order, r7716-cli resume stores and
// prints the rest of the sequence after them, and the journal ends the run by its sequence.
TEST(CliRunProcess, KilledAtRandomPointsTheRunResumesWithEveryStoredReadingAndEndsItsSequence) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int trial = 0; trial < 3; ++trial) {
        const int killedAfter = std::uniform_int_distribution(1, 50)(random);  // of about 65 readings
        const int moreMs = std::uniform_int_distribution(0, 80)(random);
        SCOPED_TRACE(testing::Message()
                     << "killed after " << killedAfter << " readings and " << moreMs << " ms");
        ServedRun run(1, {}, "Ramps");
        ASSERT_FALSE(run.printed(killedAfter).isEmpty()) << run.cli().readAllStandardError().toStdString();
        QThread::msleep(moreMs);
        run.cli().kill();
        ASSERT_TRUE(run.cli().waitForFinished(10000));
        const QStringList printed = run.printed(0), before = run.stored();
        ASSERT_GE(before.size(), printed.size());
        EXPECT_EQ(before.mid(0, printed.size()), printed);

        const auto [status, err, out] = run.command({"resume", "1", "Run 1", "--tick-ms", "20"}, 120000);
        EXPECT_EQ(status, 0) << err.toStdString();
        EXPECT_TRUE(err.endsWith("The sequence has ended.\n")) << err.toStdString();
        const QStringList after = run.stored();
        EXPECT_EQ(after, before + out.split(u'\n', Qt::SkipEmptyParts))
            << "what was stored stays, then the rest";
        for (qsizetype i = 1; i < after.size(); ++i)
            EXPECT_LT(after[i - 1].section(u'\t', 2, 2).toDouble(), after[i].section(u'\t', 2, 2).toDouble())
                << "times keep rising, none twice: " << i;
        EXPECT_EQ(after.last().section(u'\t', 0, 0), "2") << "the sequence went on to its last ramp";
        const auto [runsStatus, runsErr, journal] = run.command({"runs"});
        EXPECT_EQ(runsStatus, 0) << runsErr.toStdString();
        EXPECT_TRUE(journal.startsWith("Run 1\t1\t") && journal.section(u'\t', 6).startsWith("sequence end "))
            << journal.toStdString();
    }
}

}  // namespace
