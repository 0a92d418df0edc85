#include "reports/ui/ReportActions.h"

#include "../ReportsFixture.h"
#include "../XlsxReader.h"
#include "reports/BriefReport.h"
#include "reports/DetailReport.h"
#include "reports/HalliburtonFile.h"
#include "store/clsTEST_RESULT.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QPrinter>
#include <QRegularExpression>

namespace {

// Pages of a PDF file: its page objects.
int pdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    return static_cast<int>(QString::fromLatin1(file.readAll()).count(page));
}

class ReportActionsTest : public ReportsFixture {
  protected:
    void SetUp() override {
        ReportsFixture::SetUp();
        actions.locale = locale();
        actions.saveFileName = [this](QWidget*, const QString&, const QString& suggested, const QString&,
                                      const QString&) {
            suggestedPaths << suggested;
            return chosenPath;
        };
        actions.openUrl = [this](const QUrl& url) {
            opened << url;
            return desktopOpens;
        };
    }

    ReportActions::StatusSink status() {
        return [this](const QString& text) { notes << text; };
    }

    ScriptedMessenger said;  // what the operator is told
    ReportActions actions;
    QString chosenPath;
    QStringList suggestedPaths;
    QList<QUrl> opened;
    bool desktopOpens = true;
    QStringList notes;
    OpenedTest none;
};

TEST_F(ReportActionsTest, BriefSaveWritesTheChosenFileAndReportsCancelAndNoTest) {
    storeSample();
    const OpenedTest test = open(QStringLiteral("Sample"));
    chosenPath = dir.file(QStringLiteral("brief.txt"));
    actions.briefSave(nullptr, said, connection, test, status());
    QFile file(chosenPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto report = reports::BuildBriefReport(reports::ReportTables::of(test),
                                                  reports::BriefVariant::SavedFile, locale());
    EXPECT_EQ(file.readAll(), reports::BriefReportBytes(report.lines));
    // Never the Halliburton file's name, "Sample.txt", which that button overwrites without asking.
    EXPECT_TRUE(suggestedPaths.value(0).endsWith(QStringLiteral("/Sample brief.txt")));
    EXPECT_EQ(notes.size(), 1);

    chosenPath.clear();
    actions.briefSave(nullptr, said, connection, test, status());
    actions.briefSave(nullptr, said, connection, none, status());
    EXPECT_EQ(said.texts(), QStringList({QString::fromLatin1(ReportActions::kCancelSelected),
                                         QString::fromLatin1(reports::kNoTestMessage)}));
}

TEST_F(ReportActionsTest, BriefPrintToPdfHoldsEveryCopyWhole) {
    std::vector<Reading> rows;
    for (int ramp = 1; ramp <= 45; ++ramp)
        stored_test::append(rows, stored_test::workedRamp(ramp, ramp * 300));
    store(QStringLiteral("Long"), rows);
    const OpenedTest test = open(QStringLiteral("Long"));
    const auto printTo = [this](const QString& name, int copies) {
        actions.printDialog = [=, this](QPrinter& printer, QWidget*) {
            printer.setOutputFileName(dir.file(name));
            printer.setCopyCount(copies);
            return true;
        };
    };
    printTo(QStringLiteral("one.pdf"), 1);
    actions.briefPrint(nullptr, said, connection, test, status());
    printTo(QStringLiteral("two.pdf"), 2);
    actions.briefPrint(nullptr, said, connection, test, status());
    const int onePages = pdfPages(dir.file(QStringLiteral("one.pdf")));
    // 45 ramps: the results break after the 39th, besides the pages that fill up.
    EXPECT_GE(onePages, 2);
    EXPECT_EQ(pdfPages(dir.file(QStringLiteral("two.pdf"))), 2 * onePages);
    EXPECT_EQ(notes.size(), 2);

    actions.printDialog = [](QPrinter&, QWidget*) { return false; };
    actions.briefPrint(nullptr, said, connection, test, status());
    EXPECT_EQ(said.texts(), QStringList{QString::fromLatin1(ReportActions::kCancelSelected)});
}

TEST_F(ReportActionsTest, WorkbookIsSavedThenOpenedAndEveryFailureIsTold) {
    storeSample();
    const OpenedTest test = open(QStringLiteral("Sample"));
    chosenPath = dir.file(QStringLiteral("detail"));
    actions.detailExcel(nullptr, said, connection, test, status());
    const QString saved = chosenPath + QStringLiteral(".xlsx");
    EXPECT_EQ(XlsxReader(saved).cell(QStringLiteral("A24")), QVariant(QStringLiteral("Ramp NO")));
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(saved)});
    EXPECT_TRUE(said.shown.isEmpty());

    desktopOpens = false;
    actions.briefExcel(nullptr, said, connection, test, status());
    chosenPath = dir.file(QStringLiteral("no-such-folder/brief.xlsx"));
    actions.briefExcel(nullptr, said, connection, test, status());
    ASSERT_EQ(said.shown.size(), 2);
    EXPECT_TRUE(said.shown[0].text.contains(QDir::toNativeSeparators(saved)));       // where it is
    EXPECT_TRUE(said.shown[1].text.contains(QDir::toNativeSeparators(chosenPath)));  // not written
    EXPECT_FALSE(QFile::exists(chosenPath));

    chosenPath.clear();  // cancelled: nothing to say
    actions.briefExcel(nullptr, said, connection, test, status());
    EXPECT_EQ(said.shown.size(), 2);
}

