// The sequence-test window's logic without the window: the tick frame with its watchdog, the rules of a
// run's tick around a set point, the single commands, the choice of a sequence and its download.

#include "common/VbFormat.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/SequenceBody.h"
#include "instrument/SequenceSending.h"
#include "link/SequenceDownload.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/clsConnection.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

namespace {

QByteArray status(const char* text) {
    return QByteArray(text) + char(26);
}

const QByteArray kGoodReply = status("0,75,76,0,0,1.5,300,0,0");

// A unit window's logic on a fake port it keeps a hand on.
struct FakeUnit {
    FakeUnit() {
        auto owned = std::make_unique<FakeUnitPort>();
        port = owned.get();
        unit = std::make_unique<RealTimeUnit>(std::move(owned), messenger);
    }
    void open() { unit->openPort(1); }
    // One tick with these bytes arriving just before it.
    void tick(const QByteArray& arriving = {}) {
        port->arrive(arriving);
        unit->tick();
    }
    // One tick driven by a run standing as run.
    void tick(const QByteArray& arriving, const RunContext& run, const std::function<void()>& step = {}) {
        port->arrive(arriving);
        unit->tick(run, step);
    }
    TempWorkDir dir;  // the diagnostic log is written here
    ScriptedMessenger messenger;
    FakeUnitPort* port;
    std::unique_ptr<RealTimeUnit> unit;
};

TEST(RealTimeUnitWatchdog, NoResponseShowsWhenNoWellFormedReplyCameForFiveTicks) {
    struct Case {
        const char* name;
        QByteArray eachTick;
        bool noResponse;
    };
    const Case cases[] = {
        {"a silent unit", {}, true},
        {"a unit answering garbage", "??garbage" + status("x"), true},
        {"a two-digit status code", status("12,75,76,0,0,1.5,300,0,0"), true},
        {"a reply one field short", status("0,75,76,0,0,1.5,300,0"), true},
        {"a well-formed reply", kGoodReply, false},
    };
    for (const Case& c : cases) {
        FakeUnit u;
        u.open();
        for (int i = 1; i <= 9; ++i) u.tick(c.eachTick);
        EXPECT_NE(u.unit->texts().activeFlag, UnitPoller::kNoResponseText) << c.name << ": too early";
        u.tick(c.eachTick);
        EXPECT_EQ(u.unit->texts().activeFlag == UnitPoller::kNoResponseText, c.noResponse) << c.name;
        EXPECT_TRUE(u.messenger.shown.isEmpty()) << c.name;
    }
}

TEST(RealTimeUnitWatchdog, AReplyCutShortShowsItsStateButDoesNotCountAsAnAnswer) {
    FakeUnit u;
    u.open();
    for (int i = 1; i <= 10; ++i) u.tick(status("7,75.5,76,0,0,1.5,300,0,0"));
    // The code before the bad temperature is shown, as always; the watchdog still waits for a whole reply.
    EXPECT_EQ(u.unit->texts().activeFlag, "Preheating");
    EXPECT_TRUE(u.unit->poller().noReplyFlag());
    EXPECT_TRUE(u.unit->texts().sampleTemp.isEmpty());
}

TEST(RealTimeUnitWatchdog, OneWellFormedReplyBetweenChecksKeepsNoResponseAway) {
    FakeUnit u;
    u.open();
    for (int i = 1; i <= 10; ++i) u.tick(i == 7 ? kGoodReply : QByteArray());
    EXPECT_EQ(u.unit->texts().activeFlag, "InActive");
    for (int i = 11; i <= 15; ++i) u.tick();
    EXPECT_EQ(u.unit->texts().activeFlag, UnitPoller::kNoResponseText);
    u.tick(status("1,75,76,0,0,1.5,300,0,0"));
    EXPECT_EQ(u.unit->texts().activeFlag, "Running Test") << "the next reply shows its state again";
    u.tick(status("3,75,76,0,0,1.5,300,0,0"));
    EXPECT_EQ(u.unit->texts().activeFlag, "Running Test") << "a code without a text leaves the label";
}

TEST(RealTimeUnitTick, TheTickAroundATemperatureSetPointSkipsTheQueryThenDropsTheAnswer) {
    constexpr RunState idle = RunState::Idle, temperature = RunState::TemperatureRamp,
                       shearRate = RunState::ShearRateRamp;
    struct Case {
        RunState runState;
        int phaseTick;
        bool parsed;
        bool queried;
    };
    const Case cases[] = {
        {idle, 0, true, true},         {idle, 1, true, true},         {idle, 2, true, true},
        {temperature, 0, true, true},  {temperature, 1, true, false},  // the tick that sends the set point
        {temperature, 2, false, true},  // the tick after it: the set point's answer is read and thrown away
        {temperature, 3, true, true},  {shearRate, 1, true, true},    {shearRate, 2, true, true},
    };
    for (const Case& c : cases) {
        FakeUnit u;
        u.open();
        RunContext run;
        run.state = c.runState;
        run.phaseTick = c.phaseTick;
        u.unit->poller().parser().append("0,1,2");  // an unfinished reply from before
        u.tick(",3,4,5,6,7,8" + status(""), run);
        const QString ctx =
            QStringLiteral("state %1 phase tick %2").arg(static_cast<int>(c.runState)).arg(c.phaseTick);
        EXPECT_EQ(u.unit->texts().sampleTemp == "1", c.parsed) << ctx.toStdString();
        EXPECT_TRUE(u.unit->poller().parser().buffer().isEmpty()) << ctx.toStdString();
        EXPECT_EQ(u.port->sent.contains(UnitCommands::statusQuery()), c.queried) << ctx.toStdString();
    }
}

TEST(RealTimeUnitTick, ARunsStepIsTakenAfterThePollOnlyWhileTheRunRuns) {
    FakeUnit u;
    u.open();
    RunContext run;
    int steps = 0;
    const auto step = [&] { ++steps; };
    u.tick(kGoodReply, run, step);
    EXPECT_EQ(steps, 0) << "an idle run takes no step";
    run.state = RunState::ShearRateRamp;
    u.tick(kGoodReply, run, step);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(u.unit->texts().sampleTemp, "75") << "the poll came first";
}

TEST(RealTimeUnitTick, APortThatIsNotOpenIsNamedInTheStatusBarWithoutAMessageBox) {
    FakeUnit u;  // never opened, as after a failed add
    for (int i = 0; i < 12; ++i) u.tick(kGoodReply);
    EXPECT_TRUE(u.port->sent.isEmpty());
    EXPECT_TRUE(u.messenger.shown.isEmpty());
    EXPECT_EQ(u.unit->texts().activeFlag, UnitPoller::kNoResponseText);
    EXPECT_TRUE(u.unit->texts().sampleTemp.isEmpty());
    EXPECT_EQ(u.unit->messagePanelText(), "Port not open - 8010");
}

TEST(RealTimeUnitTick, ALostDeviceIsShownWhileItIsGoneThenTheWindowsOwnMessageIsBack) {
    FakeUnit u;
    u.open();
    u.unit->jog();
    u.port->lost = true;
    u.tick();
    EXPECT_EQ(u.unit->messagePanelText(), "Connection lost: fake: device lost");
    u.port->lost = false;
    u.tick(kGoodReply);
    EXPECT_EQ(u.unit->messagePanelText(), "test in jogging.");
    EXPECT_EQ(u.unit->texts().sampleTemp, "75");
}

TEST(RealTimeUnitCommands, EachButtonSendsItsCommand) {
    struct Case {
        const char* name;
        std::function<void(RealTimeUnit&)> press;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"zero", [](RealTimeUnit& u) { u.zero(); }, QByteArray("\x08\x1a")},
        {"preheat 180", [](RealTimeUnit& u) { u.preheat(" 180 F"); },
         QByteArray("\x09"
                    "180.0\x1a")},
        {"preheat without a number", [](RealTimeUnit& u) { u.preheat("hot"); },
         QByteArray("\x09"
                    "000.0\x1a")},
        {"raise bath", [](RealTimeUnit& u) { u.raiseBath(); }, QByteArray("\x0d\x1a")},
        {"drop bath", [](RealTimeUnit& u) { u.dropBath(); }, QByteArray("\x0f\x1a")},
        {"jog", [](RealTimeUnit& u) { u.jog(); },
         QByteArray("\x05"
                    "050.0,0100.0000,001.0000\x1a")},
        {"stop", [](RealTimeUnit& u) { u.shutDown(); }, QByteArray("\x06\x1a")},
    };
    for (const Case& c : cases) {
        FakeUnit u;
        u.open();
        c.press(*u.unit);
        EXPECT_EQ(u.port->sent, QList<QByteArray>{c.bytes}) << c.name;
        EXPECT_TRUE(u.messenger.shown.isEmpty()) << c.name;
    }
}

