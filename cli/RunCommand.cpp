// r7716-cli run: a stored sequence run as a test on a unit, as the unit window's Start runs it, through the
// same run engine, storing every reading as the window does and printing each one once it is stored.

#include "autoexport/AutoExporter.h"
#include "cli/Commands.h"
#include "cli/ExportCommands.h"
#include "cli/StreamMessenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/SequenceSending.h"
#include "instrument/TestRunEngine.h"
#include "instrument/UnitStatusWriter.h"
#include "notify/Notifier.h"
#include "sequence/SequenceStore.h"
#include "store/ReadingWriter.h"
#include "store/RunJournal.h"
#include "store/SpoolingReadingWriter.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoFile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <optional>

namespace cli {

const char* const kRunHelp =
    "Usage: r7716-cli run UNIT SEQUENCE TEST [--info FILE] [--tick-ms N] [--silence-s S]\n"
    "\n"
    "Runs the stored sequence SEQUENCE as the test TEST on instrument unit UNIT (1 to 8, on the port of\n"
    "line UNIT of \"initial.txt\") as the unit window's Start does: it polls the unit once a tick, starts\n"
    "once a status reply has arrived (the pressure guard needs one), drives the unit through the ramps,\n"
    "and stores every reading in the database of the current directory exactly as the window would.\n"
    "Each reading is printed once it is stored, one line of tab-separated values: RAMP_NO, RAMP_STEP_NO,\n"
    "RESULT_TIME (seconds since the start), sample temperature, bath temperature (F), pressure (psi),\n"
    "shear rate (1/s), shear stress (dyn/cm2), RESULT_TYPE_ID (0 temperature ramp, 1 shear-rate ramp).\n"
    "\n"
    "  --info FILE   the test information as the test-information dialog would hand it back: one\n"
    "                KEY=value line per field, KEY one of FLUID_ID, RESEARCHER_NAME, ROTOR_NO, BOB_NO,\n"
    "                BOB_RADIUS, BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH, SAFETY, and up to 20 lines\n"
    "                ADDITIVE=name|concentration|unit|lot in order. A key not given keeps the dialog's\n"
    "                initial text; the bob is the unit's line of \"BOBINFO.TXT\" unless BOB_NO is given;\n"
    "                BOB_NO without BOB_RADIUS and BOB_EFF_LENGTH takes them from the bob table.\n"
    "  --tick-ms N   the tick period in ms (default 1000; the tick after a set point lasts 4 N). Every\n"
    "                time the program measures is scaled by 1000 / N, so stored times stay in the unit's\n"
    "                seconds. For demonstrations with r7716-sim --speed 1000/N, never for a real unit.\n"
    "  --silence-s S how long (seconds, default 600) the run waits for a unit that stopped answering or\n"
    "                whose port vanished (an adapter pulled out): polling goes on meanwhile and the port is\n"
    "                opened again by itself once it is back. After S seconds of silence the stop command\n"
    "                is sent and the command ends, saying that the unit may still be running. Before the\n"
    "                start the unit is given 10 s (at most S) to answer its first status query.\n"
    "\n"
    "A reading the database cannot take now (a lock another program holds, a full disk, a database\n"
    "server that cannot be reached) waits in the local spool \"R7716-spool.db\" (in memory where that\n"
    "cannot be written either) and is printed when it is kept there; waiting readings are stored, in\n"
    "order, as soon as the database takes them. This is said once when readings begin to wait, and once\n"
    "when they are stored. Readings still waiting at the end stay in the spool for the next run on this\n"
    "station (or its unit window) to store first.\n"
    "\n"
    "Every run has its row in the run journal (\"r7716-cli runs\"); should the program stop in the middle\n"
    "(a crash, a power cut), \"r7716-cli resume UNIT TEST\" goes on with it.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the unit as the Stop button does; what was stored stays. A lost\n"
    "terminal (SIGHUP) or a closed pipe (SIGPIPE, as with | head) never ends the run: it goes on storing\n"
    "every reading to its end, and output that can no longer be written is dropped. While it runs, the\n"
    "test cannot be deleted (r7716-cli delete, the open-test dialog); should it be deleted all the same,\n"
    "the unit is stopped and the command ends.\n"
    "\n"
    "Exit status 0 when the sequence has ended (by itself, by the low-viscosity shut-down, or stopped by\n"
    "a signal; the reason goes to standard error); 1 when the start is refused (pressure, a duplicate or\n"
    "empty name: the message on standard error, the log line written), when the unit does not answer\n"
    "before the start or stays silent for --silence-s seconds during the run, when the test was deleted\n"
    "during the run, a reading could not be stored or readings still wait (in the spool, or lost with\n"
    "the program when only memory held them); 2 when the sequence is not stored; 64 for a wrong command\n"
    "line.\n";

const char* const kResumeHelp =
    "Usage: r7716-cli resume UNIT TEST [--tick-ms N] [--silence-s S]\n"
    "\n"
    "Goes on with the interrupted run of the test TEST on unit UNIT: a run whose program stopped in the\n"
    "middle (a crash, a power cut of the PC, a SIGKILL) and which nobody ended since, as \"r7716-cli runs\n"
    "--interrupted\" lists them. It stores first what readings the stopped program left waiting, polls the\n"
    "unit, and goes on as the unit window's resumption does: the elapsed time goes on on the true timeline\n"
    "since the test's start (the time away has passed: a ramp whose time ran out meanwhile ends at once),\n"
    "the current ramp's set point is sent again, a shear-rate ramp that was interrupted starts again at its\n"
    "first step, and no reading of the time away is made up. From then on it behaves like \"r7716-cli "
    "run\":\n"
    "the same output lines, the same signals, the same exit statuses.\n"
    "\n"
    "  --tick-ms N    as for run; give the speed the run had (a demonstration at 50x: 20).\n"
    "  --silence-s S  as for run.\n"
    "\n"
    "Exit status 1, with the reason on standard error, when the run cannot be resumed: the unit does not\n"
    "answer, it answers \"InActive\" further from the ramp's temperature than the ramp's start error band\n"
    "(the oven was off), or another program records the test; 2 when TEST has no interrupted run on UNIT.\n"
    "\"r7716-cli end-run TEST\" ends such a run as it is.\n";

namespace {

// Each command names itself in its messages.
constexpr const char* kRunCommand = "r7716-cli run";
constexpr const char* kResumeCommand = "r7716-cli resume";
constexpr const char* kWaitingStored = "the waiting readings are stored.";
constexpr const char* kStillWaiting =
    "%1 reading(s) still wait for the database in \"%2\"; the next run on this station stores them "
    "first.";
constexpr const char* kLostInMemory =
    "%1 reading(s) are lost: neither the database nor the spool \"%2\" could take them.";
// Before the start a unit gets this long (its seconds, at most --silence-s) to answer its first query.
constexpr double kFirstReply_s = 10;
// During the run the wait for a silent unit or a vanished port, unless --silence-s says otherwise.
constexpr double kDefaultSilence_s = 600;
constexpr double kMaxSilence_s = 7 * 24 * 3600.0;
// A silence this long is mentioned once, and its end too.
constexpr double kSilenceNotice_s = 10;
// The longest the loop waits without looking at the signals.
constexpr double kWaitSlice_s = 0.05;
constexpr int kMaxTick_ms = 60000;
// How long the command waits at its end for its notifications to be delivered.
constexpr int kNotifyWait_ms = 15000;
// The files of autoexport.txt for a long test take a few seconds.
constexpr int kExportWait_ms = 60000;

volatile std::sig_atomic_t interruptFlag = 0;

extern "C" void onInterrupt(int) {
    interruptFlag = 1;
}

// SIGINT and SIGTERM end the run as Stop does while the command runs; the previous handlers come back after.
class InterruptGuard {
  public:
    InterruptGuard() {
        interruptFlag = 0;
        previousInt_ = std::signal(SIGINT, onInterrupt);
        previousTerm_ = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptGuard() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    bool interrupted() const { return interruptFlag != 0; }

  private:
    void (*previousInt_)(int) = SIG_DFL;
    void (*previousTerm_)(int) = SIG_DFL;
};

// The clock of the run: the monotonic clock, never behind the time waited on the unit's port (a port whose
// waits are simulated moves it by its waits), scaled to the unit's seconds.
class RunClock {
  public:
    explicit RunClock(double scale) : scale_(scale) { real_.start(); }
    // Unscaled seconds since the command began.
    double raw_s() const { return std::max(real_.nsecsElapsed() / 1e9, waited_s_); }
    double now_s() const { return raw_s() * scale_; }
    // Waits on the port until raw_s() reaches until_s, or a signal comes.
    void waitUntil(UnitPort& port, double until_s, const InterruptGuard& interrupts) {
        while (!interrupts.interrupted()) {
            const double left = until_s - raw_s();
            if (left <= 0) return;
            const double slice = std::min(left, kWaitSlice_s);
            port.delay(slice);
            waited_s_ += slice;
        }
    }

