// A run's events end to end: the run engine on the in-process simulator and simulated time, notifying a
// webhook receiver and an SMTP sink on loopback.

#include "instrument/TestRunEngine.h"

#include "link/UnitCommands.h"
#include "notify/Notifier.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/ReadingWriter.h"
#include "store/RunJournal.h"
#include "store/clsConnection.h"
#include "support/NotifyReceivers.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoFile.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void ensureApp() {
    static int argc = 1;
    static char name[] = "test_instrument";
    static char* argv[] = {name, nullptr};
    static const auto app =
        QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
}

// One minute at room temperature with a shear-rate ramp of three steps, then half a minute without.
StoredSequence rampAndRates() {
    StoredSequence s;
    s.name = QStringLiteral("Ramp and rates");
    s.settings = {3, 2, 5, 1000, 0, 30};
    s.steps = {{1, 75, 5, 100, 1}, {0.5, 75, 5, 100, 0}};
    s.shearRates_1ps = {100, 50, 25};
    return s;
}

struct Rig {
    explicit Rig(const StoredSequence& s, double pressure_psi = 300) {
        connection.OpenDB();
        writer = makeReadingWriter(connection);
        unit.InitialInst(connection);
        unit.setClock([this] { return firmware.now_s(); });
        unit.openPort(3);
        engine = std::make_unique<TestRunEngine>(unit, connection, *writer, messenger);
        firmware.setPressure(pressure_psi);
        SequenceStore(connection).add(s);
        EXPECT_TRUE(unit.selectSequence(s.name));
        const NotifySettings settings =
            NotifySettings::parse(QStringLiteral("webhook %1\nemail %2 rheo@lab.example ops@lab.example\n")
                                      .arg(http.url(), smtp.url())
                                      .toUtf8(),
                                  dir.file("notify.txt"));
        notifier = std::make_unique<Notifier>(
            settings, dir.path(), nullptr,
            Notifier::Options{
                .timeout_ms = 1000, .firstRetry_ms = 50, .maxRetry_ms = 200, .retryFor_s = 3600});
        engine->setEventSink(notifier.get());
        ticks(2);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            firmware.advance(unit.timerInterval_ms() / 1000.0);
            engine->tick();
        }
    }
    TestRunEngine::StartOutcome start() {
        return engine->start(
            [](const std::optional<QString>& bob) { return testinfo_file::parse({}, "Live", bob, {}).input; },
            std::nullopt, 3);
    }
    void runToEnd() {
        for (int i = 0; i < 100000 && engine->running(); ++i) ticks(1);
    }
    // The events the webhook received, by name.
    QStringList hooked() {
        QStringList names;
        for (const QJsonObject& o : http.received) names << o["event"].toString();
        return names;
    }
    QStringList mailed() {
        QStringList subjects;
        for (const SmtpSink::Mail& m : smtp.mails)
            subjects << QString::fromUtf8(m.data.mid(m.data.indexOf("event: ") + 7).split('\r').first());
        return subjects;
    }
    QString diagLog() {
        QFile f(dir.file(QString::fromLatin1(DiagnosticLog::kFileName)));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    std::vector<double> times() {
        std::vector<double> t;
        for (const Reading& r : engine->results().readings()) t.push_back(r.time_s);
        return t;
    }

    // The receivers' sockets need the application before they are made.
    bool appMade = (ensureApp(), true);
    TempWorkDir dir;
    HttpReceiver http;
    SmtpSink smtp;
    ScriptedMessenger messenger;
    clsConnection connection;
    UnitFirmware firmware{UnitFirmware::Options{.noise = 0}};
    RealTimeUnit unit{std::make_unique<SimulatedUnitPort>(firmware), messenger};
    std::unique_ptr<ReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
    std::unique_ptr<Notifier> notifier;
};

}  // namespace

