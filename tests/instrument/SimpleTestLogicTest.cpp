// The simple test's logic without its window: Start's checks, the
// tick that drives the unit by hand, the high-temperature shut-down and the refusal to close.

#include "instrument/SimpleTestLogic.h"
#include "link/UnitCommands.h"
#include "simulator/SimulatedUnitPort.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray status(const char* text) {
    return QByteArray(text) + char(26);
}

struct FakeSimple {
    FakeSimple() {
        auto owned = std::make_unique<FakeUnitPort>();
        port = owned.get();
        logic = std::make_unique<SimpleTestLogic>(std::move(owned), messenger);
        logic->openPort(3);
        logic->setUnitName("Unit 3");
        logic->setClock([] { return QTime(14, 7, 33); });
    }
    void tick(const QByteArray& arriving = {}) {
        port->arrive(arriving);
        logic->tick();
    }
    TempWorkDir dir;  // the error log is written here
    ScriptedMessenger messenger;
    FakeUnitPort* port;
    std::unique_ptr<SimpleTestLogic> logic;
};

TEST(SimpleTestStart, SetPointsAreCheckedInOrderWithTheirOwnMessages) {
    using O = SimpleTestLogic::StartOutcome;
    struct Case {
        const char* temp;
        const char* speed;
        O outcome;
        const char* message;  // null: none
    };
    const Case cases[] = {
        {"", "100", O::MissingSetPoint, "Set point first"},
        {"70", "", O::MissingSetPoint, "Set point first"},
        {"450.1", "", O::MissingSetPoint, "Set point first"},
        {"450.1", "100", O::InvalidTemperature, "Invalid input for temperature setpoint "},
        {"-1", "100", O::InvalidTemperature, "Invalid input for temperature setpoint "},
        {"-1", "900", O::InvalidTemperature, "Invalid input for temperature setpoint "},
        {"70", "600.5", O::InvalidSpeed, "Invalid input for motor speed setpoint "},
        {"70", "-3", O::InvalidSpeed, "Invalid input for motor speed setpoint "},
        {"450", "600", O::Started, nullptr},
        {"0", "0", O::Started, nullptr},
        {"seventy", "100", O::Started, nullptr},  // the leading-number rule reads 0
        {" 120 F", "300rpm", O::Started, nullptr},
    };
    for (const Case& c : cases) {
        FakeSimple s;
        EXPECT_EQ(s.logic->start(c.temp, c.speed), c.outcome) << c.temp << " / " << c.speed;
        EXPECT_EQ(s.messenger.texts(), c.message ? QStringList{c.message} : QStringList{})
            << c.temp << " / " << c.speed;
        EXPECT_EQ(s.logic->started(), c.outcome == O::Started);
        EXPECT_TRUE(s.port->sent.isEmpty()) << "Start itself sends nothing";
    }
}

TEST(SimpleTestStart, StartWhileStartedDoesNothingAndStopThenStartBeginsAgain) {
    FakeSimple s;
    ASSERT_EQ(s.logic->start("70", "100"), SimpleTestLogic::StartOutcome::Started);
    EXPECT_EQ(s.logic->statusBar().startTime, "Start Time: 14:07");
    EXPECT_FALSE(s.logic->exitEnabled());
    for (int i = 0; i < 4; ++i) s.tick();
    EXPECT_EQ(s.logic->start("80", "200"), SimpleTestLogic::StartOutcome::AlreadyStarted);
    EXPECT_EQ(s.logic->tempSetPoint_F(), 70);
    EXPECT_EQ(s.logic->runTick(), 4);
    s.port->sent.clear();
    s.logic->shutDown();
    EXPECT_EQ(s.port->sent, QList<QByteArray>{UnitCommands::stop()});
    EXPECT_TRUE(s.logic->exitEnabled());
    EXPECT_EQ(s.logic->start("80", "200"), SimpleTestLogic::StartOutcome::Started);
    EXPECT_EQ(s.logic->runTick(), 0);
    EXPECT_EQ(s.logic->tempSetPoint_F(), 80);
}

