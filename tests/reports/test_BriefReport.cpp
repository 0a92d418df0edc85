#include "reports/BriefReport.h"

#include "ReportsFixture.h"
#include "reports/PagedText.h"
#include "support/QStringPrinter.h"

namespace {

using reports::BriefVariant;
using reports::BuildBriefReport;
using reports::ReportTables;

class BriefReportTest : public ReportsFixture {};

TEST_F(BriefReportTest, SavedFileOfAStoredTestHoldsEveryLineExactly) {
    storeSample();
    const auto report =
        BuildBriefReport(ReportTables::of(open(QStringLiteral("Sample"))), BriefVariant::SavedFile, locale());
    const QString expected = QStringLiteral(
        "Test Report of R7716 Rheometer.\r\n"
        "\r\n"
        "Experiment                 Test Name:             Sample\r\n"
        "                           Fluid ID:              Guar 40\r\n"
        "                           Test Time:              05/03/2008 14:30:00\r\n"
        "                           Researcher Name:       Tester\r\n"
        "                           Rotor Number:          R1\r\n"
        "                           Bob Number:            B5\r\n"
        "                           Bob Radius (cm):       1.7245\r\n"
        "                           Bob Eff. Length (cm):  7.62\r\n"
        "                           Pre-Test pH:           7\r\n"
        "                           Post-Test pH:          7\r\n"
        "\r\n"
        "Description:\r\n"
        "Crosslinked gel, 250 F\r\n"
        "\r\n"
        "Additives              Concentration           Units          Lot Number\r\n"
        "\r\n"
        "Guar    02.50    lb    A1\r\n"
        "Borate XL    00.75    gal/Mgal    B-7\r\n"
        "\r\n"
        "Comments         Crosslinked gel, 250 F\r\n"
        "\r\n"
        "\r\n"
        "Results\r\n"
        "\r\n"
        "     Elapsed                       Coef.                  Calc.  Viscosity (cP)\r\n"
        "Shear  Time  Temp.   n'      K'    Detn.     Kv     K'slot via K' slot at (s^-1)\r\n"
        "Ramp  (min)   (F)                  (R^2)   (lbf-s^n/ft^2)   40     100    170 \r\n"
        "\r\n"
        "01    030.   200.0  1.000  1.00000  1.000  1.0000  1.0000    100.    100.    100.\r\n"
        "02\r\n"
        "03    061.   150.0  0.699  2.00000  1.000  1.9620  2.1550    71.    54.    46.\r\n");
    EXPECT_EQ(QString::fromUtf8(reports::BriefReportBytes(report.lines)), expected);
    EXPECT_TRUE(report.pageBreaksAfter.isEmpty());

    // The printed report differs in two labels only.
    const auto printed =
        BuildBriefReport(ReportTables::of(open(QStringLiteral("Sample"))), BriefVariant::Printed, locale());
    ASSERT_EQ(printed.lines.size(), report.lines.size());
    for (qsizetype i = 0; i < report.lines.size(); ++i) {
        if (i == 9)
            EXPECT_EQ(printed.lines[i],
                      QStringLiteral("                           Bob Effective Length : 7.62"));
        else if (i == 27)
            EXPECT_EQ(printed.lines[i],
                      QStringLiteral("Shear  Time  Temp.   n'      k'    Detn.     Kv     K'slot via "
                                     "K' slot at (s^-1)"));
        else
            EXPECT_EQ(printed.lines[i], report.lines[i]) << i;
    }
}

TEST(BriefResultLine, ReadsEachCellAsANumberAndGrowsTheFieldRatherThanCutIt) {
    struct Case {
        QStringList cells;
        const char* line;
    };
    const Case cases[] = {
        {{" 12", "13.", "212", "689", "0.5521", "0012.346", "0.9987", "0011.2", "0013.1", "1234.6", "812",
          "655"},
         "12    013.   212.0  0.552  12.34600  0.999  11.2000  13.1000    1235.    812.    655."},
        {{" 4", "7.", "150", "400", "0.0010", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A"},
         "04    007.   150.0  0.001  0.00000  0.000  0.0000  0.0000    00.    00.    00."},
        {{" 5", "", "", "", "", "", "", "", "", "", "", ""},
         "05    000.   000.0  0.000  0.00000  0.000  0.0000  0.0000    00.    00.    00."},
        {{" 6", "-2.", "-40", "0", "-0.25", "0.000001", "1", "1", "1", "12.4", "5.2", "0.4"},
         "06    -002.   -040.0  -0.250  0.00000  1.000  1.0000  1.0000    12.    05.    00."},
    };
    for (const Case& c : cases) EXPECT_EQ(reports::BriefResultLine(c.cells, u'.'), QString::fromUtf8(c.line));
    EXPECT_EQ(reports::BriefResultLine(cases[0].cells, u',').right(8), QStringLiteral("    655,"));
}

TEST(BriefPrintedPages, FortyFiveRampsBreakThePageAfterTheThirtyNinthResultLineOnly) {
    ReportTables tables;
    for (int ramp = 1; ramp <= 45; ++ramp) tables.resultRows.append({QString::number(ramp), "1.", "100"});
    const auto printed = BuildBriefReport(tables, BriefVariant::Printed);
    const qsizetype firstResult = printed.lines.size() - 45;
    EXPECT_EQ(printed.pageBreaksAfter, QList<int>({int(firstResult + 38)}));
    EXPECT_TRUE(BuildBriefReport(tables, BriefVariant::SavedFile).pageBreaksAfter.isEmpty());
    // No additives: the additives header, two empty lines, then the comments.
    EXPECT_EQ(printed.lines.mid(17, 3),
              QStringList({QString(), QString(), QStringLiteral("Comments         ")}));

    // On paper: the break, pages filled to their height, and a line too wide continued rather than cut.
    const auto pages = reports::PaginateLines(printed.lines, printed.pageBreaksAfter, 100, 100);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].last(), printed.lines[firstResult + 38]);
    EXPECT_EQ(pages[1].first(), printed.lines[firstResult + 39]);
    const auto narrow = reports::PaginateLines({"abc def ghi", "x"}, {}, 8, 2);
    EXPECT_EQ(narrow, QList<QStringList>({{"abc def", "ghi"}, {"x"}}));
}

}  // namespace
