#include "SimBench.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kB5Factor = 42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60.0;

TEST(UnitStatus, ReplyIsWellFormedWithWholeTemperatures) {
    SimBench b{UnitFirmware::Options{}};  // with noise
    for (int i = 0; i < 20; ++i) {
        b.port.send(UnitCommands::setPoint(150 + i, 100, kB5Factor));
        b.run(7);
        const QByteArray reply = b.unit.statusReply();
        ASSERT_EQ(reply.count(','), 8) << reply.constData();
        ASSERT_EQ(reply.back(), char(26));
        ASSERT_EQ(reply.indexOf(','), 1);
        const QList<QByteArray> f = reply.chopped(1).split(',');
        for (int t = 1; t <= 3; ++t) ASSERT_FALSE(f[t].contains('.')) << reply.constData();
    }
}

TEST(UnitStatus, IdleUnitAtAmbientReportsInactive) {
    SimBench b;
    const StatusReply r = b.status();
    ASSERT_TRUE(r.complete());
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.text(StatusField::SampleTemp), "75");
    EXPECT_EQ(r.text(StatusField::TempSetPoint), "0");
    EXPECT_EQ(r.value(StatusField::MotorSpeed), 0.0);
}

class TemperatureSetPoint : public ::testing::TestWithParam<double> {};

TEST_P(TemperatureSetPoint, SampleApproachesItWithALagAndNoOvershoot) {
    const double target = GetParam();
    SimBench b;
    b.port.send(UnitCommands::setPoint(target, 100, kB5Factor));
    b.run(60);
    EXPECT_LT(b.unit.sampleTemp_F(), 75 + (target - 75) * 0.2) << "no lag after a minute";
    double previous = b.unit.sampleTemp_F();
    for (int minute = 2; minute <= 120; ++minute) {
        b.run(60);
        const double now = b.unit.sampleTemp_F();
        EXPECT_GE(now, previous - 1e-9) << "minute " << minute;
        EXPECT_LE(now, target + 0.5) << "minute " << minute;
        previous = now;
    }
    EXPECT_NEAR(b.unit.sampleTemp_F(), target, 1.0);
    const StatusReply r = b.status();
    EXPECT_EQ(r.code, 1);
    EXPECT_NEAR(r.value(StatusField::SampleTemp), target, 1.0);
    EXPECT_EQ(r.value(StatusField::TempSetPoint), std::round(target));
}

INSTANTIATE_TEST_SUITE_P(Targets, TemperatureSetPoint, ::testing::Values(120.0, 250.0, 400.0));

TEST(UnitMotor, TurnsAtShearRateOverFactorAndReportsTheShearRate) {
    SimBench b;
    b.port.send(UnitCommands::setPoint(75, 300 * 0.443326, 0.443326));  // bob B2 at 300 rpm
    b.run(10);
    const StatusReply r = b.status();
    // The factor travels as 000.4433, so the unit turns at 132.9978 / 0.4433 rpm.
    EXPECT_NEAR(r.value(StatusField::MotorSpeed), 132.9978 / 0.4433, 0.005);
    EXPECT_NEAR(r.value(StatusField::ShearRate), 133.0, 0.05);

    b.port.send(UnitCommands::jog());
    b.run(10);
    EXPECT_NEAR(b.status().value(StatusField::MotorSpeed), 100, 0.01);
}

TEST(UnitMotor, ViscosityInTheRepliesFallsWithTemperature) {
    SimBench b;
    auto viscosityAt = [&](double temp) {
        b.port.send(UnitCommands::setPoint(temp, 100, kB5Factor));
        b.run(3 * 3600);
        const StatusReply r = b.status();
        return 100 * r.value(StatusField::ShearStress) / r.value(StatusField::ShearRate);
    };
    b.unit.loadFreshFluid();
    const double warm = viscosityAt(150);
    b.unit.loadFreshFluid();
    const double hot = viscosityAt(300);
    EXPECT_GT(warm, 1.5 * hot);
}

TEST(UnitCommandsEffect, StopLetsTheUnitCoolAndReportCoolingUntilBelow150) {
    SimBench b;
    b.port.send(UnitCommands::setPoint(250, 100, kB5Factor));
    b.run(2 * 3600);
    b.port.send(UnitCommands::stop());
    b.run(10);
    StatusReply r = b.status();
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.text(StatusField::TempSetPoint), "0");
    EXPECT_NEAR(r.value(StatusField::MotorSpeed), 0, 0.01);
    b.run(4 * 3600);
    r = b.status();
    EXPECT_EQ(r.code, 0);
    EXPECT_LT(r.value(StatusField::SampleTemp), 150);
}

TEST(UnitCommandsEffect, PreheatHeatsTheBathAndReportsPreheating) {
    SimBench b;
    b.port.send(UnitCommands::preheat(180));
    b.run(3600);
    const StatusReply r = b.status();
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.text(StatusField::TempSetPoint), "180");
    EXPECT_NEAR(r.value(StatusField::BathTemp), 180, 1);
}

