#include "reports/HalliburtonFile.h"

#include "reports/ReportCommon.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

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

TEST(HalliburtonFile, HostileTestNamesNeverLeadOutOfTheWorkingDirectory) {
    struct Case {
        const char* testName;
        const char* fileName;
        bool changed;
    };
    const Case cases[] = {
        {"Gel 30# 250F", "Gel 30# 250F.txt", false},
        {"../../etc/passwd", "____etc_passwd.txt", true},
        {"..", "_.txt", true},
        {".hidden", "_hidden.txt", true},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j.txt", true},
        {"tab\there", "tab_here.txt", true},
        {"CON", "_CON.txt", true},
        {"lpt1.x", "_lpt1.x.txt", true},
        {"1.5 ppt", "1.5 ppt.txt", false},
    };
    for (const Case& c : cases) {
        const reports::HalliburtonName name = reports::HalliburtonFileName(QString::fromLatin1(c.testName));
        EXPECT_EQ(name.fileName, QString::fromLatin1(c.fileName)) << c.testName;
        EXPECT_EQ(name.changed, c.changed) << c.testName;
    }

    TempWorkDir dir;
    QDir work(dir.path());
    ASSERT_TRUE(work.mkpath(QStringLiteral("lab/run")));
    ASSERT_TRUE(work.cd(QStringLiteral("lab/run")));
    const reports::HalliburtonOutcome outcome =
        reports::WriteHalliburtonFile(work, QStringLiteral("../x"), QDateTime(), 1.7, {});
    EXPECT_TRUE(outcome.error.isEmpty());
    EXPECT_TRUE(outcome.nameChanged);
    EXPECT_EQ(outcome.path, work.absoluteFilePath(QStringLiteral("__x.txt")));
    EXPECT_TRUE(QFile::exists(outcome.path));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("lab/x.txt"))));
}

}  // namespace