TEST(SimpleTestTick, TheRunSendsTwoQueriesThenCommand131AndTheSetPointThenPolls) {
    FakeSimple s;
    s.logic->selectBob(1);  // B2
    ASSERT_EQ(s.logic->start("70", "300"), SimpleTestLogic::StartOutcome::Started);
    EXPECT_DOUBLE_EQ(s.logic->shearRateSet_1ps(), 132.9978);

    s.tick();
    EXPECT_EQ(s.port->sent, (QList<QByteArray>{UnitCommands::statusQuery(), UnitCommands::statusQuery()}));
    EXPECT_EQ(s.logic->timerInterval_ms(), 1000);

    s.port->sent.clear();
    s.tick(status("0,75,75,0,0,1.5,300,0,0"));
    EXPECT_EQ(s.port->sent,
              (QList<QByteArray>{UnitCommands::command131(), QByteArray("\x05"
                                                                        "070.0,0132.9978,000.4433\x1a")}));
    EXPECT_EQ(s.logic->timerInterval_ms(), 3000);

    s.port->sent.clear();
    s.tick(status("1,99,99,70,300,1.5,300,133,0"));  // the answer to the set point: thrown away
    EXPECT_EQ(s.logic->texts().sampleTemp, "75.0");
    EXPECT_EQ(s.port->sent, QList<QByteArray>{UnitCommands::statusQuery()});
    EXPECT_EQ(s.logic->timerInterval_ms(), 1000);
    EXPECT_EQ(s.logic->statusBar().elapsedTime, "Elapsed Time: 00:00:03");

    s.tick(status("1,76,80,70,300,100,300,133,0"));
    EXPECT_EQ(s.logic->texts().sampleTemp, "76.0");
    EXPECT_EQ(s.logic->texts().bathTemp, "80.0");
    EXPECT_EQ(s.logic->texts().shearStress, "169.6") << "B2's stress factor";
    EXPECT_EQ(s.logic->texts().activeFlag, "Running Test");
    EXPECT_EQ(s.logic->statusBar().elapsedTime, "Elapsed Time: 00:00:04");
}

TEST(SimpleTestTick, EveryReplyAbove450FStopsTheUnitAgainEvenWithoutAStart) {
    FakeSimple s;
    s.tick(status("0,451,300,0,0,1.5,300,0,0") + status("0,300,451,0,0,1.5,300,0,0") +
           status("0,450,450,0,0,1.5,300,0,0"));
    EXPECT_EQ(s.port->sent,
              (QList<QByteArray>{UnitCommands::stop(), UnitCommands::stop(), UnitCommands::statusQuery()}));
    EXPECT_EQ(s.messenger.texts(),
              (QStringList{" Shut down due to high temperture.", " Shut down due to high temperture."}));

    FakeSimple running;
    ASSERT_EQ(running.logic->start("70", "100"), SimpleTestLogic::StartOutcome::Started);
    running.tick();
    running.tick();
    running.port->sent.clear();
    running.tick(status("1,455,300,0,0,1.5,300,0,0"));  // on the discarding tick: not seen
    EXPECT_TRUE(running.logic->started());
    running.tick(status("1,455,300,0,0,1.5,300,0,0"));
    EXPECT_FALSE(running.logic->started());
    EXPECT_TRUE(running.logic->exitEnabled());
    EXPECT_EQ(running.port->sent.mid(1),
              (QList<QByteArray>{UnitCommands::stop(), UnitCommands::statusQuery()}));
}

TEST(SimpleTestClose, IsRefusedWhileTheUnitReportsARunWhateverTheStartedFlagSays) {
    struct Case {
        const char* reply;  // null: no reply yet
        const char* exitButton;
        const char* closeBox;
    };
    const Case cases[] = {
        {nullptr, "", ""},
        {"0,75,75,0,0,1.5,300,0,0", "", ""},
        {"1,75,75,0,0,1.5,300,0,0", "Must stop test before exiting",
         "Function No Exit unless Units are Stopped"},
        {"6,75,75,0,0,1.5,300,0,0", "Must stop test before exiting",
         "Function No Exit unless Units are Stopped"},
        {"2,75,75,0,0,1.5,300,0,0", "", ""},
        {"8,75,75,0,0,1.5,300,0,0", "", ""},
    };
    for (const Case& c : cases) {
        FakeSimple s;
        if (c.reply) s.tick(status(c.reply));
        EXPECT_EQ(s.logic->closeRefusal(true), c.exitButton) << (c.reply ? c.reply : "none");
        EXPECT_EQ(s.logic->closeRefusal(false), c.closeBox) << (c.reply ? c.reply : "none");
    }
}

TEST(SimpleTestTick, TheSimulatedUnitTurnsAtTheTypedSpeedWithTheChosenBob) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    UnitFirmware::Options options;
    options.noise = 0;
    options.pressure_psi = 0;
    UnitFirmware firmware(options);
    SimpleTestLogic logic(std::make_unique<SimulatedUnitPort>(firmware), messenger);
    logic.openPort(1);
    logic.selectBob(2);  // B1
    ASSERT_EQ(logic.start("120", "250"), SimpleTestLogic::StartOutcome::Started);
    for (int i = 0; i < 30; ++i) {
        logic.tick();
        firmware.advance(logic.timerInterval_ms() / 1000.0);
    }
    EXPECT_TRUE(firmware.commandLog().contains(QByteArray(1, UnitCommands::kCommand131)));
    EXPECT_NEAR(firmware.motorSpeed_rpm(), 250, 0.5);
    EXPECT_EQ(firmware.setPoint_F(), 120);
    EXPECT_EQ(logic.texts().activeFlag, "Running Test");
    EXPECT_EQ(logic.closeRefusal(true), "Must stop test before exiting");
    logic.shutDown();
    for (int i = 0; i < 3; ++i) {
        logic.tick();
        firmware.advance(1.0);
    }
    EXPECT_EQ(logic.closeRefusal(true), "");
    EXPECT_TRUE(messenger.shown.isEmpty());
}

}  // namespace