TEST(UnitCommandsEffect, ZeroRemovesTheTorqueOffset) {
    SimBench b;
    EXPECT_NEAR(b.status().value(StatusField::ShearStress), 1.5, 1e-9);
    b.port.send(UnitCommands::zero());
    EXPECT_EQ(b.status().value(StatusField::ShearStress), 0.0);
    EXPECT_TRUE(b.unit.zeroed());
}

TEST(UnitCommandsEffect, DroppedBathLeavesTheSampleAtAmbient) {
    SimBench b;
    b.port.send(UnitCommands::dropBath());
    b.port.send(UnitCommands::setPoint(300, 0, kB5Factor));
    b.run(1800);
    EXPECT_GT(b.unit.bathTemp_F(), 250);
    EXPECT_LT(b.unit.sampleTemp_F(), 80);
    b.port.send(UnitCommands::raiseBath());
    b.run(1800);
    EXPECT_GT(b.unit.sampleTemp_F(), 250);
}

TEST(UnitCommandsEffect, PressureIsTheOperatorsAndShowsInItsField) {
    SimBench b;
    b.unit.setPressure(412);
    EXPECT_EQ(b.status().text(StatusField::Pressure), "412");
}

TEST(UnitCommandsEffect, EveryCommandIsLoggedAndUnknownOnesAreIgnored) {
    SimBench b;
    b.port.send(UnitCommands::command131());
    b.port.send(QByteArray("\x7f\x1a"));
    b.port.send(UnitCommands::statusQuery());
    ASSERT_EQ(b.unit.commandLog().size(), 3);
    EXPECT_EQ(b.unit.commandLog()[0], QByteArray("\x83"));
    b.run(0.1);
    EXPECT_EQ(b.parser.feed(b.port.readAll()).size(), 1);
}

TEST(UnitCommandsEffect, AStatusQueryInPlaceOfTheBodyIsStillAnswered) {
    SimBench b;
    b.port.send(UnitCommands::sequenceAnnounce());
    EXPECT_TRUE(b.status().complete());
}

TEST(UnitCommandsEffect, ExtremeSetPointsAreHeldWithinWhatTheUnitCanDo) {
    SimBench b;
    b.port.send(UnitCommands::setPoint(99999, 99999, 0.0001));
    b.run(4 * 3600);
    const StatusReply r = b.status();
    ASSERT_TRUE(r.complete());
    EXPECT_LE(r.value(StatusField::SampleTemp), 600.5);
    EXPECT_LE(r.value(StatusField::MotorSpeed), 1000.0);
    EXPECT_EQ(r.text(StatusField::TempSetPoint), "99999");
}

TEST(UnitRobustness, ArbitraryBytesNeverBreakTheStatusReply) {
    for (quint32 seed = 1; seed <= 20; ++seed) {
        UnitFirmware::Options o;
        o.seed = seed;
        SimBench b(o);
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> byte(0, 255), length(0, 80);
        for (int i = 0; i < 200; ++i) {
            QByteArray junk;
            for (int n = length(rng); n > 0; --n)
                junk.append(static_cast<char>(byte(rng) % 3 ? byte(rng) : 26));
            b.port.send(junk);
            b.run(0.5);
        }
        b.port.send(UnitCommands::stop());  // whatever the noise started
        b.unit.clearFaults();
        const QByteArray reply = b.unit.statusReply();
        ASSERT_EQ(reply.count(','), 8) << "seed " << seed;
        ASSERT_EQ(reply.back(), char(26));
    }
}

TEST(UnitNoise, IsSeededSoRunsRepeat) {
    auto transcript = [](quint32 seed) {
        UnitFirmware::Options o;
        o.seed = seed;
        SimBench b(o);
        b.port.send(UnitCommands::setPoint(200, 170, kB5Factor));
        QByteArray all;
        for (int i = 0; i < 30; ++i) {
            b.tick();
            all += b.port.readAll();
        }
        return all;
    };
    EXPECT_EQ(transcript(7), transcript(7));
    EXPECT_NE(transcript(7), transcript(8));
}

TEST(UnitLine, RepliesTakeTheirTimeOnTheLine) {
    UnitFirmware::Options o;
    o.noise = 0;
    o.replyLatency_s = 0;
    o.lineRate_Bps = 1920;
    SimBench b(o);
    b.port.send(UnitCommands::statusQuery());
    EXPECT_EQ(b.port.waitingCount(), 0);
    b.run(0.01);  // about 19 bytes
    const int partial = b.port.waitingCount();
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, 27);
    b.run(0.05);
    EXPECT_EQ(b.port.readAll(), QByteArray("0,75,75,0,0.00,1.5,0,0.0,0\x1a"));
}

}  // namespace
