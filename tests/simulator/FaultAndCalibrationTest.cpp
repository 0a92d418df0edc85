#include "SimBench.h"

#include <gtest/gtest.h>

namespace {

struct FaultCase {
    const char* name;
    std::optional<UnitFirmware::Fault> fault;
    QStringList firstTick;   // what the parser yields on the tick after the faulty reply was asked for
    QStringList secondTick;  // and on the tick after that
};

// "c" a complete reply, "c4" one with code 4, "p" a reply cut short after its code.
QStringList kinds(const QList<StatusReply>& replies) {
    QStringList k;
    for (const StatusReply& r : replies) {
        if (!r.complete())
            k << (r.fields.isEmpty() ? QStringLiteral("p") : QStringLiteral("p+"));
        else
            k << (r.code == 4 ? QStringLiteral("c4") : QStringLiteral("c"));
    }
    return k;
}

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class FaultSeenByTheParser : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultSeenByTheParser, ActsAsTheFramingRulesSay) {
    SimBench b;
    b.port.send(UnitCommands::setPoint(120, 100, 1));
    b.run(5);
    b.port.readAll();
    if (GetParam().fault) b.unit.injectFault(*GetParam().fault, 1);
    b.tick();  // asks; the unit answers with the fault
    EXPECT_EQ(kinds(b.tick()), GetParam().firstTick);
    EXPECT_EQ(kinds(b.tick()), GetParam().secondTick);
    EXPECT_EQ(kinds(b.tick()), QStringList{"c"}) << "the unit is back to normal";
}

INSTANTIATE_TEST_SUITE_P(
    Table, FaultSeenByTheParser,
    ::testing::Values(
        FaultCase{"NoFault", std::nullopt, {"c"}, {"c"}},
        FaultCase{"NoAnswer", UnitFirmware::Fault::NoAnswer, {}, {"c"}},
        FaultCase{"SplitReplyIsParsedOnceOnTheNextTick", UnitFirmware::Fault::SplitReply, {}, {"c", "c"}},
        FaultCase{"MalformedReplyIsDropped", UnitFirmware::Fault::MalformedReply, {}, {"c"}},
        FaultCase{"DotInTemperatureShowsOnlyTheCode", UnitFirmware::Fault::DotInTemperature, {"p"}, {"c"}},
        FaultCase{"DroppedTerminatorLosesTheNextReplyToo", UnitFirmware::Fault::DroppedTerminator, {}, {}},
        FaultCase{"MalfunctionReportsCodeFour", UnitFirmware::Fault::Malfunction, {"c4"}, {"c"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultMalformed, EveryVariantIsDroppedByTheFraming) {
    SimBench b;
    b.unit.injectFault(UnitFirmware::Fault::MalformedReply, 6);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(b.tick().isEmpty()) << i;
    b.tick();
    EXPECT_EQ(kinds(b.tick()), QStringList{"c"});
}

TEST(FaultForever, LastsUntilCleared) {
    SimBench b;
    b.unit.injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(b.tick().isEmpty());
    b.unit.clearFaults();
    b.tick();
    EXPECT_EQ(kinds(b.tick()), QStringList{"c"});
}

TEST(FaultVanishingPort, IsReportedLostAndComesBackWhenPluggedIn) {
    SimBench b;
    b.port.unplug();
    EXPECT_TRUE(b.port.isDeviceLost());
    EXPECT_TRUE(b.port.isOpen());
    try {
        b.port.send(UnitCommands::statusQuery());
        FAIL() << "sent through a pulled cable";
    } catch (const UnitPortError& e) {
        EXPECT_EQ(e.number(), UnitPortErrorNumber::kDeviceLost);
    }
    EXPECT_THROW(b.port.readAll(), UnitPortError);
    EXPECT_NO_THROW(b.port.delay(1));  // time goes on for the unit

    b.port.plugIn();
    EXPECT_FALSE(b.port.isDeviceLost());
    EXPECT_TRUE(b.status().complete());
}

TEST(FaultVanishingPort, APortThatIsNotThereDoesNotOpen) {
    UnitFirmware unit;
    SimulatedUnitPort port(unit);
    port.unplug();
    EXPECT_THROW(port.open(3), UnitPortError);
    EXPECT_FALSE(port.isOpen());
    port.plugIn();
    port.open(3);
    EXPECT_TRUE(port.isOpen());
    EXPECT_THROW(port.open(3), UnitPortError);
    port.close();
    EXPECT_THROW(port.send("x"), UnitPortError);
}

// ---- calibration messages ----

QByteArray calibrationStart(const char* viscosity) {
    return QByteArray("N\x1a\x02") + viscosity + ",B5," + viscosity + "\x1a";
}

TEST(UnitCalibration, SendsItsPointsThenTheEndAndTakesTheResult) {
    SimBench b;
    b.port.send(calibrationStart("0050.00"));
    EXPECT_EQ(b.status().code, 5);
    b.run(120);
    const QByteArray all = b.port.readAll();
    QList<QByteArray> messages = all.split('\x1a');
    ASSERT_EQ(messages.takeLast(), QByteArray());
    ASSERT_EQ(messages.size(), 18);
    EXPECT_EQ(messages.last(), QByteArray("\x09"));
    double lastStress = -1;
    for (int k = 0; k < 17; ++k) {
        const QByteArray& m = messages[k];
        ASSERT_EQ(m.front(), '\x08') << k;
        const QList<QByteArray> f = m.mid(1).split(',');
        ASSERT_EQ(f.size(), 2);
        const double stress = f[0].toDouble();
        if (k == 0) EXPECT_EQ(f[0], "0.00");
        EXPECT_GT(stress, lastStress);
        lastStress = stress;
        // 50 cP: stress = 0.5 x shear rate, the voltage rising with it.
        EXPECT_NEAR(f[1].toDouble(), 0.05 + stress / 250, 0.002);
    }
    EXPECT_NEAR(lastStress, 0.5 * 600 * 0.850337, 0.1);
    EXPECT_FALSE(b.unit.calibration().running);

    b.port.send(QByteArray("N\x1a\x0e") + "-12.5,250.123456789,0.0,0.0,0.0,0.0,0.0,0.0501,\x1a");
    EXPECT_TRUE(b.unit.calibration().resultReceived);
    EXPECT_DOUBLE_EQ(b.unit.calibration().c0, -12.5);
    EXPECT_DOUBLE_EQ(b.unit.calibration().c1, 250.123456789);
    EXPECT_DOUBLE_EQ(b.unit.calibration().zeroVoltage, 0.0501);
    EXPECT_EQ(b.status().code, 0);
}

TEST(UnitCalibration, PressureEffectRunsFiveMinutesWithoutSendingAnything) {
    SimBench b;
    b.port.send(QByteArray("N\x1a\x0b\x1a"));
    EXPECT_EQ(b.status().code, 5);
    b.run(290);
    EXPECT_EQ(b.status().code, 5);
    b.run(20);
    EXPECT_EQ(b.status().code, 0);
    EXPECT_TRUE(b.port.readAll().isEmpty());
}

}  // namespace