  private:
    QElapsedTimer real_;
    double waited_s_ = 0;
    double scale_;
};

int usage(const char* command, QTextStream& err, const QString& problem) {
    err << command << ": " << problem << "\nRun '" << command << " --help' for usage.\n";
    err.flush();
    return kUsage;
}

int failed(const char* command, QTextStream& err, const QString& problem, int status = kUnitError) {
    err << command << ": " << problem << '\n';
    err.flush();
    return status;
}

QString number(double value) {
    return vb::Format(value, QString());
}

// The test's data: the --info file, or the dialog's initial texts with the unit's bob.
std::optional<TestInfoInput> testInfo(const Invocation& call, const QString& testName,
                                      const std::optional<QString>& presetBob, QString& problem) {
    const testinfo_file::Result result =
        call.options.has("--info") ? testinfo_file::read(call.options.value("--info"), testName, presetBob)
                                   : testinfo_file::parse(QString(), testName, presetBob,
                                                          QStringLiteral("the default test information"));
    problem = result.error;
    return result.input;
}

// Polls the unit, runs the test, and ends it; returns the exit status.
class Runner {
  public:
    Runner(const char* command, const Invocation& call, RealTimeUnit& unit, TestRunEngine& engine,
           ReadingWriter& writer, double scale, double silence_s)
        : command_(command),
          call_(call),
          unit_(unit),
          engine_(engine),
          writer_(writer),
          clock_(scale),
          scale_(scale),
          silence_s_(silence_s) {
        unit_.setClock([this] { return clock_.now_s(); });
    }

