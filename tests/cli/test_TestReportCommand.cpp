// r7716-cli report run as a program, as a lab runs it: the PDF read back with poppler's tools.
#include "analysis/OpenTest.h"
#include "common/Version.h"
#include "store/CriteriaStore.h"
#include "store/clsConnection.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

struct Finished {
    int status = -1;
    QString out;
};

Finished run(const QString& program, const QStringList& arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Finished r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit) r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAll());
    return r;
}

bool havePoppler() {
    for (const char* tool : {"pdftotext", "pdfinfo", "pdfimages"})
        if (QStandardPaths::findExecutable(tool).isEmpty()) return false;
    return true;
}

TEST(TestReportCommand, ALongTestsReportHoldsEveryResultOnThreePagesWithTheChartAsVectors) {
    TempWorkDir dir;
    {
        clsConnection connection;
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        const double id = stored_test::store(connection, stored_test::fortyFiveRamps("Long"));
        store::criteria::setForTest(connection, id, "Long",
                                    {{.shearRate_1ps = 170, .limit_cP = 100, .duration_min = 60}});
    }
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::darkCyan);
    ASSERT_TRUE(logo.save(dir.file("logo.png")));
    QFile lab(dir.file("lab.txt"));
    ASSERT_TRUE(lab.open(QIODevice::WriteOnly));
    lab.write(
        "name Acme Rheology Lab\naddress 1 Main St, Houston\nlogo logo.png\npaper Letter\nmodels nope\n");
    lab.close();

    const Finished made = run(R7716_CLI_PATH, {"report", "Long", "--out", "Long.pdf", "--units", "si"});
    ASSERT_EQ(made.status, 0) << made.out.toStdString();
    EXPECT_TRUE(made.out.contains("lab.txt, line 5: models is yes or no")) << made.out.toStdString();

    const struct {
        QStringList arguments;
        int status;
    } refusals[] = {{{"report", "Nope", "--out", "x.pdf"}, 2},
                    {{"report", "Long"}, 64},
                    {{"report", "Long", "--out", "x.pdf", "--units", "imperial"}, 64},
                    {{"report", "Long", "--out", dir.file("no/such/folder/x.pdf")}, 1}};
    for (const auto& r : refusals)
        EXPECT_EQ(run(R7716_CLI_PATH, r.arguments).status, r.status) << r.arguments.join(' ').toStdString();

    if (!havePoppler()) GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo, pdfimages) are not installed";
    const QString info = run("pdfinfo", {"Long.pdf"}).out;
    const int pages = info.section("Pages:", 1).trimmed().section('\n', 0, 0).toInt();
    EXPECT_TRUE(pages >= 2 && pages <= 3) << info.toStdString();
    EXPECT_TRUE(info.contains("612 x 792 pts")) << "Letter, as lab.txt asks";
    // Only the logo is a picture: the chart is drawn as lines and text.
    const QStringList images = run("pdfimages", {"-list", "Long.pdf"}).out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(images.size(), 3) << images.join('\n').toStdString();  // two header lines, then the logo

    const QString text = run("pdftotext", {"-layout", "Long.pdf", "-"}).out;
    clsConnection connection;
    connection.OpenDB();
    const OpenedTest test = OpenStoredTest(connection, "Long", ChartDataOption::All, UnitSystem::SI);
    ASSERT_EQ(test.results.rows.size(), 45);
    for (const QStringList& row : test.results.rows)
        for (const QString& cell : row) EXPECT_TRUE(text.contains(cell.trimmed())) << cell.toStdString();
    for (const char* shown : {"Acme Rheology Lab", "Visc, Temp Vs Time", "Temp", "(C°)", "Guar WG-19",
                              "Criterion", "Not known", "Page 1 of"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown;
    EXPECT_TRUE(text.contains(QStringLiteral("R7716 ") + r7716::kVersion)) << "the program's version";
}

}  // namespace
