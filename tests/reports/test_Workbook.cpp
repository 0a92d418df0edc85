#include "reports/WorkbookFile.h"

#include "ReportsFixture.h"
#include "XlsxReader.h"
#include "store/CriteriaStore.h"
#include "store/ReadingExclusions.h"
#include "support/QStringPrinter.h"

#include <QFile>

namespace {

using reports::ReportTables;
using reports::WorkbookKind;

class WorkbookTest : public ReportsFixture {
  protected:
    // Three additives and four ramps; the first readings are a stopped rotor at 90 s and a rate of exactly
    // 0.00001 1/s.
    OpenedTest storeBook() {
        using namespace stored_test;
        std::vector<Reading> rows;
        Reading stopped = ordinary(1, 90);
        stopped.shearRate_1ps = 0;
        Reading slow = ordinary(1, 100);
        slow.shearRate_1ps = 0.00001;
        slow.shearStress_dyncm2 = 2;
        rows = {stopped, slow};
        for (int ramp = 1; ramp <= 4; ++ramp) append(rows, workedRamp(ramp, ramp * 600 - 480));
        store(QStringLiteral("Book"), rows,
              {{QStringLiteral("Guar"), 2.5, QStringLiteral("lb"), QStringLiteral("A1")},
               {QStringLiteral("Borate"), 1, QStringLiteral("gal"), QStringLiteral("B2")},
               {QStringLiteral("Breaker"), 0.25, QStringLiteral("lb"), QStringLiteral("C3")}});
        return open(QStringLiteral("Book"));
    }

    XlsxReader write(WorkbookKind kind, const OpenedTest& test) {
        const QString path = dir.file(QStringLiteral("book.xlsx"));
        EXPECT_EQ(reports::WriteWorkbookFile(path, kind, ReportTables::of(test), test.readings, locale()),
                  QString());
        return XlsxReader(path);
    }
};

TEST_F(WorkbookTest, DetailWorkbookHoldsTheCellsRowByRowAndRepeatsTheReadingsHeader) {
    const OpenedTest test = storeBook();
    const XlsxReader book = write(WorkbookKind::Detail, test);
    struct Case {
        const char* address;
        QVariant value;
    };
    const Case cases[] = {
        {"A1", "R7716Frac Test Report"},
        {"A3", "Test Name:"},
        {"B3", "Book"},
        {"B5", " 05/03/2008 14:30:00"},  // text, never a date
        {"A9", "Bob Radius (cm)"},
        {"B9", 1.7245},
        {"B11", 7.0},
        {"B13", "Crosslinked gel, 250 F"},
        {"D14", "Lot Number"},
        {"B15", " 2.5"},  // additive cells as the table shows them
        {"A17", "Breaker"},
        {"A19", "Comments:"},
        {"B19", "Crosslinked gel, 250 F"},
        {"A20", "Results:"},
        {"A21", "Shear Ramp"},
        {"C21", "Temp (°F)"},
        {"K21", "Calc. 170 (1/S)"},
        {"A22", 1.0},
        {"B22", 12.0},  // minutes of the reading that ended the ramp's scan (ramp 2 begins at 720 s)
        {"D22", 0.699},
        {"E22", 2.0},
        {"A25", 4.0},
        {"A26", "Ramp NO"},
        {"J26", "Viscosity (cP)"},
        {"C27", 1.5},  // 90 s
        {"F27", 0.0},
        {"J27", 0.0},         // stopped rotor
        {"J28", 20000000.0},  // 2 / 0.00001 * 100
        {"B29", 1.0},
    };
    for (const Case& c : cases) EXPECT_EQ(book.cell(QString::fromLatin1(c.address)), c.value) << c.address;
    const int lastRow = 26 + int(test.readings.size());
    EXPECT_TRUE(book.cells.contains(QStringLiteral("J%1").arg(lastRow)));
    EXPECT_FALSE(book.cells.contains(QStringLiteral("A%1").arg(lastRow + 1)));

    EXPECT_TRUE(book.workbookXml.contains(QStringLiteral("Sheet1!$26:$26")))
        << book.workbookXml.toStdString();
    EXPECT_TRUE(book.sheetXml.contains(QStringLiteral("orientation=\"landscape\"")));
    EXPECT_TRUE(book.sheetXml.contains(QStringLiteral("fitToPage=\"1\"")));
    EXPECT_TRUE(book.sheetXml.contains(QStringLiteral("fitToHeight=\"10\"")));
}

TEST_F(WorkbookTest, BriefWorkbookEndsWithTheRampsAndRepeatsTheResultsHeader) {
    const XlsxReader book = write(WorkbookKind::Brief, storeBook());
    EXPECT_EQ(book.cell(QStringLiteral("A25")), QVariant(4.0));
    EXPECT_FALSE(book.cells.contains(QStringLiteral("A26")));
    EXPECT_TRUE(book.workbookXml.contains(QStringLiteral("Sheet1!$21:$21")));
}

TEST_F(WorkbookTest, RampWithoutResultKeepsItsRowWithItsNumberOnly) {
    storeSample();
    const XlsxReader book = write(WorkbookKind::Brief, open(QStringLiteral("Sample")));
    // Two additives: results header in row 20, ramp 2 in row 22.
    EXPECT_EQ(book.cell(QStringLiteral("A22")), QVariant(2.0));
    EXPECT_FALSE(book.cells.contains(QStringLiteral("B22")));
    EXPECT_EQ(book.cell(QStringLiteral("B23")), QVariant(61.0));
}

TEST_F(WorkbookTest, WorkbookThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    const OpenedTest test = storeBook();
    const QString path = dir.file(QStringLiteral("missing-folder/book.xlsx"));
    EXPECT_FALSE(reports::WriteWorkbookFile(path, WorkbookKind::Brief, ReportTables::of(test), {}, locale())
                     .isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(WorkbookTest, ExcludedReadingsAndCriteriaGoOnSheetsOfTheirOwnAfterTheDesignedOne) {
    const OpenedTest plain = storeBook();
    const XlsxReader designed = write(WorkbookKind::Detail, plain);
    EXPECT_FALSE(designed.workbookXml.contains("Excluded readings"));
    store::exclusions::exclude(connection, plain.testId, plain.name, {plain.resultIds[0]},
                               QStringLiteral("spike"));
    store::criteria::setForTest(connection, plain.testId, plain.name,
                                {{100, store::criteria::LimitKind::Minimum, 20, 5}});
    const XlsxReader book = write(WorkbookKind::Detail, open(QStringLiteral("Book")));
    EXPECT_EQ(book.cells, designed.cells);
    EXPECT_TRUE(book.workbookXml.contains("name=\"Excluded readings\""));
    EXPECT_TRUE(book.workbookXml.contains("name=\"Acceptance criteria\""));
}

}  // namespace