    // Ticks until the first whole status reply; false (after a message ending in notDone) when none comes
    // or a signal does.
    bool awaitFirstReply(const QString& notDone = QStringLiteral("The test was not started.")) {
        while (unit_.poller().completeReplies() == 0) {
            if (interrupts_.interrupted()) return false;
            if (const double wait_s = std::min(kFirstReply_s, silence_s_); silent_s() >= wait_s) {
                failed(command_, call_.err,
                       QStringLiteral("%1 has sent no status reply for %2 s. %3")
                           .arg(RealTimeHost::unitText(call_.unit), number(wait_s), notDone));
                return false;
            }
            tickAndWait();
        }
        return true;
    }

    int run() {
        for (;;) {
            if (interrupts_.interrupted()) {
                engine_.shutDown();
                return finished(QStringLiteral("interrupted: the unit was stopped."));
            }
            tickAndWait();
            // A deleted test has been reported by the engine itself.
            if (!engine_.running())
                return engine_.end() == TestRunEngine::End::TestGone ? kUnitError
                                                                     : finished(engine_.endText());
            if (silent_s() >= silence_s_) return unitSilent();
            noteSilence();
        }
    }

    bool interrupted() const { return interrupts_.interrupted(); }

    // Called after every tick (the unit's status for the lab monitor).
    std::function<void()> afterTick;

  private:
    void tickAndWait() {
        const double tickStart = clock_.raw_s();
        const int interval_ms = unit_.timerInterval_ms();
        engine_.tick();
        if (afterTick) afterTick();
        const qint64 replies = unit_.poller().completeReplies();
        if (replies != replies_ || lastReply_s_ < 0) {
            replies_ = replies;
            lastReply_s_ = unit_.now_s();
        }
        reportFailures();
        // As the window's timer: a steady period keeps its beat; a new interval counts from this tick.
        const double period_s = unit_.timerInterval_ms() / 1000.0 / scale_;
        nextTick_s_ = unit_.timerInterval_ms() == interval_ms && nextTick_s_ > 0
                          ? std::max(nextTick_s_ + period_s, tickStart)
                          : tickStart + period_s;
        clock_.waitUntil(unit_.port(), nextTick_s_, interrupts_);
    }