TEST(RealTimeUnitCommands, JogSaysSoAndStopIdlesTheRunAndFreesExit) {
    FakeUnit u;
    u.open();
    u.unit->jog();
    EXPECT_EQ(u.unit->statusBar().message, "test in jogging.");
    u.tick(status("1,200,210,250,100,50,300,100,0"));
    u.unit->shutDown();
    EXPECT_EQ(u.unit->readings().tempSetPoint_F, 0);
    EXPECT_TRUE(u.unit->exitEnabled());
}

TEST(RealTimeUnitCommands, ACommandOnAPortThatIsNotOpenIsReportedNotThrown) {
    FakeUnit u;
    u.unit->setMessageTitle("Unit 2 Real Time Test");
    u.unit->zero();
    u.unit->jog();
    ASSERT_EQ(u.messenger.shown.size(), 2);
    EXPECT_EQ(u.messenger.shown[0].text, "The command did not reach the unit: Port not open - 8010");
    EXPECT_EQ(u.messenger.shown[0].title, "Unit 2 Real Time Test");
    EXPECT_TRUE(u.unit->statusBar().message.isEmpty()) << "no jogging claimed when nothing was sent";
}

TEST(RealTimeUnitCommands, LeavingTheSetPointBoxAsksAndChangesNothing) {
    for (bool answer : {true, false}) {
        FakeUnit u;
        u.open();
        u.messenger.answers.enqueue(answer);
        u.unit->confirmSetPointChange();
        ASSERT_EQ(u.messenger.shown.size(), 1);
        EXPECT_EQ(u.messenger.shown[0].kind, ScriptedMessenger::Kind::OkCancel);
        EXPECT_EQ(u.messenger.shown[0].text, "Do you reall want to change the temperature setpoint? ");
        EXPECT_EQ(u.messenger.shown[0].title, "Change Confirmation.");
        EXPECT_TRUE(u.port->sent.isEmpty());
    }
}

