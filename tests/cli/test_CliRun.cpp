// r7716-cli run against a simulated unit behind the port factory, on the unit's simulated time: the whole
// sequence stored and printed, and each way the command refuses or fails.

#include "cli/Commands.h"

#include "analysis/OpenTest.h"
#include "common/ErrorLog.h"
#include "instrument/RunContext.h"
#include "instrument/TestRunEngine.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/RecordingLock.h"
#include "store/RunJournal.h"
#include "store/clsConnection.h"
#include "support/NotifyReceivers.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A port whose cable is pulled at the unit's second from_s and plugged back at to_s.
class PulledPort : public SimulatedUnitPort {
  public:
    PulledPort(UnitFirmware& unit, double from_s, double to_s)
        : SimulatedUnitPort(unit), from_s_(from_s), to_s_(to_s) {}
    void delay(double seconds) override {
        SimulatedUnitPort::delay(seconds);
        if (const double now = unit().now_s(); now >= from_s_ && now < to_s_)
            unplug();
        else
            plugIn();
    }

  private:
    double from_s_, to_s_;
};

// A working directory with unit 2 on port 6 (bob XB1), a stored sequence, and the unit.
struct RunDir {
    explicit RunDir(double rampTemp_F = 75, double pressure_psi = 300)
        : unit({.pressure_psi = pressure_psi, .noise = 0}) {
        writeFile("initial.txt", " 0 \r\n 6 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
        writeFile("BOBINFO.TXT", "B5\r\nXB1\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
        writeFile("bad.txt", "COLOUR=blue\n");
        connection.OpenDB();
        SequenceStore(connection)
            .add({.name = "Short",
                  .settings = {3, 2, 5, 1000, 0, 30},
                  .steps = {{1, 75, 5, 100, 1}, {0.5, rampTemp_F, 5, 100, 0}},
                  .shearRates_1ps = {100, 50, 25}});
    }
    int run(const QStringList& arguments) {
        QTextStream o(&out), e(&err);
        return cli::run(arguments, o, e, [this](int) {
            return std::make_unique<PulledPort>(unit, pulled.first, pulled.second);
        });
    }
    std::pair<double, double> pulled{-1, -1};  // the unit's seconds without cable

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    UnitFirmware unit;
    QString out, err;
};

TEST(CliRun, RunsTheSequenceToItsEndPrintingEachReadingAsStoredWithTheTestInformationOfItsFile) {
    RunDir d;
    writeFile("info.txt", "FLUID_ID=Borate 35\nADDITIVE=Guar|35|lb/Mgal|G-1\n");
    ASSERT_EQ(d.run({"run", "2", "Short", "Gel A", "--info", "info.txt"}), cli::kOk) << d.err.toStdString();
    EXPECT_TRUE(d.err.endsWith("The sequence has ended.\n")) << d.err.toStdString();

    const OpenedTest test = OpenStoredTest(d.connection, "Gel A", ChartDataOption::All, UnitSystem::CGS);
    QStringList stored;
    for (const Reading& r : test.readings) stored << cli::readingLine(r);
    EXPECT_EQ(stored.size(), 4);
    EXPECT_EQ(d.out.split(u'\n', Qt::SkipEmptyParts), stored);
    EXPECT_EQ(test.bobRadius_cm, 1.7245) << "the unit's bob of BOBINFO.TXT";
    EXPECT_EQ(test.testInfoRow.value(2).toString(), "Borate 35");
    EXPECT_EQ(test.additives.size(), 1);
    EXPECT_TRUE(d.unit.commandLog().last().startsWith(UnitCommands::kStop));
}

TEST(CliRun, RefusalsAndFailuresExitWithTheirStatusAndMessage) {
    struct Case {
        QStringList arguments;
        int status;
        QString message;
        double rampTemp_F = 75, pressure_psi = 300;
    };
    const Case cases[] = {
        {{"run", "2", "Short", "T"}, 1, TestRunEngine::kPressureText, 211, 99},
        {{"run", "2", "Long", "T"}, 2, "no sequence named \"Long\" is stored."},
        {{"run", "2", "Short", "stored"}, 1, TestInfoEntry::kDuplicateName},
        {{"run", "2", "Short", ""}, 1, TestInfoEntry::kEmptyName},
        {{"run", "2", "Short", "silent"},
         1,
         "Unit 2 has sent no status reply for 10 s. The test was not started."},
        {{"run", "2", "Short", "T", "--info", "bad.txt"}, cli::kUsage, "unknown key \"COLOUR\""},
        {{"run", "2", "Short", "T", "--tick-ms", "0"}, cli::kUsage, "--tick-ms takes"},
        {{"run", "2", "Short", "T", "--silence-s", "0.5"}, cli::kUsage, "--silence-s takes"},
    };
    for (const Case& c : cases) {
        RunDir d(c.rampTemp_F, c.pressure_psi);
        stored_test::store(d.connection, {"STORED"});
        if (c.arguments[3] == "silent")
            d.unit.injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
        EXPECT_EQ(d.run(c.arguments), c.status) << c.message.toStdString();
        EXPECT_TRUE(d.err.contains(c.message)) << d.err.toStdString();
        EXPECT_TRUE(d.out.isEmpty());
        EXPECT_EQ(QFile::exists(kErrorLogFileName), c.pressure_psi < 100)
            << "the pressure refusal's log line";
    }
}

// An adapter pulled out for 12 s during the run is waited out as the window waits it out; one that stays out
// longer than --silence-s ends the run, saying that the unit may still be running.
TEST(CliRun, ASilenceShorterThanSilenceSIsWaitedOutAndALongerOneEndsTheRunWarningOfTheUnit) {
    const std::tuple<QStringList, int, QString> cases[] = {
        {{}, cli::kOk, "Unit 2 answers again.\nr7716-cli run: The sequence has ended.\n"},
        {{"--silence-s", "30"}, 1, "may still be running its sequence, unrecorded. Please check the unit.\n"},
    };
    for (const auto& [silence, status, ending] : cases) {
        RunDir d;
        d.pulled = {40, silence.isEmpty() ? 52 : 1e9};
        EXPECT_EQ(d.run(QStringList{"run", "2", "Short", "Gel"} + silence), status) << d.err.toStdString();
        EXPECT_TRUE(d.err.contains("Unit 2 has sent no status reply for 10 s; the run waits for it up to " +
                                   QString(silence.isEmpty() ? "600" : "30") + " s."))
            << d.err.toStdString();
        EXPECT_TRUE(d.err.endsWith(ending)) << d.err.toStdString();
        EXPECT_EQ(d.out.count(u'\n'), silence.isEmpty() ? 4 : 1) << "every reading the unit was heard for";
    }
}

// Another program holds the database's write lock from 30 s to 100 s of the run (on the unit's clock, which
// the port's sends follow): the waiting readings are said once with their count, then that they are
// stored, and every reading is stored.
TEST(CliRun, ReadingsALockHeldElsewhereKeptWaitingAreSaidOnceAndAllStored) {
    struct LockingPort : SimulatedUnitPort {
        using SimulatedUnitPort::SimulatedUnitPort;
        void send(const QByteArray& bytes) override {
            const double now_s = unit().now_s();
            if (now_s > 30 && !other.isOpen() && !released) {
                other = QSqlDatabase::addDatabase("QSQLITE", "other program");
                other.setDatabaseName(clsConnection::kFileName);
                EXPECT_TRUE(other.open() && QSqlQuery(other).exec("BEGIN IMMEDIATE"));
            }
            if (now_s > 100 && other.isOpen()) {
                QSqlQuery(other).exec("ROLLBACK");
                other.close();
                released = true;
            }
            SimulatedUnitPort::send(bytes);
        }
        QSqlDatabase other;
        bool released = false;
    };
    RunDir d;
    QTextStream o(&d.out), e(&d.err);
    const int status = cli::run({"run", "2", "Short", "Locked"}, o, e,
                                [&d](int) { return std::make_unique<LockingPort>(d.unit); });
    QSqlDatabase::removeDatabase("other program");
    EXPECT_EQ(status, cli::kOk) << d.err.toStdString();
    EXPECT_EQ(d.err.count("readings waiting"), 1) << d.err.toStdString();
    EXPECT_TRUE(d.err.contains("r7716-cli run: 1 readings waiting (database is locked)\n"));
    EXPECT_TRUE(d.err.contains("r7716-cli run: the waiting readings are stored.\n")) << d.err.toStdString();
    EXPECT_EQ(OpenStoredTest(d.connection, "Locked", ChartDataOption::All, UnitSystem::CGS).readings.size(),
              4u);
    EXPECT_EQ(d.out.count(u'\n'), 4);
}

// "Held" left interrupted on unit 2 in a ramp at 250 F, "Done" ended by its sequence: the journal commands
// list, end and resume them, or refuse with their status and reason (all of standard output, or the start
// of standard error), leaving Held interrupted or not.
TEST(CliRun, TheJournalCommandsListEndAndResumeRunsOrRefuseWithTheirStatus) {
    enum Setup { Plain, SilentUnit, LockHeld };
    const QString host = QSysInfo::machineHostName(), day = "\t2024-05-02 ";
    const QString held = "Held\t2\t" + host + "\tHot" + day + "09:02:00" + day + "14:37:10\t";
    const QString done = QString(held).replace("Held", "Done") + "sequence end 2024-05-02 15:00:00\n";
    const QString resume = "r7716-cli resume: ";
    const std::tuple<Setup, int, bool, QStringList, QString> cases[] = {
        {Plain, 0, true, {"runs"}, done + held + "interrupted\n"},
        {Plain, 0, true, {"runs", "--interrupted"}, held + "interrupted\n"},
        {LockHeld, 0, true, {"runs"}, done + held + "recording\n"},
        {Plain, 0, false, {"end-run", "Held"}, "Ended the run of \"Held\" on unit 2 as it is.\n"},
        {LockHeld, 1, true, {"end-run", "Held"}, "r7716-cli: the test \"Held\" is being recorded (unit 5 on"},
        {Plain, 2, true, {"end-run", "Done"}, "r7716-cli: \"Done\" has no interrupted run."},
        {Plain, 1, true, {"resume", "2", "Held"}, resume + "Unit 2 is inactive at 75 F, far from the 250 F"},
        {SilentUnit, 1, true, {"resume", "2", "Held"}, resume + "Unit 2 has sent no status reply for 10 s."},
        {LockHeld, 1, true, {"resume", "2", "Held"}, resume + "the test \"Held\" is being recorded (unit 5"},
        {Plain, 2, true, {"resume", "2", "Done"}, resume + "\"Done\" has no interrupted run on Unit 2."},
        {Plain, 2, true, {"resume", "1", "Held"}, resume + "\"Held\" has no interrupted run on Unit 1."},
    };
    const StoredSequence hot{
        .name = "Hot", .settings = {3, 2, 5, 1000, 0, 30}, .steps = {{60, 250, 5, 100, 0}}};
    for (const auto& [setup, status, stays, arguments, printed] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        RunDir d;
        std::unique_ptr<store::RecordingLock> lock;
        for (const QString name : {"Held", "Done"}) {
            RunContext context{.state = RunState::TemperatureRamp, .unitNumber = 2};
            context.testId = stored_test::store(d.connection, {name});
            const QDateTime at({2024, 5, 2}, {9, 2});
            const qint64 runId =
                run_journal::begin(d.connection, {0, context.testId, {}, 2, host, 0, "Hot", at});
            run_journal::save(d.connection,
                              {runId, journalText(context, hot), at.addSecs(5 * 3600 + 35 * 60 + 10)});
            if (name == "Done")
                run_journal::end(d.connection, runId, run_journal::EndReason::SequenceEnd, at.addSecs(21480));
            if (name == "Held" && setup == LockHeld)
                lock = store::RecordingLock::take(d.connection, static_cast<int>(context.testId),
                                                  {.station = "pc-9", .unit = 5});
        }
        if (setup == SilentUnit) d.unit.injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
        EXPECT_EQ(d.run(arguments), status) << d.err.toStdString();
        if (status == cli::kOk)
            EXPECT_EQ(d.out, printed);
        else
            EXPECT_TRUE(d.err.startsWith(printed)) << d.err.toStdString();
        lock.reset();
        EXPECT_EQ(run_journal::interrupted(d.connection, "Held", 2).has_value(), stays);
    }
}

}  // namespace

// The cable is pulled from 20 s to 40 s of the run: the run tells a webhook of its start, the lost port,
// its return and the end, in order, and nothing waits on disk afterwards.
TEST(CliRun, ARunTellsTheChannelsOfNotifyTxtOfItsStartALostPortItsReturnAndItsEnd) {
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    // The test's own application, gone at its end: one left to the exit handlers would outlive the SQL
    // driver's statics that its destruction still calls into.
    const auto app = QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    HttpReceiver http;
    RunDir d;
    writeFile("notify.txt", ("webhook " + http.url() + "\n").toUtf8());
    d.pulled = {20, 40};
    EXPECT_EQ(d.run({"run", "2", "Short", "Gel"}), cli::kOk) << d.err.toStdString();
    QStringList events;
    for (const QJsonObject& e : http.received) events << e["event"].toString();
    EXPECT_EQ(events, QStringList({"test-started", "port-lost", "port-back", "test-ended"}));
    EXPECT_EQ(
        http.received.value(1)["text"].toString(),
        "The port of Unit 2 was lost while recording test \"Gel\"; the program waits for it to come back.");
    EXPECT_TRUE(QDir().entryList({"R7716-notify-*.queue"}).isEmpty());
}

// notify-test through a receiver that takes the event and one that refuses it: every channel, whatever
// its events=, or the one asked for; each outcome on its own line, the hook's path never shown.
TEST(CliRun, NotifyTestTriesEachChannelOnceAndSaysWhatCameOfIt) {
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    const auto app = QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    TempWorkDir dir;
    HttpReceiver taking, refusing;
    refusing.setMode(HttpReceiver::Mode::Refuse);
    writeFile("notify.txt",
              ("# the lab\nwebhook " + taking.url() + " events=test-ended\nwebhook " + refusing.url() + "\n")
                  .toUtf8());
    const QString delivered = "1\tline 2\twebhook http://127.0.0.1:\\d+/\\.\\.\\.\tdelivered\tHTTP 200";
    const QString failed = "2\tline 3\twebhook http://127.0.0.1:\\d+/\\.\\.\\.\tfailed\t.*503";
    const struct {
        QStringList arguments;
        int status;
        QString out;  // a pattern
    } cases[] = {
        {{"notify-test"}, cli::kUnitError, delivered + ".*\n" + failed + ".*\n"},
        {{"notify-test", "--channel", "1"}, cli::kOk, delivered + ".*\n"},
        {{"notify-test", "--channel", "2"}, cli::kUnitError, failed + ".*\n"},
        {{"notify-test", "--channel", "3"}, cli::kUsage, ""},
    };
    for (const auto& c : cases) {
        QString out, err;
        QTextStream o(&out), e(&err);
        EXPECT_EQ(cli::run(c.arguments, o, e), c.status) << err.toStdString();
        EXPECT_TRUE(QRegularExpression("^" + c.out + "$").match(out).hasMatch()) << out.toStdString();
    }
    ASSERT_EQ(taking.received.size(), 2);
    EXPECT_EQ(taking.received[0]["event"].toString(), "notify-test");
    EXPECT_EQ(refusing.requests, 2);
}

// At the run's end its files land in the export folder of autoexport.txt; when that folder cannot be
// written, the run ends as well all the same, the log names the file and a webhook hears export-failed.
TEST(CliRun, ARunsEndWritesTheFilesOfAutoexportTxtAndAFailureIsLoggedAndToldWithoutHarmingTheRun) {
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    const auto app = QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
    HttpReceiver http;
    RunDir d;
    writeFile("notify.txt", ("webhook " + http.url() + " events=export-failed,test-ended\n").toUtf8());
    writeFile("autoexport.txt", "folder exports\nformats csv json halliburton\n");
    ASSERT_EQ(d.run({"run", "2", "Short", "Gel"}), cli::kOk) << d.err.toStdString();
    const int readings = static_cast<int>(d.out.count('\n'));
    QFile csv("exports/Gel/Gel.csv");
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count('\n'), readings + 1);  // the header and every reading printed as stored
    EXPECT_TRUE(QFile::exists("exports/Gel/Gel.txt"));
    EXPECT_TRUE(QFile::exists("exports/Gel/Gel.json"));

    // A file where the export folder should be.
    writeFile("autoexport.txt", "folder blocked\nformats csv\n");
    writeFile("blocked", "");
    d.out.clear();
    ASSERT_EQ(d.run({"run", "2", "Short", "Gel 2"}), cli::kOk) << d.err.toStdString();
    EXPECT_EQ(static_cast<int>(d.out.count('\n')), readings);
    EXPECT_TRUE(d.err.contains("automatic exports of the run could not be written")) << d.err.toStdString();
    QFile log("R7716-diag.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Automatic export\tGel 2: \""));
    QStringList events;
    for (const QJsonObject& e : http.received) events << e["event"].toString() + " " + e["test"].toString();
    EXPECT_EQ(events, QStringList({"test-ended Gel", "test-ended Gel 2", "export-failed Gel 2"}));
}