    // Seconds of the unit's clock since its last status reply (since the first tick before any reply).
    double silent_s() const { return lastReply_s_ < 0 ? 0 : unit_.now_s() - lastReply_s_; }

    // A short silence (an adapter pulled out and plugged back) is waited out as the unit window waits it
    // out; the operator is told what the run waits for, and when the unit is back.
    void noteSilence() {
        const bool silent = silent_s() >= kSilenceNotice_s;
        if (silent && !silenceNoted_)
            call_.err << command_ << ": "
                      << QStringLiteral(
                             "%1 has sent no status reply for %2 s; the run waits for it up to %3 s.")
                             .arg(RealTimeHost::unitText(call_.unit), number(kSilenceNotice_s),
                                  number(silence_s_))
                      << '\n';
        if (!silent && silenceNoted_)
            call_.err << command_ << ": " << RealTimeHost::unitText(call_.unit) << " answers again.\n";
        silenceNoted_ = silent;
        call_.err.flush();
    }

    int unitSilent() {
        // The unit may hear the stop even if it cannot answer; a test it runs unrecorded must not go on.
        engine_.shutDown();
        return failed(command_, call_.err,
                      QStringLiteral("%1 has sent no status reply for %2 s; recording has ended. The stop "
                                     "command was sent, but the unit may not have received it: it may still "
                                     "be running its sequence, unrecorded. Please check the unit.")
                          .arg(RealTimeHost::unitText(call_.unit), number(silence_s_)));
    }

    // A failed tick is written once when it starts, as the window's status bar names it; so are readings
    // that begin to wait for the database, and their arrival.
    void reportFailures() {
        const QString failure = unit_.failures().shownFailure();
        if (failure != lastFailure_ && !failure.isEmpty()) call_.err << command_ << ": " << failure << '\n';
        lastFailure_ = failure;
        const QString waiting = writer_.statusText();
        if (!waiting.isEmpty() && !readingsWaited_) call_.err << command_ << ": " << waiting << '\n';
        if (waiting.isEmpty() && readingsWaited_) call_.err << command_ << ": " << kWaitingStored << '\n';
        readingsWaited_ = !waiting.isEmpty();
        call_.err.flush();
    }

    int finished(const QString& reason) {
        call_.err << command_ << ": " << reason << '\n';
        const int notStored = unit_.failures().count(TickFailureKind::Storage);
        if (notStored > 0)
            return failed(command_, call_.err,
                          QStringLiteral("%1 reading(s) could not be stored.").arg(notStored));
        const QString spool = QString::fromLatin1(SpoolingReadingWriter::kSpoolFileName);
        if (writer_.waiting() > 0 && !writer_.storeWaitingNow()) {
            const int lost = writer_.waitingInMemory();
            if (const int spooled = writer_.waiting() - lost; spooled > 0)
                call_.err << command_ << ": " << QString::fromLatin1(kStillWaiting).arg(spooled).arg(spool)
                          << '\n';
            if (lost > 0)
                call_.err << command_ << ": " << QString::fromLatin1(kLostInMemory).arg(lost).arg(spool)
                          << '\n';
            call_.err.flush();
            return kUnitError;
        }
        if (readingsWaited_) call_.err << command_ << ": " << kWaitingStored << '\n';
        call_.err.flush();
        return kOk;
    }

