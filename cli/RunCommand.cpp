// r7716-cli run: a stored sequence run as a test on a unit, as the unit window's Start runs it, through the
// same run engine, storing every reading as the window does and printing each one once it is stored.

#include "cli/Commands.h"
#include "cli/StreamMessenger.h"
#include "common/VbFormat.h"
#include "instrument/RealTimeHost.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/SequenceSending.h"
#include "instrument/TestRunEngine.h"
#include "sequence/SequenceStore.h"
#include "store/ReadingWriter.h"
#include "store/SpoolingReadingWriter.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoEntry.h"
#include "testinfo/TestInfoFile.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <csignal>

namespace cli {

const char* const kRunHelp =
    "Usage: r7716-cli run UNIT SEQUENCE TEST [--info FILE] [--tick-ms N]\n"
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
    "\n"
    "On a database server (\"database.txt\", --database) that cannot be reached, readings wait in the\n"
    "local spool \"R7716-spool.db\" and are printed when they are kept there; they are stored, in order,\n"
    "as soon as the server is back. Readings still waiting at the end stay in the spool for the next run\n"
    "on this station (or its unit window) to store first.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the unit as the Stop button does; what was stored stays.\n"
    "\n"
    "Exit status 0 when the sequence has ended (by itself, by the low-viscosity shut-down, or stopped by\n"
    "a signal; the reason goes to standard error); 1 when the start is refused (pressure, a duplicate or\n"
    "empty name: the message on standard error, the log line written), when the unit or its port fails\n"
    "(a unit silent for 10 s included), a reading could not be stored or readings still wait in the\n"
    "spool; 2 when the sequence is not stored; 64 for a wrong command line.\n";

namespace {

constexpr const char* kCommand = "r7716-cli run";
constexpr const char* kWaitingStored = "the waiting readings are stored.";
constexpr const char* kStillWaiting =
    "%1 reading(s) still wait for the database server in \"%2\"; the next run on this station stores "
    "them first.";
// A unit that answers nothing for this long (its seconds) has failed.
constexpr double kSilence_s = 10;
// The longest the loop waits without looking at the signals.
constexpr double kWaitSlice_s = 0.05;
constexpr int kMaxTick_ms = 60000;

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

int usage(QTextStream& err, const QString& problem) {
    err << kCommand << ": " << problem << "\nRun '" << kCommand << " --help' for usage.\n";
    err.flush();
    return kUsage;
}

int failed(QTextStream& err, const QString& problem, int status = kUnitError) {
    err << kCommand << ": " << problem << '\n';
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
    Runner(const Invocation& call, RealTimeUnit& unit, TestRunEngine& engine, ReadingWriter& writer,
           double scale)
        : call_(call), unit_(unit), engine_(engine), writer_(writer), clock_(scale), scale_(scale) {
        unit_.setClock([this] { return clock_.now_s(); });
    }

    // Ticks until the first whole status reply; false (after a message) when none comes or a signal does.
    bool awaitFirstReply() {
        while (unit_.poller().completeReplies() == 0) {
            if (interrupts_.interrupted()) return false;
            if (silentTooLong()) {
                unitSilent(false);
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
            if (!engine_.running()) return finished(engine_.endText());
            if (silentTooLong()) return unitSilent(true);
        }
    }

    bool interrupted() const { return interrupts_.interrupted(); }

  private:
    void tickAndWait() {
        const double tickStart = clock_.raw_s();
        const int interval_ms = unit_.timerInterval_ms();
        unit_.tick();
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

    bool silentTooLong() const { return lastReply_s_ >= 0 && unit_.now_s() - lastReply_s_ >= kSilence_s; }

    int unitSilent(bool running) {
        // The unit may hear the stop even if it cannot answer; a test it runs unrecorded must not go on.
        if (running) engine_.shutDown();
        return failed(call_.err, QStringLiteral("%1 has sent no status reply for %2 s.")
                                     .arg(RealTimeHost::unitText(call_.unit), number(kSilence_s)));
    }

    // A failed tick is written once when it starts, as the window's status bar names it; so are readings
    // that begin to wait for the database server, and their arrival.
    void reportFailures() {
        const QString failure = unit_.failures().statusText();
        if (failure != lastFailure_ && !failure.isEmpty()) call_.err << kCommand << ": " << failure << '\n';
        lastFailure_ = failure;
        const QString waiting = writer_.statusText();
        if (!waiting.isEmpty() && !readingsWaited_) call_.err << kCommand << ": " << waiting << '\n';
        if (waiting.isEmpty() && readingsWaited_) call_.err << kCommand << ": " << kWaitingStored << '\n';
        readingsWaited_ = !waiting.isEmpty();
        call_.err.flush();
    }

    int finished(const QString& reason) {
        call_.err << kCommand << ": " << reason << '\n';
        const int notStored = unit_.failures().count(TickFailureKind::Storage);
        if (notStored > 0)
            return failed(call_.err, QStringLiteral("%1 reading(s) could not be stored.").arg(notStored));
        if (writer_.waiting() > 0 && !writer_.storeWaitingNow())
            return failed(call_.err, QString::fromLatin1(kStillWaiting)
                                         .arg(writer_.waiting())
                                         .arg(QString::fromLatin1(SpoolingReadingWriter::kSpoolFileName)));
        call_.err.flush();
        return kOk;
    }

    const Invocation& call_;
    RealTimeUnit& unit_;
    TestRunEngine& engine_;
    ReadingWriter& writer_;
    InterruptGuard interrupts_;
    RunClock clock_;
    double scale_;
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

int runTest(const Invocation& call) {
    const QString& sequenceName = call.operands[1];
    const QString& testName = call.operands[2];
    int tick_ms = 1000;
    if (call.options.has("--tick-ms")) {
        bool ok = false;
        tick_ms = call.options.value("--tick-ms").toInt(&ok);
        if (!ok || tick_ms < 1 || tick_ms > kMaxTick_ms)
            return usage(
                call.err,
                QStringLiteral("--tick-ms takes a whole number of ms from 1 to %1.").arg(kMaxTick_ms));
    }

    // The bob preset as the window presets the dialog with it.
    RealTimeHost::AddError bobError;
    const std::optional<QString> presetBob = RealTimeHost::bobOfUnit(call.unit, bobError);
    if (!presetBob)
        call.err << kCommand << ": the unit's bob is not known (" << RealTimeHost::errorText(bobError)
                 << "); the dialog's bob is used.\n";
    QString problem;
    const std::optional<TestInfoInput> input = testInfo(call, testName, presetBob, problem);
    if (!input) return usage(call.err, problem);
    // Refused before the unit is touched, as the dialog refuses it; the engine asks again when it stores.
    if (const std::optional<QString> bad = TestInfoEntry::nameProblem({}, testName))
        return failed(call.err, *bad);

    SequenceStore sequences(call.database());
    if (sequenceName.isEmpty() || !SequenceSending::load(sequences, sequenceName).found)
        return failed(call.err, QStringLiteral("no sequence named \"%1\" is stored.").arg(sequenceName),
                      kNotFound);

    std::unique_ptr<UnitPort> port = openUnitPort(call);
    if (!port) return kUnitError;
    StreamMessenger messenger(call.err);
    RealTimeUnit unit(std::move(port), messenger);
    unit.InitialInst(call.database());
    unit.setMessageTitle(RealTimeHost::realTimeCaption(call.unit));
    unit.setUnitName(RealTimeHost::unitText(call.unit));
    if (!unit.selectSequence(sequenceName)) return kUnitError;

    const std::unique_ptr<ReadingWriter> writer = makeReadingWriter(call.database());
    TestRunEngine engine(unit, call.database(), *writer, messenger);
    engine.setStoredListener([&call](const Reading& reading) {
        call.out << readingLine(reading) << '\n';
        call.out.flush();
    });

    Runner runner(call, unit, engine, *writer, 1000.0 / tick_ms);
    if (!runner.awaitFirstReply()) {
        if (runner.interrupted())
            return failed(call.err, QStringLiteral("interrupted before the test started."), kOk);
        return kUnitError;
    }
    const auto answer = [&input](const std::optional<QString>&) { return input; };
    if (engine.start(answer, presetBob, call.unit) != TestRunEngine::StartOutcome::Started) return kUnitError;
    return runner.run();
}

}  // namespace cli
