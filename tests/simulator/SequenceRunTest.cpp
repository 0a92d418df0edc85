#include "SimBench.h"
#include "instrument/SequenceBody.h"
#include "link/DataDownload.h"
#include "link/SequenceDownload.h"
#include "simulator/SequenceReader.h"

#include <gtest/gtest.h>

namespace {

StoredSequence workedExample() {
    StoredSequence s;
    s.found = true;
    s.steps = {SequenceStep{30, 150, 5, 100, 1}, SequenceStep{60, 250, 10, 100, 1}};
    s.shearRates_1ps = {100, 200, 300};
    s.settings = SequenceSettings{20, 2, 5, 20, 0, 60};
    return s;
}

// A short run: two five-minute ramps the sample can reach, three shear rates.
StoredSequence shortRun() {
    StoredSequence s;
    s.steps = {SequenceStep{5, 90, 10, 100, 1}, SequenceStep{5, 110, 10, 170, 1}};
    s.shearRates_1ps = {40, 100, 170};
    s.settings = SequenceSettings{20, 2, 5, 20, 0, 30};
    return s;
}

void expectSame(const UnitSequence& got, const StoredSequence& sent) {
    ASSERT_EQ(got.ramps.size(), sent.steps.size());
    for (qsizetype i = 0; i < got.ramps.size(); ++i) {
        EXPECT_EQ(got.ramps[i].elapse_min, std::round(sent.steps[i].elapseTime_min)) << i;
        EXPECT_EQ(got.ramps[i].temp_F, std::round(sent.steps[i].temp_F)) << i;
        EXPECT_EQ(got.ramps[i].startError_F, std::round(sent.steps[i].startError_F)) << i;
        EXPECT_NEAR(got.ramps[i].shearRate_1ps, sent.steps[i].shearRate_1ps, 5e-5) << i;
    }
    ASSERT_EQ(got.shearRates_1ps.size(), sent.shearRates_1ps.size());
    for (qsizetype j = 0; j < got.shearRates_1ps.size(); ++j)
        EXPECT_NEAR(got.shearRates_1ps[j], sent.shearRates_1ps[j], 5e-5) << j;
    EXPECT_EQ(got.timeBeforeRead_s, sent.settings.timeBeforeRead_s);
    EXPECT_EQ(got.sampleRate_s, sent.settings.rampSampleRate_s);
    EXPECT_EQ(got.pointsAverage, sent.settings.samplePointsAverage);
    EXPECT_EQ(got.shutDownATime_min, sent.settings.shutDownATime_min);
    EXPECT_EQ(got.shutDownVisc_cP, sent.settings.shutDownVisc_cP);
    EXPECT_EQ(got.sampleInterval_s, SequenceBody::effectiveSampleInterval(sent.settings));
}

struct BodyCase {
    const char* name;
    StoredSequence sequence;
};

void PrintTo(const BodyCase& c, std::ostream* os) {
    *os << c.name;
}

class SequenceBodyRoundTrip : public ::testing::TestWithParam<BodyCase> {};

TEST_P(SequenceBodyRoundTrip, TheUnitReadsBackWhatTheProgramWrote) {
    const auto read = readSequenceBody(SequenceBody::build(GetParam().sequence));
    ASSERT_TRUE(read.has_value());
    expectSame(*read, GetParam().sequence);
}

StoredSequence with(StoredSequence s, const std::function<void(StoredSequence&)>& change) {
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SequenceBodyRoundTrip,
    ::testing::Values(
        BodyCase{"WorkedExample", workedExample()},
        BodyCase{"NegativeStartError", with(workedExample(), [](auto& s) { s.steps[0].startError_F = -5; })},
        BodyCase{"WideShearRates", with(workedExample(),
                                        [](auto& s) {
                                            s.steps[1].shearRate_1ps = 100000;
                                            s.shearRates_1ps = {123456.5, 100000, 0.0001};
                                        })},
        BodyCase{"OneStepOneRate", with(workedExample(),
                                        [](auto& s) {
                                            s.steps.resize(1);
                                            s.shearRates_1ps = {511};
                                        })},
        BodyCase{"NoRates", with(workedExample(), [](auto& s) { s.shearRates_1ps.clear(); })},
        BodyCase{"NoStepsNoRates", StoredSequence{}},
        BodyCase{"FortyRatesAndAHundredTwentySteps",
                 with(workedExample(),
                      [](auto& s) {
                          s.shearRates_1ps.clear();
                          for (int j = 1; j <= 40; ++j) s.shearRates_1ps.append(25.0 * j);
                          s.steps.clear();
                          for (int i = 1; i <= 120; ++i)
                              s.steps.append(SequenceStep{1.0 * i, 100.0 + i, 5, 100, 1});
                      })},
        BodyCase{"RaisedInterval", with(workedExample(), [](auto& s) { s.settings.sampleInterval_s = 5; })}),
    [](const auto& info) { return std::string(info.param.name); });

class MalformedBody : public ::testing::TestWithParam<const char*> {};

TEST_P(MalformedBody, IsNotAccepted) {
    EXPECT_FALSE(readSequenceBody(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedBody,
    ::testing::Values("", "x", "05x", "0201 000030 150 005 00100.0000 w", "hello 05x",
                      "0201 000030 150 005 00100.0000 03 000060 250 010 00100.0000 "
                      "w0101 00100.0000020 002 05 20 000.0 060 05x",
                      "0101 000030 150 005 00100.000 w0101 00100.0000020 002 05 20 000.0 060 05x",
                      "0101 000030 150 005 00100.0000 w0101 00100.0000020 002 05 20 000.0 060 "
                      "05y",
                      "0101 000030 150 005 00100.0000 w0101 00100.0000020 002 05 20 000.0 05x"));

TEST(SequenceDownloadToTheUnit, IsAcknowledgedWithXAndKept) {
    SimBench b;
    EXPECT_TRUE(SequenceDownload::send(b.port, SequenceBody::build(workedExample())));
    ASSERT_TRUE(b.unit.sequence().has_value());
    expectSame(*b.unit.sequence(), workedExample());
}

TEST(SequenceDownloadToTheUnit, GarbledBodyOrMissingAnnounceIsNotAcknowledged) {
    SimBench b;
    EXPECT_FALSE(SequenceDownload::send(b.port, "garbage 05x\x1a"));
    b.port.send(SequenceBody::build(workedExample()));  // no announce before it
    b.run(6);
    EXPECT_FALSE(SequenceDownload::isAcknowledged(b.port.readAll()));
    EXPECT_FALSE(b.unit.sequence().has_value());
}

TEST(StandAloneRunOfTheUnit, StoresAveragesOfEveryRampAndStepAndHandsThemOver) {
    SimBench b{UnitFirmware::Options{}};
    ASSERT_TRUE(SequenceDownload::send(b.port, SequenceBody::build(shortRun())));
    ASSERT_TRUE(b.unit.startDownloadedSequence());
    EXPECT_EQ(b.status().code, 2);
    bool sawShearRamp = false;
    for (int minute = 0; minute < 120 && b.unit.runningSequence(); ++minute) {
        b.run(60);
        sawShearRamp = sawShearRamp || b.unit.statusCode() == 6;
    }
    ASSERT_FALSE(b.unit.runningSequence()) << "the run never ended";
    const QList<UnitRecord>& stored = b.unit.records();
    ASSERT_FALSE(stored.isEmpty());

    // Ramp 1 first, then its shear-rate steps 1..3 at their rates, then ramp 2 and its steps.
    int lastTime = 0;
    QList<int> stepsOfRamp[3];
    for (const UnitRecord& r : stored) {
        EXPECT_GT(r.time_s, lastTime);
        lastTime = r.time_s;
        ASSERT_TRUE(r.rampNo == 1 || r.rampNo == 2);
        EXPECT_EQ(r.typeId, r.stepNo == 0 ? 0 : 1);
        if (r.typeId == 1) {
            stepsOfRamp[r.rampNo].append(r.stepNo);
            EXPECT_NEAR(r.shearRate_1ps, shortRun().shearRates_1ps[r.stepNo - 1], 1.0);
        }
    }
    EXPECT_EQ(stepsOfRamp[1], (QList<int>{1, 2, 3}));
    EXPECT_EQ(stepsOfRamp[2], (QList<int>{1, 2, 3}));

    // The program's data download gets every record, to the decimals the unit writes.
    const QByteArray transfer = DataDownload::fetch(b.port);
    ASSERT_EQ(DataDownload::judge(transfer), DataDownload::Outcome::Complete);
    const QList<DataRecord> got = DataDownload::parseRecords(transfer);
    ASSERT_EQ(got.size(), stored.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].rampNo, stored[i].rampNo);
        EXPECT_EQ(got[i].stepNo, stored[i].stepNo);
        EXPECT_EQ(got[i].time_s, stored[i].time_s);
        EXPECT_NEAR(got[i].sampleTemp_F, stored[i].sampleTemp_F, 0.05);
        EXPECT_NEAR(got[i].shearStress, stored[i].shearStress, 0.005);
        EXPECT_EQ(got[i].typeId, stored[i].typeId);
    }
}

TEST(StandAloneRunOfTheUnit, ShutsDownWhenViscosityFallsBelowTheLimit) {
    StoredSequence s = shortRun();
    s.steps = {SequenceStep{600, 300, 5, 100, 0}};
    s.settings.shutDownATime_min = 5;
    s.settings.shutDownVisc_cP = 5000;  // far above what the gel gives
    SimBench b;
    ASSERT_TRUE(SequenceDownload::send(b.port, SequenceBody::build(s)));
    ASSERT_TRUE(b.unit.startDownloadedSequence());
    b.run(20 * 60);
    EXPECT_FALSE(b.unit.runningSequence());
    EXPECT_EQ(b.unit.statusCode(), 0);
    EXPECT_FALSE(b.unit.records().isEmpty());
}

TEST(StandAloneRunOfTheUnit, NothingToRunWithoutADownload) {
    SimBench b;
    EXPECT_FALSE(b.unit.startDownloadedSequence());
    const QByteArray transfer = DataDownload::fetch(b.port);
    EXPECT_EQ(transfer, QByteArray("\x02"));
    EXPECT_TRUE(DataDownload::parseRecords(transfer).isEmpty());
}

TEST(StandAloneRunOfTheUnit, ASetPointFromTheProgramTakesOver) {
    SimBench b;
    ASSERT_TRUE(SequenceDownload::send(b.port, SequenceBody::build(shortRun())));
    ASSERT_TRUE(b.unit.startDownloadedSequence());
    b.run(400);
    b.port.send(UnitCommands::setPoint(80, 0, 1));
    b.run(1);
    EXPECT_FALSE(b.unit.runningSequence());
    EXPECT_EQ(b.status().code, 1);
    EXPECT_FALSE(b.unit.records().isEmpty()) << "the records of the interrupted run stay";
}

TEST(StandAloneRunOfTheUnit, StartsByItselfWhenAskedTo) {
    UnitFirmware::Options o = SimBench::quiet();
    o.startRunOnDownload = true;
    SimBench b(o);
    ASSERT_TRUE(SequenceDownload::send(b.port, SequenceBody::build(shortRun())));
    EXPECT_TRUE(b.unit.runningSequence());
}

}  // namespace