    const char* command_;
    const Invocation& call_;
    RealTimeUnit& unit_;
    TestRunEngine& engine_;
    ReadingWriter& writer_;
    InterruptGuard interrupts_;
    RunClock clock_;
    double scale_;
    double silence_s_;
    bool silenceNoted_ = false;
    qint64 replies_ = 0;
    double lastReply_s_ = -1;
    double nextTick_s_ = 0;  // on raw_s()
    QString lastFailure_;
    bool readingsWaited_ = false;
};

}  // namespace

QString readingLine(const Reading& r) {
    return QStringList{number(r.rampNo),        number(r.rampStepNo),         number(r.time_s),
                       number(r.sampleTemp_F),  number(r.bathTemp_F),         number(r.pressure_psi),
                       number(r.shearRate_1ps), number(r.shearStress_dyncm2), number(r.typeId)}
        .join(u'\t');
}

// The wait for a silent unit that --silence-s gives; nothing (after the message) when it is not a number of
// seconds in range.
std::optional<double> silenceOf(const char* command, const Invocation& call) {
    if (!call.options.has("--silence-s")) return kDefaultSilence_s;
    bool ok = false;
    const double silence_s = call.options.value("--silence-s").toDouble(&ok);
    if (ok && silence_s >= 1 && silence_s <= kMaxSilence_s) return silence_s;
    usage(command, call.err,
          QStringLiteral("--silence-s takes a number of seconds from 1 to %1.").arg(number(kMaxSilence_s)));
    return std::nullopt;
}

// The tick period --tick-ms gives (1000 ms unless told); nothing (after the message) when it is out of
// range.
std::optional<int> tickOf(const char* command, const Invocation& call) {
    if (!call.options.has("--tick-ms")) return 1000;
    bool ok = false;
    const int tick_ms = call.options.value("--tick-ms").toInt(&ok);
    if (ok && tick_ms >= 1 && tick_ms <= kMaxTick_ms) return tick_ms;
    usage(command, call.err,
          QStringLiteral("--tick-ms takes a whole number of ms from 1 to %1.").arg(kMaxTick_ms));
    return std::nullopt;
}

// A unit recorded from the command line: its port, the unit window's logic, the writer and the engine,
// every stored reading printed once it is stored.
struct LiveUnit {
    LiveUnit(const char* command, const Invocation& call, std::unique_ptr<UnitPort> port, double scale)
        : command(command),
          messenger(call.err),
          unit(std::move(port), messenger),
          notifier(runNotifier(call)),
          exporter(runExporter(call, notifier.get())) {
        unit.InitialInst(call.database());
        unit.setMessageTitle(RealTimeHost::realTimeCaption(call.unit));
        unit.setUnitName(RealTimeHost::unitText(call.unit));
        writer = makeReadingWriter(call.database());
        engine = std::make_unique<TestRunEngine>(unit, call.database(), *writer, messenger);
        // Faster than real time for a demonstration: the journal's clock runs as fast, so that a run resumed
        // at the same speed finds the time away counted in the unit's seconds.
        engine->setWallClock(
            [scale] { return static_cast<qint64>(QDateTime::currentMSecsSinceEpoch() * scale); });
        engine->setStoredListener([this, &call](const Reading& reading) { print(call, reading); });
        engine->setEventSink(exporter ? static_cast<EventSink*>(exporter.get()) : notifier.get());
        status = std::make_unique<UnitStatusWriter>(call.database().location(), QStringLiteral("r7716-cli"),
                                                    unit.failures().log());
    }
    // The run's status, once its events are told: before the program ends, where the receivers answer.
    int finish(const Invocation& call, int exitStatus) {
        // The exports first: a file that failed is told through the notifications.
        finishExports(call, exporter.get(), kExportWait_ms);
        finishNotifications(call, notifier.get(), kNotifyWait_ms);
        return exitStatus;
    }
    // The unit's status for the lab monitor, after each tick.
    void offerStatus(int unitNumber) {
        status->offer(describeUnit(unitNumber, unit, &engine->context(), unit.selectedName(), writer.get()));
    }
    void print(const Invocation& call, const Reading& reading) {
        if (!printing) return;
        call.out << readingLine(reading) << '\n';
        call.out.flush();
        if (call.out.status() == QTextStream::Ok) return;
        // The reader went away (a closed pipe, a lost terminal): every reading is stored all the same.
        printing = false;
        call.err << command
                 << ": standard output cannot be written; the run goes on storing every reading "
                    "without printing it.\n";
        call.err.flush();
    }

