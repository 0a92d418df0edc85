#include "link/StatusParser.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// "~" stands for the terminator byte 26 in the cases below.
QByteArray wire(const char* text) {
    QByteArray b(text);
    b.replace('~', char(26));
    return b;
}

// A reply as "code|field,field,...": what the window gets to show.
QString summary(const StatusReply& r) {
    return QString::number(r.code) + u'|' + r.fields.join(u',');
}

QStringList summaries(const QList<StatusReply>& replies) {
    QStringList s;
    for (const StatusReply& r : replies) s << summary(r);
    return s;
}

const char* const kReply = "1,250,252,250,300.00,250.3,400,511.1,0~";
const char* const kReplyShown = "1|250,252,250,300.00,250.3,400,511.1";

struct Poll {
    const char* read;
    QStringList shown;  // replies parsed on this poll
};

struct FramingCase {
    const char* name;
    std::vector<Poll> polls;
    const char* leftover;  // the receive buffer after the last poll
};

void PrintTo(const FramingCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusFraming : public ::testing::TestWithParam<FramingCase> {};

TEST_P(StatusFraming, ParsesAsTheFramingRulesSay) {
    const FramingCase& c = GetParam();
    StatusParser parser;
    for (std::size_t i = 0; i < c.polls.size(); ++i) {
        const QList<StatusReply> replies = parser.feed(wire(c.polls[i].read));
        EXPECT_EQ(summaries(replies), c.polls[i].shown) << "poll " << i;
    }
    EXPECT_EQ(parser.buffer(), wire(c.leftover));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusFraming,
    ::testing::Values(
        FramingCase{"WellFormedReplyShowsSevenFields", {{kReply, {kReplyShown}}}, ""},
        FramingCase{"SplitReplyIsParsedOnceItsTerminatorArrives",
                    {{"1,250,252,250,30", {}}, {"0.00,250.3,400,511.1,0~", {kReplyShown}}, {"", {}}},
                    ""},
        FramingCase{"TwoRepliesInOneReadAreBothParsedAndAThirdWaits",
                    {{"1,250,252,250,300.00,250.3,400,511.1,0~7,180,185,0,0.00,1.2,0,0.0,0~1,25",
                      {kReplyShown, "7|180,185,0,0.00,1.2,0,0.0"}}},
                    "1,25"},
        FramingCase{"MissingTerminatorWaitsForTheNextRead",
                    {{"1,250,252,250,300.00,250.3,400,511.1,0", {}}, {"~", {kReplyShown}}},
                    ""},
        FramingCase{"TwoDigitCodeIsDroppedAndTheNextReplyWaitsAPoll",
                    {{"12,250,252,250,300.00,250.3,400,511.1,0~1,250,252,250,300.00,250.3,400,511.1,0~", {}},
                     {"", {kReplyShown}}},
                    ""},
        FramingCase{
            "NoiseBeforeTheCodeDropsThatMessage", {{"?1,250,252,250,300.00,250.3,400,511.1,0~", {}}}, ""},
        FramingCase{"EmptyMessageIsDropped", {{"~", {}}}, ""},
        FramingCase{"MessageWithoutCommaIsDropped", {{"hello~1,2", {}}}, "1,2"},
        FramingCase{"SevenCommasAreDropped", {{"1,250,252,250,300.00,250.3,400,511.1~", {}}}, ""},
        FramingCase{"NineCommasAreDropped", {{"1,250,252,250,300.00,250.3,400,511.1,0,0~", {}}}, ""},
        FramingCase{"ReplyThatLostItsTerminatorTakesTheNextOneWithIt",
                    {{"1,250,252,250,300.00,250.3,400,511.1,01,250,252,250,300.00,250.3,400,511.1,0~", {}}},
                    ""},
        FramingCase{
            "DotInSampleTemperatureEmptiesTheBufferAfterTheCode",
            {{"1,250.5,252,250,300.00,250.3,400,511.1,0~1,250,252,250,300.00,250.3,400,511.1,0~", {"1|"}}},
            ""},
        FramingCase{"DotInBathTemperatureKeepsTheSampleTemperature",
                    {{"6,250,252.0,250,300.00,250.3,400,511.1,0~1,2", {"6|250"}}},
                    ""},
        FramingCase{"DotInSetPointKeepsBothTemperatures",
                    {{"2,250,252,250.,300.00,250.3,400,511.1,0~", {"2|250,252"}}},
                    ""},
        FramingCase{"DecimalsOutsideTheTemperaturesAreFine",
                    {{"0,70,71,0,0.00,-3.0,12.5,0.0,9.9~", {"0|70,71,0,0.00,-3.0,12.5,0.0"}}},
                    ""},
        FramingCase{"FieldsAreKeptAsReceived",
                    {{"1, 250,,x,300.00,250.3,400,511.1,0~", {"1| 250,,x,300.00,250.3,400,511.1"}}},
                    ""},
        FramingCase{"NonDigitCodeReadsAsZero", {{"a,70,71,0,0,0,0,0,0~", {"0|70,71,0,0,0,0,0"}}}, ""},
        FramingCase{"SpareFieldMayHoldAnything",
                    {{"1,250,252,250,300.00,250.3,400,511.1,spare text~", {kReplyShown}}},
                    ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StatusReplyValues, FieldsReadByTheLeadingNumberRule) {
    StatusParser parser;
    const QList<StatusReply> replies = parser.feed(wire("8, 312abc,,x,300.00,-3,400 psi,511.1,0~"));
    ASSERT_EQ(replies.size(), 1);
    const StatusReply& r = replies.front();
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.value(StatusField::SampleTemp), 312.0);
    EXPECT_EQ(r.value(StatusField::BathTemp), 0.0);
    EXPECT_EQ(r.value(StatusField::TempSetPoint), 0.0);
    EXPECT_EQ(r.value(StatusField::MotorSpeed), 300.0);
    EXPECT_EQ(r.value(StatusField::ShearStress), -3.0);
    EXPECT_EQ(r.value(StatusField::Pressure), 400.0);
    EXPECT_DOUBLE_EQ(r.value(StatusField::ShearRate), 511.1);
}

TEST(StatusReplyValues, ACutShortReplyHasNothingAfterTheBadField) {
    StatusParser parser;
    const StatusReply r = parser.feed(wire("1,250,252.5,250,300.00,250.3,400,511.1,0~")).front();
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(r.has(StatusField::SampleTemp));
    EXPECT_FALSE(r.has(StatusField::BathTemp));
    EXPECT_EQ(r.text(StatusField::ShearRate), QString());
    EXPECT_EQ(r.value(StatusField::ShearRate), 0.0);
}

TEST(StatusParserBuffer, ClearDropsAHalfReceivedReply) {
    StatusParser parser;
    parser.feed(wire("1,250,252"));
    parser.clear();
    EXPECT_TRUE(parser.feed(wire(",250,300.00,250.3,400,511.1,0~")).isEmpty());
}

TEST(StatusParserBuffer, AFloodOfRepliesKeepsTheNewestWithinTheLimit) {
    StatusParser parser;
    QByteArray flood;
    for (int i = 0; i < 300; ++i) flood.append(wire(i == 299 ? "5,1,2,3,4,5,6,7,8~" : kReply));
    parser.append(flood);
    EXPECT_LE(parser.buffer().size(), StatusParser::kMaxBuffer);
    const QList<StatusReply> replies = parser.parse();
    ASSERT_FALSE(replies.isEmpty());
    EXPECT_EQ(summary(replies.back()), "5|1,2,3,4,5,6,7");
    EXPECT_TRUE(parser.buffer().isEmpty());
}

TEST(StatusParserBuffer, UnterminatedNoiseNeverGrowsPastTheLimit) {
    StatusParser parser;
    for (int i = 0; i < 100; ++i) {
        parser.feed(QByteArray(1000, 'z'));
        ASSERT_LE(parser.buffer().size(), StatusParser::kMaxBuffer);
    }
    // The unit recovers: the first whole reply after a terminator parses.
    parser.feed(wire("~"));
    EXPECT_EQ(summaries(parser.feed(wire(kReply))), QStringList{kReplyShown});
}

}  // namespace
