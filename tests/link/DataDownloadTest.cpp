#include "link/DataDownload.h"
#include "support/FakeUnitPort.h"

#include <gtest/gtest.h>

namespace {

// "|" stands for the record end byte 3 and "$" for the transfer end byte 2.
QByteArray wire(const char* text) {
    QByteArray b(text);
    b.replace('|', char(3));
    b.replace('$', char(2));
    return b;
}

TEST(DataDownloadRecords, OneRecordIsReadFieldByField) {
    const QList<DataRecord> records = DataDownload::parseRecords(wire("1,0,60,150,152,0,0,0,0|$"));
    ASSERT_EQ(records.size(), 1);
    DataRecord expected;
    expected.rampNo = 1;
    expected.time_s = 60;
    expected.sampleTemp_F = 150;
    expected.bathTemp_F = 152;
    EXPECT_EQ(records.front(), expected);
}

TEST(DataDownloadRecords, EveryFieldLandsInItsPlace) {
    const QList<DataRecord> records =
        DataDownload::parseRecords(wire("2,3,1234,250.5,251.5,400.2,511.11,73.25,1|1,0,1,2,3,4,5,6,0|$"));
    ASSERT_EQ(records.size(), 2);
    const DataRecord& r = records.front();
    EXPECT_EQ(r.rampNo, 2);
    EXPECT_EQ(r.stepNo, 3);
    EXPECT_EQ(r.time_s, 1234);
    EXPECT_DOUBLE_EQ(r.sampleTemp_F, 250.5);
    EXPECT_DOUBLE_EQ(r.bathTemp_F, 251.5);
    EXPECT_DOUBLE_EQ(r.pressure_psi, 400.2);
    EXPECT_DOUBLE_EQ(r.shearRate_1ps, 511.11);
    EXPECT_DOUBLE_EQ(r.shearStress, 73.25);
    EXPECT_EQ(r.typeId, 1);
    EXPECT_EQ(records[1].typeId, 0);
}

TEST(DataDownloadRecords, ShortRecordsAreSkippedAndTheRestKept) {
    int skipped = -1;
    const QList<DataRecord> records =
        DataDownload::parseRecords(wire("1,0,60|1,0,61,150,152,0,0,0,0||junk|$"), &skipped);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.front().time_s, 61);
    EXPECT_EQ(skipped, 3);
}

TEST(DataDownloadRecords, TextAfterTheLastRecordEndIsIgnored) {
    EXPECT_EQ(DataDownload::parseRecords(wire("1,0,60,150,152,0,0,0,0|$1,0,61,150,152,0,0,0,0")).size(), 1);
}

TEST(DataDownloadRecords, WholeNumberFieldsRoundAndHoldOutOfRangeValues) {
    const QList<DataRecord> records = DataDownload::parseRecords(wire("1.5,2.5,99999999999,0,0,0,0,0,0.6|$"));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.front().rampNo, 2);
    EXPECT_EQ(records.front().stepNo, 2);
    EXPECT_EQ(records.front().time_s, std::numeric_limits<int>::max());
    EXPECT_EQ(records.front().typeId, 1);
}

struct JudgeCase {
    const char* transfer;
    DataDownload::Outcome outcome;
    const char* message;
};

void PrintTo(const JudgeCase& c, std::ostream* os) {
    *os << "transfer \"" << c.transfer << '"';
}

class DataDownloadJudgement : public ::testing::TestWithParam<JudgeCase> {};

TEST_P(DataDownloadJudgement, IsByTheLastCharacter) {
    const auto outcome = DataDownload::judge(wire(GetParam().transfer));
    EXPECT_EQ(outcome, GetParam().outcome);
    EXPECT_EQ(DataDownload::messageFor(outcome), QString::fromLatin1(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataDownloadJudgement,
    ::testing::Values(JudgeCase{"", DataDownload::Outcome::NoResponse,
                                "No response from R7716, please check connection."},
                      JudgeCase{"1,0,60,150,152,0,0,0,0|", DataDownload::Outcome::Incomplete,
                                "Communication error from R7716, please download data again."},
                      JudgeCase{"$x", DataDownload::Outcome::Incomplete,
                                "Communication error from R7716, please download data again."},
                      JudgeCase{"$", DataDownload::Outcome::Complete, ""},
                      JudgeCase{"1,0,60,150,152,0,0,0,0|$", DataDownload::Outcome::Complete, ""}));

TEST(DataDownloadExchange, DiscardsWaitingInputRequestsAndReadsUntilTheLineIsQuiet) {
    FakeUnitPort port;
    port.open(2);
    port.arrive("1,250,252,250,0,0,0,0,0\x1a");  // a status reply nobody asked for any more
    port.script.enqueue(wire("1,0,60,150,152,0,0,0,0|"));
    port.script.enqueue(wire("1,0,120,150,152,0,0,0,0|"));
    port.script.enqueue(wire("$"));
    const QByteArray transfer = DataDownload::fetch(port);
    EXPECT_EQ(port.sent, QList<QByteArray>{QByteArray("\x01\x1a")});
    EXPECT_EQ(transfer, wire("1,0,60,150,152,0,0,0,0|1,0,120,150,152,0,0,0,0|$"));
    EXPECT_EQ(port.delays, (QList<double>{2.0, 0.5, 0.5, 0.5}));
    EXPECT_EQ(DataDownload::judge(transfer), DataDownload::Outcome::Complete);
}

TEST(DataDownloadExchange, ASlowUnitIsCutShortAtTheFirstQuietWait) {
    FakeUnitPort port;
    port.open(2);
    port.script.enqueue(wire("1,0,60,150,152,0,0,0,0|"));
    port.script.enqueue("");  // the unit pauses longer than half a second
    port.script.enqueue(wire("$"));
    const QByteArray transfer = DataDownload::fetch(port);
    EXPECT_EQ(DataDownload::judge(transfer), DataDownload::Outcome::Incomplete);
}

TEST(DataDownloadExchange, PortFailuresReachTheWindow) {
    FakeUnitPort port;
    EXPECT_THROW(DataDownload::fetch(port), UnitPortError);
}

}  // namespace
