#include "reports/HalliburtonFile.h"

#include "reports/ReportCommon.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

namespace {

Reading reading(double t_s, double rate, double stress, double temp, double bath) {
    Reading r;
    r.time_s = t_s;
    r.shearRate_1ps = rate;
    r.shearStress_dyncm2 = stress;
    r.sampleTemp_F = temp;
    r.bathTemp_F = bath;
    return r;
}

QString fields(std::initializer_list<const char*> texts) {
    QString line;
    for (const char* text : texts) line += QString::fromLatin1(text).leftJustified(15);
    return line;
}

TEST(HalliburtonFile, DataLinesCarryClockElapsedAndTestTimeAndTheNumberForms) {
    const QDateTime start(QDate(2008, 3, 5), QTime(14, 30, 0));
    struct Case {
        Reading reading;
        const char* times;
        QString numbers;
    };
    const Case cases[] = {
        {reading(0, 100, 50, 72.6, 0), R"("03-05-2008"  "14:30:00"     "00:00:00"     "23:52:00"      )",
         fields({".", "50.", "50.", "73", "", "100.", "50.", "7.1454", "2.6528"})},
        // A stopped rotor: the viscosity does not fit its field and is written in exponent form instead.
        {reading(90000, 0, 12.34567, -5, 300),
         R"("03-06-2008"  "15:30:00"     "01:00:00"     "00:52:00"      )",
         fields({"1500.", ".", "1.23456700E+15", "-5", "300", ".", "12.3457", "1.7643", "2.5715"})},
        {reading(420, 1.5, 0.5, 212.4, 150),
         R"("03-05-2008"  "14:37:00"     "00:07:00"     "23:59:00"      )",
         fields({"7.", ".75", "33.3333", "212", "150", "1.5", ".5", ".0715", "2.5459"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reports::HalliburtonLine(c.reading, start, 2.0), QString::fromLatin1(c.times) + c.numbers);
}

TEST(HalliburtonFile, TestWithoutReadingsHoldsTheHeaderLineOnly) {
    EXPECT_EQ(
        reports::HalliburtonBytes(QDateTime(), 1.7, {}),
        QByteArray(
            "\"DATE\"        \"CLOCK\"        \"ELAPSED\"      \"TESTTIME\"     \"LOGTIME\"      \"RPM1    "
            "\"     \"VISC1   \"     \"STEMP1  \"     \"BTEMP1  \"     \"RATE1   \"     \"STRSS1  \"     "
            "\"TORQ1   \"     \"RWTOR1  \"\r\n"));
}

TEST(HalliburtonFile, HostileTestNamesNeverLeadOutOfTheWorkingDirectoryNorShareAFile) {
    // A changed name is the safe form, "~", eight hex digits of the whole name, ".txt".
    struct Case {
        const char* testName;
        const char* fileName;  // a changed name: the part before "~"
        bool changed;
    };
    const Case cases[] = {
        {"Gel 30# 250F", "Gel 30# 250F.txt", false},
        {"_", "_.txt", false},
        {"../../etc/passwd", "____etc_passwd", true},
        {".", "_", true},
        {"..", "_", true},
        {"...", "_", true},
        {".hidden", "_hidden", true},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j", true},
        {"tab\there", "tab_here", true},
        {"CON", "_CON", true},
        {"lpt1.x", "_lpt1.x", true},
        {"1.5 ppt", "1.5 ppt.txt", false},
    };
    QStringList fileNames;
    for (const Case& c : cases) {
        const reports::HalliburtonName name = reports::HalliburtonFileName(QString::fromLatin1(c.testName));
        const QString expected = QString::fromLatin1(c.fileName);
        if (c.changed)
            EXPECT_TRUE(name.fileName.contains(QRegularExpression(
                u'^' + QRegularExpression::escape(expected) + QStringLiteral("~[0-9a-f]{8}\\.txt$"))))
                << name.fileName.toStdString();
        else
            EXPECT_EQ(name.fileName, expected);
        EXPECT_EQ(name.changed, c.changed) << c.testName;
        fileNames << name.fileName;
    }
    fileNames.removeDuplicates();
    EXPECT_EQ(fileNames.size(), std::size(cases));

    TempWorkDir dir;
    QDir work(dir.path());
    ASSERT_TRUE(work.mkpath(QStringLiteral("lab/run")));
    ASSERT_TRUE(work.cd(QStringLiteral("lab/run")));
    const reports::HalliburtonOutcome outcome =
        reports::WriteHalliburtonFile(work, QStringLiteral("../x"), QDateTime(), 1.7, {});
    EXPECT_TRUE(outcome.error.isEmpty());
    EXPECT_TRUE(outcome.nameChanged);
    EXPECT_EQ(outcome.path, work.absoluteFilePath(reports::HalliburtonFileName("../x").fileName));
    EXPECT_TRUE(QFile::exists(outcome.path));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("lab/x.txt"))));
}

TEST(HalliburtonFile, ALinkOfTheFilesNameIsReplacedAndWhatItPointsToIsLeftAlone) {
    TempWorkDir dir;
    QDir work(dir.path());
    ASSERT_TRUE(work.mkdir(QStringLiteral("run")));
    QFile outside(dir.file(QStringLiteral("system.conf")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly) && outside.write("keep") == 4);
    outside.close();
    ASSERT_TRUE(QFile::link(outside.fileName(), dir.file(QStringLiteral("run/BIG.txt"))));
    ASSERT_TRUE(work.cd(QStringLiteral("run")));

    const std::vector<Reading> readings{reading(0, 1, 1, 1, 1)};
    const reports::HalliburtonOutcome outcome =
        reports::WriteHalliburtonFile(work, QStringLiteral("BIG"), QDateTime(), 1.7, readings);
    EXPECT_EQ(outcome.error, QString());
    ASSERT_TRUE(outside.open(QIODevice::ReadOnly));
    EXPECT_EQ(outside.readAll(), "keep");
    EXPECT_FALSE(QFileInfo(outcome.path).isSymLink());
    QFile written(outcome.path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), reports::HalliburtonBytes(QDateTime(), 1.7, readings));
}

}  // namespace