// A unit window's logic on a fresh database with stored sequences.
class RealTimeUnitSequence : public ::testing::Test {
  protected:
    RealTimeUnitSequence() {
        connection.OpenDB();
        EXPECT_TRUE(connection.IsOpen());
        u.unit->InitialInst(connection);
    }

    // Send Sequence, its waits passed on the unit's port as the window's timer passes them.
    static void send(RealTimeUnit& unit, QList<double>& waits) {
        for (UnitExchange::Next wait = unit.sendSequence(); wait; wait = unit.continueExchange()) {
            EXPECT_TRUE(unit.exchangeRunning());
            waits.append(*wait);
            unit.port().delay(*wait);
        }
        EXPECT_FALSE(unit.exchangeRunning());
    }

    static StoredSequence sequence(const QString& name, int steps, SequenceSettings settings = {}) {
        StoredSequence s;
        s.name = name;
        s.settings = settings;
        for (int i = 0; i < steps; ++i) s.steps.append({30, 150.0 + i, 5, 100, i == steps - 1 ? 1.0 : 0.0});
        s.shearRates_1ps = {100, 200, 300};
        return s;
    }

    TempWorkDir dir;
    clsConnection connection;
    SequenceStore store{connection};
    FakeUnit u;
    QList<double> waits;
};

