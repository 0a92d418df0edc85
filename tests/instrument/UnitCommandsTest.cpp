#include "instrument/SequenceBody.h"
#include "link/SequenceDownload.h"
#include "link/UnitCommands.h"
#include "support/FakeUnitPort.h"

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}

QByteArray framed(int command, const char* text) {
    return bytes({command}) + QByteArray(text) + bytes({26});
}

struct CommandCase {
    const char* name;
    QByteArray sent;
    QByteArray expected;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandBytes : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandBytes, AreWrittenByteForByte) {
    EXPECT_EQ(GetParam().sent, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandBytes,
    ::testing::Values(
        CommandCase{"DataRequest", UnitCommands::dataRequest(), bytes({1, 26})},
        CommandCase{"SequenceAnnounce", UnitCommands::sequenceAnnounce(), bytes({3, 26})},
        CommandCase{"Stop", UnitCommands::stop(), bytes({6, 26})},
        CommandCase{"StatusQuery", UnitCommands::statusQuery(), bytes({7, 26})},
        CommandCase{"Zero", UnitCommands::zero(), bytes({8, 26})},
        CommandCase{"RaiseBath", UnitCommands::raiseBath(), bytes({13, 26})},
        CommandCase{"DropBath", UnitCommands::dropBath(), bytes({15, 26})},
        CommandCase{"Command131", UnitCommands::command131(), bytes({131, 26})},
        CommandCase{"JogTurnsAHundredRpmWhateverTheBob", UnitCommands::jog(),
                    framed(5, "050.0,0100.0000,001.0000")},
        CommandCase{"SetPointOfARamp", UnitCommands::setPoint(250, 511.1, 0.850337),
                    framed(5, "250.0,0511.1000,000.8503")},
        CommandCase{"SetPointOfASimpleTestWithBobB2", UnitCommands::setPoint(70, 300 * 0.443326, 0.443326),
                    framed(5, "070.0,0132.9978,000.4433")},
        CommandCase{"SetPointRoundsHalfAwayFromZero", UnitCommands::setPoint(99.95, 0.00005, 0.00005),
                    framed(5, "100.0,0000.0001,000.0001")},
        CommandCase{"SetPointLargerThanItsPictureKeepsEveryDigit",
                    UnitCommands::setPoint(1234.5, 12345, 1234), framed(5, "1234.5,12345.0000,1234.0000")},
        CommandCase{"SetPointBelowZeroPutsTheSignBeforeThePadding", UnitCommands::setPoint(-5, 0, 1),
                    framed(5, "-005.0,0000.0000,001.0000")},
        CommandCase{"PreheatTo180", UnitCommands::preheat(180), framed(9, "180.0")},
        CommandCase{"PreheatToAFraction", UnitCommands::preheat(72.25), framed(9, "072.3")}),
    [](const auto& info) { return std::string(info.param.name); });

// The worked example: 2 ramps, 3 shear rates, 20 s wait, a sample every 2 s, 5 averaged, 20 min, 0 cP, 60 s.
StoredSequence workedExample() {
    StoredSequence s;
    s.found = true;
    s.name = QStringLiteral("Example");
    s.steps = {SequenceStep{30, 150, 5, 100, 1}, SequenceStep{60, 250, 10, 100, 1}};
    s.shearRates_1ps = {100, 200, 300};
    s.settings = SequenceSettings{20, 2, 5, 20, 0, 60};
    return s;
}

TEST(SequenceBodyText, WorkedExampleComesOutByteForByte) {
    EXPECT_EQ(SequenceBody::build(workedExample()),
              QByteArray("0201 000030 150 005 00100.0000 02 000060 250 010 00100.0000 w0301 00100.000002 "
                         "00200.000003 00300.0000020 002 05 20 000.0 060 05x") +
                  bytes({26}));
}

TEST(SequenceBodyText, NegativeStartErrorWritesTheSignAndShiftsTheColumns) {
    StoredSequence s = workedExample();
    s.steps[0].startError_F = -5;
    const QByteArray body = SequenceBody::build(s);
    EXPECT_TRUE(body.startsWith("0201 000030 150 -005 00100.0000 02 "));
    EXPECT_EQ(body.size(), SequenceBody::build(workedExample()).size() + 1);
}

TEST(SequenceBodyText, ShearRateOfAHundredThousandWidensItsField) {
    StoredSequence s = workedExample();
    s.steps[1].shearRate_1ps = 100000;
    s.shearRates_1ps[2] = 123456.78;
    const QByteArray body = SequenceBody::build(s);
    EXPECT_TRUE(body.contains(" 010 100000.0000 w03")) << body.constData();
    EXPECT_TRUE(body.contains("03 123456.7800020 002")) << body.constData();
}

TEST(SequenceBodyText, SampleIntervalIsRaisedToHoldOneAverage) {
    StoredSequence s = workedExample();
    s.settings.sampleInterval_s = 20;
    s.settings.rampSampleRate_s = 5;
    s.settings.samplePointsAverage = 6;
    EXPECT_EQ(SequenceBody::effectiveSampleInterval(s.settings), 30.0);
    EXPECT_TRUE(SequenceBody::build(s).endsWith(QByteArray(" 030 05x") + bytes({26})));
}

TEST(SequenceBodyText, SequenceWithoutStepsOrRatesStillFramesTheBody) {
    StoredSequence s;
    EXPECT_EQ(SequenceBody::build(s), QByteArray("00w00020 002 05 20 000.0 060 05x") + bytes({26}));
}

struct AckCase {
    QByteArray reply;
    bool acknowledged;
};

void PrintTo(const AckCase& c, std::ostream* os) {
    *os << '"' << c.reply.toStdString() << '"';
}

class SequenceAcknowledgement : public ::testing::TestWithParam<AckCase> {};

TEST_P(SequenceAcknowledgement, OnlyALastXCounts) {
    EXPECT_EQ(SequenceDownload::isAcknowledged(GetParam().reply), GetParam().acknowledged)
        << GetParam().reply.constData();
}

INSTANTIATE_TEST_SUITE_P(Table, SequenceAcknowledgement,
                         ::testing::Values(AckCase{"x", true}, AckCase{"OKx", true},
                                           AckCase{QByteArray("1,2,3\x1ax"), true}, AckCase{"", false},
                                           AckCase{"X", false}, AckCase{"x ", false},
                                           AckCase{QByteArray("x\x1a"), false}, AckCase{"xy", false}));

TEST(SequenceDownloadExchange, SendsAnnounceThenBodyWaitsSixSecondsAndReadsTheAcknowledgement) {
    FakeUnitPort port;
    port.open(1);
    port.script.enqueue("x");
    const QByteArray body = SequenceBody::build(workedExample());
    EXPECT_TRUE(SequenceDownload::send(port, body));
    ASSERT_EQ(port.sent.size(), 2);
    EXPECT_EQ(port.sent[0], bytes({3, 26}));
    EXPECT_EQ(port.sent[1], body);
    EXPECT_EQ(port.delays, QList<double>{6.0});
    EXPECT_EQ(SequenceDownload::resultText(true), "Sequence Send Success.");
}

TEST(SequenceDownloadExchange, SilenceOrAClosedPortIsAFailedDownload) {
    FakeUnitPort silent;
    silent.open(1);
    EXPECT_FALSE(SequenceDownload::send(silent, "00w00020 002 05 20 000.0 060 05x"));

    FakeUnitPort closed;
    EXPECT_FALSE(SequenceDownload::send(closed, "00w00020 002 05 20 000.0 060 05x"));
    EXPECT_TRUE(closed.delays.isEmpty());

    FakeUnitPort lost;
    lost.open(1);
    lost.lost = true;
    EXPECT_FALSE(SequenceDownload::send(lost, "00w00020 002 05 20 000.0 060 05x"));
    EXPECT_EQ(SequenceDownload::resultText(false), "Sequence Send Error. Please resend.");
}

}  // namespace
