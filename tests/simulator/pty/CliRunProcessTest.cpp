// r7716-cli run as a program of its own against a unit served on a pseudo-terminal, fifty times as fast:
// killed in the middle of a run it has lost no reading it had reported stored, and SIGTERM stops the unit
// as the Stop button does.

#include "analysis/OpenTest.h"
#include "cli/Commands.h"
#include "instrument/SerialPortName.h"
#include "instrument/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/PortListFile.h"
#include "simulator/pty/PtyUnitServer.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Unit 1 served in a thread of its own, as r7716-sim serves it, and r7716-cli running a long sequence on it
// that stores a reading every few ticks.
struct ServedRun {
    ServedRun() {
        const QString device = server.addUnit(1, {.pressure_psi = 300});
        EXPECT_TRUE(PortListFile(SerialPortName::kPortListFile).write({{1, device}}));
        for (const auto& [name, text] :
             {std::pair{"initial.txt", " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n"},
              {"BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n"}}) {
            QFile f(name);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
        }
        connection.OpenDB();
        SequenceStore(connection)
            .add({.name = "Long",
                  .settings = {3, 1, 2, 1000, 0, 4},
                  .steps = {{600, 75, 5, 100, 0}},
                  .shearRates_1ps = {100}});
        thread = std::thread([this] {
            while (!stop) server.serviceOnce(5);
        });
        cli.start(R7716_CLI_PATH, {"run", "1", "Long", "Run 1", "--tick-ms", "20"});
        EXPECT_TRUE(cli.waitForStarted());
    }
    ~ServedRun() {
        cli.kill();
        cli.waitForFinished();
        stop = true;
        thread.join();
    }
    // The whole lines printed once at least that many are; empty after a minute without them.
    QStringList printed(int atLeast) {
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
    QStringList stored() {
        QStringList lines;
        for (const Reading& r :
             OpenStoredTest(connection, "Run 1", ChartDataOption::All, UnitSystem::CGS).readings)
            lines << cli::readingLine(r);
        return lines;
    }

    // QProcess needs an application; made here when the binary has none, it outlives the program below.
    static inline int argc = 1;
    static inline char appName[] = "test_simulator_pty", *argv[] = {appName, nullptr};
    std::unique_ptr<QCoreApplication> app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    PtyUnitServer server{50};
    std::atomic<bool> stop{false};
    std::thread thread;
    QProcess cli;
    QString output;
};

TEST(CliRunProcess, KilledMidRunItHasLostNoReadingItReportedStored) {
    ServedRun run;
    ASSERT_FALSE(run.printed(12).isEmpty()) << run.cli.readAllStandardError().toStdString();
    run.cli.kill();
    ASSERT_TRUE(run.cli.waitForFinished(10000));
    const QStringList printed = run.printed(0), stored = run.stored();
    ASSERT_GE(stored.size(), printed.size());
    EXPECT_LE(stored.size(), printed.size() + 1) << "at most the reading stored as the program died";
    EXPECT_EQ(stored.mid(0, printed.size()), printed);
}

TEST(CliRunProcess, SigtermStopsTheUnitAsStopDoesAndExitsZero) {
    ServedRun run;
    ASSERT_FALSE(run.printed(3).isEmpty()) << run.cli.readAllStandardError().toStdString();
    run.cli.terminate();
    ASSERT_TRUE(run.cli.waitForFinished(10000));
    EXPECT_EQ(run.cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.cli.exitCode(), 0);
    EXPECT_TRUE(run.cli.readAllStandardError().contains("the unit was stopped"));
    EXPECT_EQ(run.stored(), run.printed(0));
    bool stopped = false;
    run.server.withUnit(
        1, [&](UnitFirmware& u) { stopped = u.commandLog().last().startsWith(UnitCommands::kStop); });
    EXPECT_TRUE(stopped);
}

}  // namespace