TEST_F(ReportActionsTest, HalliburtonFileOfAHostileNameStaysInTheWorkingDirectoryAndItsNameIsTold) {
    store(QStringLiteral("../escape"), sampleReadings());
    const OpenedTest test = open(QStringLiteral("../escape"));
    QDir work(dir.path());
    ASSERT_TRUE(work.mkpath(QStringLiteral("work")));
    actions.workingDirectory = dir.file(QStringLiteral("work"));
    actions.halliburton(nullptr, said, connection, test, status());
    const QString written = dir.file(QStringLiteral("work/") +
                                     reports::HalliburtonFileName(QStringLiteral("../escape")).fileName);
    EXPECT_TRUE(written.contains(QStringLiteral("work/__escape~")));
    QFile file(written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 1 + qsizetype(test.readings.size()));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("escape.txt"))));
    ASSERT_EQ(said.shown.size(), 1);
    EXPECT_TRUE(said.shown[0].text.contains(QDir::toNativeSeparators(written)));
    EXPECT_EQ(notes.size(), 1);

    actions.workingDirectory = dir.file(QStringLiteral("gone"));
    actions.halliburton(nullptr, said, connection, test, status());
    EXPECT_EQ(said.shown.size(), 2);
}

TEST_F(ReportActionsTest, DetailReportReadsTheTestAfreshEachTimeItIsShown) {
    const double id = storeSample();
    const OpenedTest test = open(QStringLiteral("Sample"));
    int previews = 0;
    actions.printPreview = [&](QPrinter& printer, QWidget*, const std::function<void(QPrinter*)>& paint) {
        printer.setOutputFileName(dir.file(QStringLiteral("detail%1.pdf").arg(++previews)));
        paint(&printer);
    };
    actions.detailReport(nullptr, said, connection, test, status());

    clsTEST_RESULT more;
    more.ConnectX(connection);
    more.setTest_Id(int(id));
    const int token = connection.BeginTrans();
    for (int i = 0; i < 400; ++i) {
        more.setRESULT_TIME(4000 + i);
        more.setRAMP_NO(4);
        more.AddNew();
    }
    connection.CommitTrans(token);
    actions.detailReport(nullptr, said, connection, test, status());
    EXPECT_EQ(pdfPages(dir.file(QStringLiteral("detail1.pdf"))), 1);
    EXPECT_GT(pdfPages(dir.file(QStringLiteral("detail2.pdf"))), 5);
    // The command line writes the same pages.
    const QString direct = dir.file(QStringLiteral("direct.pdf"));
    ASSERT_EQ(reports::WriteDetailReportPdf(
                  direct, reports::BuildDetailReport(detail_report_query::Read(connection, id), locale()),
                  locale()),
              QString());
    EXPECT_EQ(pdfPages(direct), pdfPages(dir.file(QStringLiteral("detail2.pdf"))));

    actions.detailReport(nullptr, said, connection, none, status());
    EXPECT_EQ(said.texts(), QStringList{QString::fromLatin1(reports::kNoTestMessage)});
    EXPECT_EQ(previews, 2);
}

TEST_F(ReportActionsTest, CsvExportWritesTheReadingsOfTheOpenTest) {
    storeSample();
    const OpenedTest test = open(QStringLiteral("Sample"));
    chosenPath = dir.file(QStringLiteral("readings"));
    actions.exportCsv(nullptr, said, connection, test, status());
    QFile file(chosenPath + QStringLiteral(".csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 1 + qsizetype(test.readings.size()));
    EXPECT_TRUE(said.shown.isEmpty());
}

TEST_F(ReportActionsTest, TestReportIsWrittenWithTheChartAndEveryFailureIsTold) {
    storeSample();
    const OpenedTest test = open(QStringLiteral("Sample"));
    QFile lab(dir.file(QStringLiteral("lab.txt")));
    ASSERT_TRUE(lab.open(QIODevice::WriteOnly) && lab.write("name Acme\npaper A3\n") > 0);
    lab.close();
    actions.settingsPath = dir.file(QStringLiteral("initial.txt"));
    chosenPath = dir.file(QStringLiteral("report"));
    actions.testReport(nullptr, said, connection, test, status());
    // One page or two: the fonts the system gives for Helvetica (DejaVu Sans, or Nimbus Sans where the URW
    // fonts are installed) decide whether the last section still fits on the first.
    const int pages = pdfPages(chosenPath + QStringLiteral(".pdf"));
    EXPECT_TRUE(pages == 1 || pages == 2) << pages;
    EXPECT_TRUE(suggestedPaths.value(0).endsWith(QStringLiteral("/Sample report.pdf")));
    EXPECT_TRUE(notes.value(0).startsWith(QStringLiteral("Test report saved: ")))
        << notes.join('|').toStdString();
    ASSERT_EQ(said.shown.size(), 1) << "the lab.txt line left out";
    EXPECT_TRUE(said.texts().value(0).contains(QStringLiteral("line 2: the paper is A4 or Letter")));

    chosenPath = dir.file(QStringLiteral("no/such/folder/report.pdf"));
    actions.testReport(nullptr, said, connection, test, status());
    actions.testReport(nullptr, said, connection, none, status());
    ASSERT_EQ(said.shown.size(), 3);
    EXPECT_TRUE(said.texts().value(1).contains(QStringLiteral("No such file or directory")));
    EXPECT_EQ(said.texts().value(2), QString::fromLatin1(reports::kNoTestMessage));
}

}  // namespace