TEST(RunNotifications, EachWayARunGoesDeliversItsEventsInOrderToEveryChannelWithTheirFields) {
    struct Case {
        const char* what;
        std::function<void(StoredSequence&)> sequence;
        std::function<void(Rig&)> meanwhile;  // after Start, before the run goes to its end
        QStringList events;
    };
    const auto none = [](auto&) {};
    const Case cases[] = {
        {"the sequence ends", none, none, {"test-started", "test-ended"}},
        {"viscosity shut-down",
         [](StoredSequence& s) {
             s.steps[0].elapseTime_min = 10;
             s.settings.shutDownATime_min = 1;
             s.settings.shutDownVisc_cP = 1e6;
         },
         none,
         {"test-started", "shut-down-low-viscosity"}},
        {"pressure refusal",
         [](StoredSequence& s) { s.steps[1].temp_F = 400; },
         none,
         {"start-refused-pressure"}},
        {"the unit goes silent and comes back",
         none,
         [](Rig& rig) {
             rig.ticks(10);
             rig.firmware.injectFault(UnitFirmware::Fault::NoAnswer, 70);
         },
         {"test-started", "unit-silent", "unit-back", "test-ended"}},
        {"the oven never reaches the ramp, then Stop",
         [](StoredSequence& s) {
             s.steps[0] = {0.5, 150, 1, 100, 1};
         },
         [](Rig& rig) {
             rig.firmware.receive(UnitCommands::dropBath());
             rig.ticks(120);
             rig.engine->shutDown();
         },
         {"test-started", "ramp-not-reached", "test-stopped"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoredSequence s = rampAndRates();
        c.sequence(s);
        Rig rig(s);
        if (rig.start() == TestRunEngine::StartOutcome::Started) {
            c.meanwhile(rig);
            rig.runToEnd();
        }
        EXPECT_TRUE(rig.notifier->waitUntilDelivered(10000)) << rig.diagLog().toStdString();
        EXPECT_EQ(rig.hooked(), c.events);
        EXPECT_EQ(rig.mailed(), c.events);
        for (const QJsonObject& e : rig.http.received) {
            EXPECT_EQ(e["unit"].toInt(), 3);
            EXPECT_EQ(e["test"].toString(), "Live");
            EXPECT_EQ(e["sequence"].toString(), "Ramp and rates");
            EXPECT_TRUE(e["text"].toString().contains("Unit 3")) << e["text"].toString().toStdString();
        }
    }
}

// The receiver takes each request and answers nothing for a minute of the run; the readings are taken and
// stored at the seconds of a run without notifications, and the events arrive once it answers again.
TEST(RunNotifications, AReceiverThatHangsNeverMovesAReadingsTimeAndGetsEachEventOnceItAnswers) {
    Rig quiet(rampAndRates());
    quiet.engine->setEventSink(nullptr);
    ASSERT_EQ(quiet.start(), TestRunEngine::StartOutcome::Started);
    quiet.runToEnd();

    Rig rig(rampAndRates());
    rig.http.setMode(HttpReceiver::Mode::Hang);
    ASSERT_EQ(rig.start(), TestRunEngine::StartOutcome::Started);
    rig.ticks(60);
    ASSERT_TRUE(spinUntil([&] { return rig.http.requests > 0; }));
    rig.runToEnd();
    EXPECT_EQ(rig.times(), quiet.times());
    EXPECT_EQ(rig.times(), (std::vector<double>{35, 77, 93, 109}));
    rig.http.setMode(HttpReceiver::Mode::Answer);
    ASSERT_TRUE(rig.notifier->waitUntilDelivered(15000));
    EXPECT_EQ(rig.hooked(), QStringList({"test-started", "test-ended"}));
}

// The program recording the run stops without a word; the next one finds the run interrupted, tells it, and
// resumes it: the events go on under the same test and unit.
TEST(RunNotifications, AnInterruptedRunIsToldWhenFoundAndItsResumptionAndEndAreToldToo) {
    Rig rig(rampAndRates());
    rig.engine->setWallClock([&rig] { return static_cast<qint64>(rig.firmware.now_s() * 1000); });
    ASSERT_EQ(rig.start(), TestRunEngine::StartOutcome::Started);
    rig.ticks(40);
    rig.engine.reset();  // the program is gone; the unit goes on
    rig.firmware.advance(120);
    rig.engine = std::make_unique<TestRunEngine>(rig.unit, rig.connection, *rig.writer, rig.messenger);
    rig.engine->setWallClock([&rig] { return static_cast<qint64>(rig.firmware.now_s() * 1000); });
    rig.engine->setEventSink(rig.notifier.get());
    rig.ticks(3);
    const std::optional<run_journal::Run> run = run_journal::interrupted(rig.connection, "Live", 3);
    ASSERT_TRUE(run);
    rig.notifier->raise(RunEvents::interrupted(*run));
    ASSERT_EQ(rig.engine->resume(*run).outcome, TestRunEngine::ResumeOutcome::Resumed);
    rig.runToEnd();
    ASSERT_TRUE(rig.notifier->waitUntilDelivered(10000)) << rig.diagLog().toStdString();
    EXPECT_EQ(rig.hooked(), QStringList({"test-started", "run-interrupted", "test-started", "test-ended"}));
    for (const QJsonObject& e : rig.http.received) {
        EXPECT_EQ(e["test"].toString(), "Live");
        EXPECT_EQ(e["unit"].toInt(), 3);
        EXPECT_EQ(e["sequence"].toString(), "Ramp and rates");
    }
    EXPECT_TRUE(rig.http.received.value(2)["text"].toString().contains("resumed"));
}

// The states that last, seen tick by tick: each start and end told once; a lost port's silence is the
// port's.
TEST(RunNotifications, LastingStatesAreToldOnceWhenTheyBeginAndOnceWhenTheyEnd) {
    struct Sink : EventSink {
        void raise(const NotifyEvent& e) override { kinds << event_kind::text(e.kind); }
        QStringList kinds;
    };
    struct Tick {
        double at_s;
        qint64 replies;
        bool portLost;
        int waiting;
    };
    const std::pair<std::vector<Tick>, QStringList> cases[] = {
        {{{0, 1, false, 0}, {59, 1, false, 0}, {61, 1, false, 0}, {90, 1, false, 0}, {91, 2, false, 0}},
         {"unit-silent", "unit-back"}},
        {{{0, 1, false, 0}, {5, 1, true, 0}, {100, 1, true, 0}, {101, 2, false, 0}},
         {"port-lost", "port-back"}},
        {{{0, 1, false, 3}, {30, 2, false, 5}, {61, 3, false, 9}, {62, 4, false, 9}, {70, 5, false, 0}},
         {"readings-waiting", "readings-stored"}},
        {{{0, 1, false, 3}, {30, 2, false, 0}, {100, 3, false, 0}}, {}},  // a short wait is nothing to tell
    };
    for (const auto& [ticks, expected] : cases) {
        Sink sink;
        RunEvents events;
        events.setSink(&sink);
        events.begin(3, "Live", "Ramp and rates", 0);
        for (const Tick& t : ticks) events.watch(t.at_s, t.replies, t.portLost, t.waiting);
        EXPECT_EQ(sink.kinds, expected);
    }
}
