// The test report: lab.txt, and a long test laid out on the page as the PDF shows it.
#include "reports/LabSettings.h"
#include "reports/TestReport.h"
#include "reports/TestReportLayout.h"

#include "ReportsFixture.h"
#include "store/CriteriaStore.h"
#include "store/ReadingExclusions.h"
#include "store/RunJournal.h"
#include "store/UnitCalibrations.h"
#include "support/QStringPrinter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QPicture>

#include <thread>

namespace {

// Fonts need the GUI application; without a display it draws offscreen.
void needFonts() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_reports";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

TEST(LabSettingsFile, EachLineSetsOneThingAndABadLineIsNamedAndLeftOut) {
    using P = QPageSize::PageSizeId;
    const struct {
        const char* text;
        const char* name;
        int addressLines;
        std::optional<P> paper;
        bool models;
        const char* problem;  // in the one problem expected; "" for none
    } cases[] = {
        {"name Acme Lab\naddress 1 Main St\r\naddress Suite #4, Houston\n", "Acme Lab", 2, {}, false, ""},
        {"# comment\n\n  NAME   Acme  \npaper letter\nmodels\n", "Acme", 0, P::Letter, true, ""},
        {"paper A5\npaper A4\n", "", 0, P::A4, false,
         "lab.txt, line 1: the paper is A4 or Letter, not \"A5\"."},
        {"name A\nname B\n", "A", 0, {}, false, "lab.txt, line 2: name is given twice; the first counts."},
        {"colour red\n", "", 0, {}, false, "lab.txt, line 1: \"colour\" is no setting of the lab"},
        {"address\n", "", 0, {}, false, "lab.txt, line 1: address needs a value."},
        {"models maybe\n", "", 0, {}, false, "line 1: models is yes or no, not \"maybe\"."},
        {"name A\x1b[31m\n", "", 0, {}, false, "line 1: the value holds a control character."},
        {"address 1\naddress 2\naddress 3\naddress 4\naddress 5\naddress 6\naddress 7\n",
         "",
         6,
         {},
         false,
         "lab.txt, line 7: more than 6 address lines"},
    };
    for (const auto& c : cases) {
        const LabSettings lab = LabSettings::parse(c.text, "lab.txt", "/lab");
        EXPECT_EQ(lab.name, QString::fromUtf8(c.name)) << c.text;
        EXPECT_EQ(lab.address.size(), c.addressLines) << c.text;
        EXPECT_EQ(lab.paper, c.paper) << c.text;
        EXPECT_EQ(lab.models, c.models) << c.text;
        if (*c.problem == 0)
            EXPECT_TRUE(lab.problems.isEmpty()) << lab.problems.join('\n').toStdString();
        else
            EXPECT_TRUE(lab.problems.size() == 1 && lab.problems[0].contains(QString::fromUtf8(c.problem)))
                << c.text << ": " << lab.problems.join('\n').toStdString();
    }
    EXPECT_EQ(LocalePaper(QLocale(QLocale::English, QLocale::UnitedStates)), P::Letter);
    EXPECT_EQ(LocalePaper(QLocale(QLocale::French, QLocale::Canada)), P::Letter);
    EXPECT_EQ(LocalePaper(QLocale(QLocale::English, QLocale::UnitedKingdom)), P::A4);
}

TEST(LabSettingsFile, TheLogoIsFoundBesideTheFileAndOneThatCannotBeReadIsNamedAndLeftOut) {
    needFonts();
    TempWorkDir dir;
    QDir().mkdir("lab");
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    ASSERT_TRUE(logo.save(dir.file("lab/logo.png")));
    QFile bad(dir.file("lab/broken.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("not an image") > 0);
    bad.close();
    const struct {
        const char* logoLine;
        bool read;
    } cases[] = {{"logo logo.png", true}, {"logo broken.png", false}, {"logo missing.png", false}};
    for (const auto& c : cases) {
        QFile file(dir.file("lab/lab.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("name Acme\n") + c.logoLine + "\n");
        file.close();
        const LabSettings lab = LabSettings::read(LabSettings::pathBeside(dir.file("lab/initial.txt")));
        EXPECT_EQ(lab.name, "Acme");
        EXPECT_EQ(!lab.logo.isNull(), c.read) << c.logoLine;
        EXPECT_EQ(lab.problems.size(), c.read ? 0 : 1) << lab.problems.join('\n').toStdString();
        if (!c.read) EXPECT_TRUE(lab.problems.value(0).contains("the report is made without it"));
    }
}

class TestReportLayoutTest : public ReportsFixture {};

TEST_F(TestReportLayoutTest, FortyFiveRampsFitThreePagesWithEveryResultWholeAndTheHeaderRepeated) {
    needFonts();
    const double id = stored_test::store(connection, stored_test::fortyFiveRamps("Long"));
    store::criteria::setForTest(connection, id, "Long",
                                {{.shearRate_1ps = 100, .limit_cP = 200, .duration_min = 60}});
    const OpenedTest first = open("Long");
    store::exclusions::exclude(connection, id, "Long", {first.resultIds.at(3)}, "bubble in the cup");
    const QDateTime start(QDate(2024, 1, 15), QTime(10, 30, 0));  // the builder's test time
    run_journal::begin(connection, {.testId = id, .unit = 3, .station = "lab-pc-2", .started = start});
    const CalibrationRecord before{.station = "lab-pc-2",
                                   .unit = 3,
                                   .time = start.addDays(-3),
                                   .bob = "B5",
                                   .fluidViscosity_cP = 100,
                                   .quality = 0.9998,
                                   .lineR2 = 0.999,
                                   .points = 17,
                                   .sent = true};
    CalibrationRecord after = before;
    after.time = start.addDays(1);
    store::unit_calibration::add(connection, before);
    store::unit_calibration::add(connection, after);

    const OpenedTest test = open("Long");
    reports::TestReportOptions options;
    options.locale = locale();
    options.models = true;
    for (const QPageSize::PageSizeId paper : {QPageSize::A4, QPageSize::Letter}) {
        LabSettings lab =
            LabSettings::parse("name Acme Rheology Lab\naddress 1 Main St, Houston\n", "lab.txt", ".");
        lab.paper = paper;
        const reports::TestReportContent content = reports::GatherTestReport(connection, test, lab, options);
        EXPECT_TRUE(
            content.calibration.contains("Unit 3 on station lab-pc-2 was last calibrated on 2024-01-12"))
            << content.calibration.toStdString();
        ASSERT_EQ(content.results.rows.size(), 45);
        ASSERT_EQ(content.criteria.rows.size(), 1);
        ASSERT_EQ(content.exclusions.rows.size(), 1);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        reports::test_report::SetTestReportPage(writer, content.paper);
        // Without the models the 45 ramps make at most three pages; with them more, still nothing cut.
        reports::TestReportContent plain = content;
        plain.models.clear();
        const auto layout = reports::test_report::LayOut(plain, writer);
        EXPECT_LE(layout.pages.size(), 3u) << "paper " << paper;
        QStringList texts;
        for (const auto& shown : {layout, reports::test_report::LayOut(content, writer)})
            for (const auto& page : shown.pages)
                for (const auto& t : page.texts) {
                    texts << t.text;
                    EXPECT_LE(t.advance, t.box.width() + 1) << "cut: " << t.text.toStdString();
                    const QRectF room =
                        t.style == reports::test_report::Style::Footer ? shown.area : shown.body;
                    EXPECT_TRUE(room.adjusted(-1, -1, 1, 1).contains(t.box))
                        << "off the page: " << t.text.toStdString();
                }

        QSet<QString> times;  // the "#." minutes of the results table
        for (const QStringList& row : content.results.rows) times.insert(row[1].trimmed());
        int pagesWithResults = 0, headersOfResults = 0;
        for (const auto& page : layout.pages) {
            bool results = false;
            for (const auto& t : page.texts) {
                results = results || times.contains(t.text);
                headersOfResults += t.text == "K'slot" ? 1 : 0;
            }
            pagesWithResults += results ? 1 : 0;
        }
        EXPECT_EQ(headersOfResults, pagesWithResults) << "the header repeats on every page of the table";
        EXPECT_GE(pagesWithResults, 2);
        for (const QStringList& row : content.results.rows)
            for (const QString& cell : row)
                EXPECT_TRUE(texts.contains(cell.trimmed())) << "missing " << cell.toStdString();
        EXPECT_TRUE(texts.contains("PASS") || texts.contains("FAIL"));
        EXPECT_TRUE(texts.contains("bubble in the cup"));
        EXPECT_TRUE(texts.contains("Herschel-Bulkley"));
    }
    // A run's end writes its report from a worker thread.
    const auto content = reports::GatherTestReport(connection, test, LabSettings(), options);
    reports::TestReportWritten written;
    std::thread([&] {
        written = reports::WriteTestReportPdf(dir.file("worker.pdf"), content, QPicture());
    }).join();
    EXPECT_TRUE(written.error.isEmpty() && written.pages > 3) << written.error.toStdString();
}

}  // namespace
