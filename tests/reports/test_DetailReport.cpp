#include "reports/DetailReport.h"

#include "ReportsFixture.h"
#include "reports/ReadingsCsv.h"
#include "support/QStringPrinter.h"

namespace {

class DetailReportTest : public ReportsFixture {};

TEST_F(DetailReportTest, ReadingsAreListedByRampStepAndTimeWithViscosityAndDialReading) {
    using stored_test::rampPoint;
    // Stored out of order on purpose: ramp 2 first, steps and times mixed.
    const double id =
        store(QStringLiteral("Detail"), {rampPoint(2, 1, 50, 100, 20), rampPoint(1, 2, 40, 100, 51.1),
                                         rampPoint(1, 1, 30, 0, 3), rampPoint(1, 2, 20, 200, 40)});
    const auto data = detail_report_query::Read(connection, id);
    ASSERT_TRUE(data.found);
    const auto content = reports::BuildDetailReport(data, locale());
    ASSERT_EQ(content.readings.size(), 4u);
    struct Row {
        const char* ramp;
        const char* step;
        const char* minutes;
        const char* viscosity;
        const char* dial;
    };
    const Row expected[] = {
        {"1", "1", "0.5", "3000000000", "0.587084148727984"},  // a stopped rotor: stress x 1E+9
        {"1", "2", "0.333333333333333", "19.9999999900000", "7.82778864970646"},
        {"1", "2", "0.666666666666667", "51.0999999489000", "10"},  // 51.1 dyn/cm2 is 10 degrees
        {"2", "1", "0.833333333333333", "19.9999999980000", "3.91389432485323"},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const QStringList cells = content.rowCells(i);
        EXPECT_EQ(cells[0], QString::fromLatin1(expected[i].ramp)) << i;
        EXPECT_EQ(cells[1], QString::fromLatin1(expected[i].step)) << i;
        EXPECT_EQ(cells[2], QString::fromLatin1(expected[i].minutes)) << i;
        EXPECT_EQ(cells[9].left(10), QString::fromLatin1(expected[i].viscosity).left(10)) << i;
        EXPECT_EQ(cells[10], QString::fromLatin1(expected[i].dial)) << i;
    }
    EXPECT_EQ(content.fields.at(2),
              std::make_pair(QStringLiteral("TEST_TIME:"), QStringLiteral("05/03/2008 14:30:00")));
    EXPECT_EQ(content.fields.last().second, QStringLiteral("Crosslinked gel, 250 F"));
    EXPECT_FALSE(detail_report_query::Read(connection, id + 1).found);
}

TEST(ReadingsCsv, QuotesOnlyWhatRfc4180AsksAndWritesPointDecimals) {
    EXPECT_EQ(reports::CsvField(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(reports::CsvField(QStringLiteral("a,b")), QStringLiteral("\"a,b\""));
    EXPECT_EQ(reports::CsvField(QStringLiteral("say \"x\"")), QStringLiteral("\"say \"\"x\"\"\""));
    EXPECT_EQ(reports::CsvField(QStringLiteral("two\r\nlines")), QStringLiteral("\"two\r\nlines\""));

    Reading r;
    r.rampNo = 2;
    r.time_s = 90;
    r.sampleTemp_F = 150.25;
    r.shearRate_1ps = 100;
    r.shearStress_dyncm2 = 50;
    const QStringList records =
        QString::fromUtf8(reports::ReadingsCsv({&r, 1})).split(QStringLiteral("\r\n"));
    EXPECT_EQ(records.value(0),
              QStringLiteral("Ramp NO,Ramp Step No,Time (Min),Sample Temp(°F),Pressure (Psi),"
                             "Shear Rate (1/S),Shear Stress (dyn/cm2),Result Type,Bath Temp,"
                             "Viscosity (cP)"));
    EXPECT_EQ(records.value(1), QStringLiteral("2,0,1.5,150.25,0,100,50,0,0,50"));
    EXPECT_EQ(records.value(2), QString());
}

}  // namespace