    const char* command;
    StreamMessenger messenger;
    RealTimeUnit unit;
    // Outlive the engine that raises into them; the exporter raises into the notifier.
    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<AutoExporter> exporter;
    std::unique_ptr<ReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
    bool printing = true;
    std::unique_ptr<UnitStatusWriter> status;  // last: its row goes before the run's parts
};

// A lost terminal or a closed pipe must never end a run, leaving the unit at its set point unrecorded:
// output that cannot be written is dropped instead. So to the program's end, whose last output may meet
// the same closed pipe.
void outliveTheTerminal() {
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

int runTest(const Invocation& call) {
    outliveTheTerminal();
    const QString& sequenceName = call.operands[1];
    const QString& testName = call.operands[2];
    const std::optional<int> tick_ms = tickOf(kRunCommand, call);
    if (!tick_ms) return kUsage;
    const std::optional<double> silence_s = silenceOf(kRunCommand, call);
    if (!silence_s) return kUsage;

    // The bob preset as the window presets the dialog with it.
    RealTimeHost::AddError bobError;
    const std::optional<QString> presetBob = RealTimeHost::bobOfUnit(call.unit, bobError);
    if (!presetBob)
        call.err << kRunCommand << ": the unit's bob is not known (" << RealTimeHost::errorText(bobError)
                 << "); the dialog's bob is used.\n";
    QString problem;
    const std::optional<TestInfoInput> input = testInfo(call, testName, presetBob, problem);
    if (!input) return usage(kRunCommand, call.err, problem);
    // Refused before the unit is touched, as the dialog refuses it; the engine asks again when it stores.
    if (const std::optional<QString> bad = TestInfoEntry::nameProblem({}, testName))
        return failed(kRunCommand, call.err, *bad);

    SequenceStore sequences(call.database());
    if (sequenceName.isEmpty() || !SequenceSending::load(sequences, sequenceName).found)
        return failed(kRunCommand, call.err,
                      QStringLiteral("no sequence named \"%1\" is stored.").arg(sequenceName), kNotFound);

    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    const double scale = 1000.0 / *tick_ms;
    LiveUnit live(kRunCommand, call, std::move(port), scale);
    if (!live.unit.selectSequence(sequenceName)) return kUnitError;
    Runner runner(kRunCommand, call, live.unit, *live.engine, *live.writer, scale, *silence_s);
    runner.afterTick = [&] { live.offerStatus(call.unit); };
    if (!runner.awaitFirstReply()) {
        if (runner.interrupted())
            return failed(kRunCommand, call.err, QStringLiteral("interrupted before the test started."), kOk);
        return kUnitError;
    }
    const auto answer = [&input](const std::optional<QString>&) { return input; };
    if (live.engine->start(answer, presetBob, call.unit) != TestRunEngine::StartOutcome::Started)
        return live.finish(call, kUnitError);
    return live.finish(call, runner.run());
}

int resumeRun(const Invocation& call) {
    outliveTheTerminal();
    const QString& testName = call.operands[1];
    const std::optional<int> tick_ms = tickOf(kResumeCommand, call);
    if (!tick_ms) return kUsage;
    const std::optional<double> silence_s = silenceOf(kResumeCommand, call);
    if (!silence_s) return kUsage;
    const auto noRun = [&] {
        return failed(kResumeCommand, call.err,
                      QStringLiteral("\"%1\" has no interrupted run on %2.")
                          .arg(field(testName), RealTimeHost::unitText(call.unit)),
                      kNotFound);
    };
    if (!run_journal::interrupted(call.database(), testName, call.unit)) {
        if (const std::optional<QString> recorded = recordedNow(call.database(), testName))
            return failed(kResumeCommand, call.err, *recorded);
        return noRun();
    }

    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    const double scale = 1000.0 / *tick_ms;
    LiveUnit live(kResumeCommand, call, std::move(port), scale);
    // Readings the stopped program left waiting go first, with the saves of the run that go with them.
    live.writer->storeWaitingNow();
    const std::optional<run_journal::Run> run =
        run_journal::interrupted(call.database(), testName, call.unit);
    if (!run) return noRun();
    Runner runner(kResumeCommand, call, live.unit, *live.engine, *live.writer, scale, *silence_s);
    runner.afterTick = [&] { live.offerStatus(call.unit); };
    if (!runner.awaitFirstReply(QStringLiteral("The run was not resumed."))) {
        if (runner.interrupted())
            return failed(kResumeCommand, call.err, QStringLiteral("interrupted before the run was resumed."),
                          kOk);
        return kUnitError;
    }
    const TestRunEngine::ResumeResult resumed = live.engine->resume(*run);
    if (resumed.outcome != TestRunEngine::ResumeOutcome::Resumed)
        return failed(kResumeCommand, call.err, resumed.text);
    call.err << kResumeCommand << ": resumed \"" << field(run->testName) << "\" "
             << number(std::floor(live.engine->context().elapsed_s / 60.0)) << " min after its start.\n";
    call.err.flush();
    return live.finish(call, runner.run());
}

}  // namespace cli