TEST_F(RealTimeUnitSequence, ASelectedSequenceIsLoadedWithItsSampleIntervalRaised) {
    store.add(sequence("Short interval", 2, {20, 5, 4, 20, 0, 10}));
    store.add(sequence("Long interval", 2, {20, 5, 4, 20, 0, 90}));
    EXPECT_EQ(u.unit->sequenceNames(), (QStringList{"Long interval", "Short interval"}));

    ASSERT_TRUE(u.unit->selectSequence("Short interval"));
    EXPECT_EQ(u.unit->selectedName(), "Short interval");
    EXPECT_EQ(u.unit->sequence().settings.sampleInterval_s, 20) << "5 s x 4 points need 20 s";
    EXPECT_EQ(u.unit->sequence().steps.size(), 2);
    EXPECT_EQ(u.unit->sequence().shearRates_1ps, (QList<double>{100, 200, 300}));
    ASSERT_TRUE(u.unit->selectSequence("Long interval"));
    EXPECT_EQ(u.unit->sequence().settings.sampleInterval_s, 90);
}

TEST_F(RealTimeUnitSequence, ANameNoLongerStoredIsReportedAndTheChoiceStays) {
    store.add(sequence("Kept", 1));
    ASSERT_TRUE(u.unit->selectSequence("Kept"));
    EXPECT_FALSE(u.unit->selectSequence("Deleted meanwhile"));
    EXPECT_EQ(u.unit->selectedName(), "Kept");
    ASSERT_EQ(u.messenger.shown.size(), 1);
    EXPECT_TRUE(u.messenger.shown[0].text.contains("Deleted meanwhile"));
    EXPECT_FALSE(u.unit->selectSequence(QString()));
    EXPECT_EQ(u.messenger.shown.size(), 1) << "an empty choice changes nothing, silently";
}

TEST_F(RealTimeUnitSequence, SendingWithoutASequenceAsksForOneAndSendsNothing) {
    u.open();
    send(*u.unit, waits);
    ASSERT_EQ(u.messenger.texts(), QStringList{"Please select a valid sequence first."});
    EXPECT_TRUE(u.port->sent.isEmpty());
    EXPECT_TRUE(u.unit->statusBar().sequence.isEmpty());
}

TEST_F(RealTimeUnitSequence, TheDownloadSucceedsOnlyWhenWhatArrivesEndsInX) {
    store.add(sequence("Two ramps", 2));
    struct Case {
        const char* name;
        bool open;
        QByteArray reply;
        const char* panel;
    };
    const Case cases[] = {
        {"acknowledged", true, "x", "Sequence Send Success."},
        {"a status reply, then the acknowledgement", true, status("0,75,76,0,0,1.5,300,0,0") + "x",
         "Sequence Send Success."},
        {"silence", true, "", "Sequence Send Error. Please resend."},
        {"an x not at the end", true, "x" + status("0"), "Sequence Send Error. Please resend."},
        {"a port that is not open", false, "x", "Sequence Send Error. Please resend."},
    };
    for (const Case& c : cases) {
        FakeUnit fresh;
        fresh.unit->InitialInst(connection);
        QList<double> freshWaits;
        if (c.open) fresh.open();
        fresh.port->script.enqueue(c.reply);
        ASSERT_TRUE(fresh.unit->selectSequence("Two ramps"));
        send(*fresh.unit, freshWaits);
        EXPECT_EQ(fresh.unit->statusBar().sequence, c.panel) << c.name;
        EXPECT_TRUE(fresh.messenger.shown.isEmpty()) << c.name;
        if (!c.open) continue;
        EXPECT_EQ(freshWaits, QList<double>{6.0}) << c.name;
        EXPECT_EQ(fresh.port->sent, (QList<QByteArray>{UnitCommands::sequenceAnnounce(),
                                                       SequenceBody::build(fresh.unit->sequence())}))
            << c.name;
    }
}

