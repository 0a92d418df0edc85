#include "cli/Cli.h"

#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

struct ChartRun {
    int status;
    QString out;
    QString err;
};

ChartRun chart(const QStringList& arguments) {
    ChartRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = cli::run(QStringList{QStringLiteral("chart")} + arguments, out, err);
    out.flush();
    err.flush();
    return r;
}

class ChartCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        stored_test::Test a;
        a.name = QStringLiteral("Gel, \"A\"");
        a.readings = {stored_test::ordinary(1, 0), stored_test::ordinary(1, 60)};
        a.readings[0].shearRate_1ps = 300;
        stored_test::append(a.readings, stored_test::workedRamp(1, 90));
        stored_test::store(connection, a);
        stored_test::Test b;
        b.name = QStringLiteral("Gel B");
        b.readings = {stored_test::ordinary(1, 0)};
        stored_test::store(connection, b);
    }

    TempWorkDir dir;
};

TEST_F(ChartCommand, CsvPrintsEverySeriesInTheOrderTheChartHoldsIt) {
    const ChartRun r = chart({"Gel, \"A\"", "1", "--overlap", "Gel B", "--csv"});
    EXPECT_EQ(r.status, cli::kOk) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("series,label,x,y\n"
                                    "0,\"Gel, \"\"A\"\"\",10,10\n"
                                    "0,\"Gel, \"\"A\"\"\",100,50\n"
                                    "0,\"Gel, \"\"A\"\"\",100,50\n"
                                    "0,\"Gel, \"\"A\"\"\",300,50\n"
                                    "0,\"Gel, \"\"A\"\"\",1000,250\n"
                                    "1,Gel B,100,50\n"));
    // No Ramp acts on the time chart; numbers carry up to 10 significant digits.
    const ChartRun timeChart = chart({"Gel, \"A\"", "0", "--no-ramp", "--csv"});
    EXPECT_EQ(timeChart.out.count(QStringLiteral("\n")), 1 + 3 * 2);
    EXPECT_TRUE(timeChart.out.contains(QStringLiteral("\n0,Viscosity,1,49.999995\n")))
        << timeChart.out.toStdString();
    const ChartRun threeD = chart({"Gel, \"A\"", "3d1", "--csv"});
    EXPECT_TRUE(threeD.out.startsWith(QStringLiteral("series,label,x,y,z\n0,\"Gel, \"\"A\"\"\",150,")));
}

TEST_F(ChartCommand, NamesNotStoredRefusedOverlapsAndWrongCommandLinesHaveTheirStatus) {
    struct Case {
        QStringList arguments;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {{"Gel C", "1", "--csv"}, 2, "Your test sequence name is not found.  Please try again."},
        {{"Gel B", "1", "--overlap", "gel b", "--csv"}, 2, "Your test sequence name is not found."},
        {{"Gel B", "3", "--overlap", "Gel B", "--csv"}, 1, "Test can not overlap itself!"},
        {{"Gel B", "0", "--overlap", "Gel, \"A\"", "--csv"},
         1,
         "Charts can not be overlapped when chart type"},
        {{"Gel B", "6", "--csv"}, 64, "not a chart type"},
        {{"Gel B", "3d3", "--csv"}, 64, "not a chart type"},
        {{"Gel B", "1"}, 64, "either --out FILE or --csv"},
        {{"Gel B", "1", "--csv", "--out", "x.png"}, 64, "either --out FILE or --csv"},
        {{"Gel B", "3d0", "--overlap", "Gel B", "--csv"}, 64, "2D charts only"},
        {{"Gel B", "1", "--csv", "--wide"}, 64, "unknown option"},
    };
    for (const Case& c : cases) {
        const ChartRun r = chart(c.arguments);
        EXPECT_EQ(r.status, c.status) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
    }
}

// The program itself, on the platform that has no display: the 2D chart is drawn, the 3D one refused
// (Qt Data Visualization would crash there).
TEST_F(ChartCommand, OutDrawsTwoDChartsOffscreenAndRefusesThreeDWithoutOpenGL) {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + "/../bin/r7716-cli";
    ASSERT_TRUE(QFileInfo::exists(program)) << program.toStdString();
    auto runProgram = [&](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(program, QStringList{QStringLiteral("chart")} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return std::make_pair(process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()));
    };
    const auto drawn = runProgram({"Gel, \"A\"", "3", "--xlog", "--out", "visc.png"});
    EXPECT_EQ(drawn.first, 0) << drawn.second.toStdString();
    const QImage image(dir.file(QStringLiteral("visc.png")));
    EXPECT_EQ(image.size(), QSize(1000, 650));
    const auto pdf = runProgram({"Gel, \"A\"", "1", "--out", "stress.pdf"});
    EXPECT_EQ(pdf.first, 0) << pdf.second.toStdString();
    EXPECT_GT(QFileInfo(dir.file(QStringLiteral("stress.pdf"))).size(), 1000);
    // A full disk is named as such (/dev/full always is one).
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), dir.file(QStringLiteral("full.png"))));
    const auto full = runProgram({"Gel, \"A\"", "3", "--out", "full.png"});
    EXPECT_EQ(full.first, 1);
    EXPECT_TRUE(full.second.contains(QStringLiteral("No space left on device"))) << full.second.toStdString();

    const auto threeD = runProgram({"Gel, \"A\"", "3d0", "--out", "surface.png"});
    EXPECT_EQ(threeD.first, 1);
    EXPECT_TRUE(threeD.second.contains(QStringLiteral("OpenGL"))) << threeD.second.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("surface.png"))));
}

}  // namespace
