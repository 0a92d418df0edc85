#include "instrument/StatusDisplay.h"

#include <gtest/gtest.h>

namespace {

StatusReply reply(const char* text) {
    StatusParser parser;
    QByteArray bytes(text);
    bytes.append(char(26));
    const QList<StatusReply> replies = parser.feed(bytes);
    return replies.isEmpty() ? StatusReply{} : replies.front();
}

TEST(StatusDisplayRealTime, ShowsFieldsAsReceivedAndDerivesStressAndViscosity) {
    StatusDisplay d;
    d.setFactors(0.850337, 1.69598);  // bob B2's stress factor
    const auto effects = d.apply(reply("1,250,252,250,300.00,250.3,400,511.1,0"));
    EXPECT_FALSE(effects.enableExit);
    const UnitDisplayTexts& t = d.texts();
    EXPECT_EQ(t.activeFlag, "Running Test");
    EXPECT_EQ(t.sampleTemp, "250");
    EXPECT_EQ(t.bathTemp, "252");
    EXPECT_EQ(t.tempSetPoint, "250");
    EXPECT_EQ(t.speed, "300.00");
    EXPECT_EQ(t.shearRate, "511.1");  // field 8 replaces speed x factor
    EXPECT_EQ(t.shearStress, "424.5");
    EXPECT_EQ(t.visc, "83.1");
    EXPECT_EQ(t.pressure, "400");
    const UnitReadings& r = d.readings();
    EXPECT_EQ(r.sampleTemp_F, 250);
    EXPECT_EQ(r.bathTemp_F, 252);
    EXPECT_EQ(r.tempSetPoint_F, 250);
    EXPECT_EQ(r.pressure_psi, 400);
    EXPECT_DOUBLE_EQ(r.shearRate_1ps, 511.1);
    EXPECT_DOUBLE_EQ(r.shearStress, 250.3 * 1.69598);
}

struct DisplayCase {
    const char* name;
    const char* reply;
    const char* speed;
    const char* shearRate;
    const char* shearStress;
    const char* visc;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusDisplayDerived : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(StatusDisplayDerived, FollowTheDisplayRules) {
    const DisplayCase& c = GetParam();
    StatusDisplay d;
    d.setFactors(1.0, 1.0);
    d.apply(reply(c.reply));
    EXPECT_EQ(d.texts().speed, c.speed);
    EXPECT_EQ(d.texts().shearRate, c.shearRate);
    EXPECT_EQ(d.texts().shearStress, c.shearStress);
    EXPECT_EQ(d.texts().visc, c.visc);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusDisplayDerived,
    ::testing::Values(
        DisplayCase{"StoppedMotorShowsZeroForSpeedRateAndViscosity", "1,70,70,70,0,25,0,100,0", "0.0", "0.0",
                    "25.", "0.0"},
        DisplayCase{"NegativeStressShowsAsPointOne", "1,70,70,70,100,-3,0,100,0", "100", "100", ".1", ".1"},
        DisplayCase{"TinyStressShowsAsThePointAlone", "1,70,70,70,100,0.04,0,100,0", "100", "100", ".", "."},
        DisplayCase{"RateTooSmallForAViscosityShowsZero", "1,70,70,70,100,25,0,0.00001,0", "100", "0.00001",
                    "25.", "0"},
        DisplayCase{"ViscosityIsStressOverRateInCentipoise", "1,70,70,70,100,51.1,0,511,0", "100", "511",
                    "51.1", "10."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusDisplayStates, CodesSetTheStateTextAndCoolingEnablesExit) {
    StatusDisplay d;
    const struct {
        const char* reply;
        const char* text;
        bool exit;
    } cases[] = {
        {"0,1,1,1,1,1,1,1,1", "InActive", false},         {"7,1,1,1,1,1,1,1,1", "Preheating", false},
        {"3,1,1,1,1,1,1,1,1", "Preheating", false},       {"2,1,1,1,1,1,1,1,1", "Stand-alone Test", false},
        {"9,1,1,1,1,1,1,1,1", "Stand-alone Test", false}, {"4,1,1,1,1,1,1,1,1", "Mal Function", false},
        {"5,1,1,1,1,1,1,1,1", "Calibrating", false},      {"6,1,1,1,1,1,1,1,1", "Ramping", false},
        {"8,1,1,1,1,1,1,1,1", "Cooling", true},           {"1,1,1,1,1,1,1,1,1", "Running Test", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(d.apply(reply(c.reply)).enableExit, c.exit) << c.reply;
        EXPECT_EQ(d.texts().activeFlag, c.text) << c.reply;
    }
}

TEST(StatusDisplayCutShort, ADotInTheSampleTemperatureChangesOnlyTheState) {
    StatusDisplay d;
    d.apply(reply("1,250,252,250,300.00,250.3,400,511.1,0"));
    const UnitDisplayTexts before = d.texts();
    d.apply(reply("6,260.5,262,260,300.00,150.0,500,100,0"));
    EXPECT_EQ(d.texts().activeFlag, "Ramping");
    EXPECT_EQ(d.texts().sampleTemp, before.sampleTemp);
    EXPECT_EQ(d.texts().pressure, before.pressure);
    EXPECT_EQ(d.readings().sampleTemp_F, 250);
}

TEST(StatusDisplaySimpleTest, TemperaturesGetADecimalTheSetPointIsNotShownAndHeatShutsDown) {
    StatusDisplay d(StatusDisplay::Window::SimpleTest);
    d.setFactors(0.443326, 1.69598);
    auto effects = d.apply(reply("1,250,252,250,300.00,100,400,133,0"));
    EXPECT_FALSE(effects.highTemperatureShutDown);
    EXPECT_EQ(d.texts().sampleTemp, "250.0");
    EXPECT_EQ(d.texts().bathTemp, "252.0");
    EXPECT_EQ(d.texts().tempSetPoint, QString());
    EXPECT_EQ(d.readings().tempSetPoint_F, 250);
    EXPECT_EQ(d.unitState(), UnitStatus::RunningTest);

    effects = d.apply(reply("0,440,451,0,0,0,0,0,0"));
    EXPECT_TRUE(effects.highTemperatureShutDown);
    EXPECT_EQ(StatusDisplay::kHighTemperatureText, " Shut down due to high temperture.");
    EXPECT_FALSE(d.apply(reply("0,450,450,0,0,0,0,0,0")).highTemperatureShutDown);
}

TEST(StatusDisplayRealTime, HighTemperatureIsOnlyTheSimpleTestsConcern) {
    StatusDisplay d;
    EXPECT_FALSE(d.apply(reply("1,460,470,450,0,0,0,0,0")).highTemperatureShutDown);
}

struct ElapsedCase {
    qint64 seconds;
    const char* text;
};

class ElapsedTime : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTime, ShowsHoursMinutesSecondsWrappingAtADay) {
    EXPECT_EQ(StatusDisplay::elapsedText(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ElapsedTime,
                         ::testing::Values(ElapsedCase{0, "00:00:00"}, ElapsedCase{59, "00:00:59"},
                                           ElapsedCase{3725, "01:02:05"}, ElapsedCase{86399, "23:59:59"},
                                           ElapsedCase{90000, "01:00:00"}));

}  // namespace