TEST_F(RealTimeUnitSequence, ASequenceWithMoreStepsThanTheWireCountsIsRefusedWhole) {
    store.add(sequence("Builder's 120 steps", 120));
    store.add(sequence("Ninety-nine steps", 99));
    u.open();
    u.port->script.enqueue("x");
    ASSERT_TRUE(u.unit->selectSequence("Ninety-nine steps"));
    send(*u.unit, waits);
    EXPECT_EQ(u.unit->statusBar().sequence, "Sequence Send Success.");

    u.port->sent.clear();
    ASSERT_TRUE(u.unit->selectSequence("Builder's 120 steps"));
    send(*u.unit, waits);
    EXPECT_TRUE(u.port->sent.isEmpty()) << "not even the announce";
    EXPECT_TRUE(u.unit->statusBar().sequence.isEmpty()) << "the last success must not stay shown";
    ASSERT_EQ(u.messenger.shown.size(), 1);
    EXPECT_TRUE(u.messenger.shown[0].text.contains("120 temperature steps"))
        << u.messenger.shown[0].text.toStdString();
}

TEST_F(RealTimeUnitSequence, NothingElseReachesTheUnitWhileItTakesTheSequence) {
    store.add(sequence("Two ramps", 2));
    u.open();
    ASSERT_TRUE(u.unit->selectSequence("Two ramps"));
    ASSERT_EQ(u.unit->sendSequence(), SequenceDownload::kWait_s);
    u.unit->zero();
    EXPECT_FALSE(u.unit->sendSequence()) << "a second download waits for the first";
    EXPECT_EQ(u.port->sent.size(), 2) << "announce and sequence only";
    EXPECT_FALSE(u.unit->continueExchange());
    u.unit->zero();
    EXPECT_EQ(u.port->sent.size(), 3);
}

TEST(SequenceSendingRefusal, NamesWhatIsOverTheTwoDigitCounts) {
    StoredSequence s;
    s.name = "Long";
    s.steps.resize(99);
    s.shearRates_1ps.resize(99);
    EXPECT_TRUE(SequenceSending::refusal(s).isEmpty());
    s.shearRates_1ps.resize(100);
    EXPECT_TRUE(SequenceSending::refusal(s).contains("100 shear-rate steps"));
    EXPECT_FALSE(SequenceSending::refusal(s).contains("temperature"));
    s.steps.resize(150);
    EXPECT_TRUE(SequenceSending::refusal(s).contains("150 temperature steps and 100 shear-rate steps"));
}

TEST_F(RealTimeUnitSequence, AUnitWindowPollsTheSimulatorAndItAcknowledgesTheDownload) {
    UnitFirmware::Options options;
    options.pressure_psi = 250;
    options.noise = 0;
    UnitFirmware firmware(options);
    RealTimeUnit unit(std::make_unique<SimulatedUnitPort>(firmware), u.messenger);
    unit.InitialInst(connection);
    unit.openPort(4);

    for (int second = 0; second < 12; ++second) {
        unit.tick();
        firmware.advance(1.0);
    }
    EXPECT_EQ(unit.texts().activeFlag, "InActive");
    EXPECT_EQ(unit.texts().sampleTemp, "75");
    EXPECT_EQ(unit.texts().pressure, "250");
    EXPECT_EQ(unit.texts().speed, "0.0") << "a motor at rest shows the zero-speed texts";
    EXPECT_EQ(unit.readings().pressure_psi, 250);

    store.add(sequence("Two ramps", 2));
    ASSERT_TRUE(unit.selectSequence("Two ramps"));
    send(unit, waits);
    EXPECT_EQ(unit.statusBar().sequence, "Sequence Send Success.");
    ASSERT_TRUE(firmware.sequence().has_value());
    EXPECT_TRUE(u.messenger.shown.isEmpty());

    // Polling picks up again after the download.
    unit.jog();
    for (int second = 0; second < 15; ++second) {
        unit.tick();
        firmware.advance(1.0);
    }
    EXPECT_EQ(unit.texts().activeFlag, "Running Test");
    EXPECT_NEAR(vb::Val(unit.texts().speed), 100, 1.0);
}

}  // namespace
