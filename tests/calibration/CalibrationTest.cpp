// Torque calibration: the wire messages, the parsing of the unit's points, the fit and its verdict, the bob
// file, the report, and whole runs of the engine against the simulated unit.

#include "calibration/CalibrationReport.h"
#include "calibration/TorqueCalibration.h"
#include "common/VbFormat.h"
#include "link/BobFile.h"
#include "simulator/SimulatedUnitPort.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using Kind = CalibrationLink::Message::Kind;

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(CalibrationWire, MessagesCarryTheirFieldsInTheirPictures) {
    EXPECT_EQ(CalibrationLink::calibrationStart(50), QByteArray("N\x1a\x02"
                                                                "0050.00,B5,0050.00\x1a"));
    EXPECT_EQ(CalibrationLink::calibrationStart(12.5), QByteArray("N\x1a\x02"
                                                                  "0012.50,B5,0012.50\x1a"));
    EXPECT_EQ(CalibrationLink::calibrationResult(0.5, -2, 0.05),
              QByteArray("N\x1a\x0e"
                         "0.5,-2.,0.0,0.0,0.0,0.0,0.0,0.05,\x1a"));
    EXPECT_EQ(CalibrationLink::calibrationResult(3, 0.25, 0),
              QByteArray("N\x1a\x0e"
                         "3.,0.25,0.0,0.0,0.0,0.0,0.0,0.,\x1a"));
    EXPECT_EQ(CalibrationLink::pressureEffectStart(), QByteArray("N\x1a\x0b\x1a"));
}

struct ParseCase {
    const char* name;
    QList<QByteArray> reads;                  // what each tick reads
    QList<QList<Kind>> kinds;                 // messages complete after each read
    QList<std::pair<double, double>> points;  // every point, in order
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class CalibrationParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CalibrationParsing, TakesCompleteMessagesOnly) {
    CalibrationLink::Parser parser;
    QList<std::pair<double, double>> points;
    for (qsizetype k = 0; k < GetParam().reads.size(); ++k) {
        QList<Kind> kinds;
        for (const auto& m : parser.feed(GetParam().reads[k])) {
            kinds << m.kind;
            if (m.kind == Kind::Point) points.append({m.stress, m.voltage});
        }
        EXPECT_EQ(kinds, GetParam().kinds[k]) << "read " << k;
    }
    EXPECT_EQ(points, GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Table, CalibrationParsing,
                         ::testing::Values(ParseCase{"PointSplitAcrossTicks",
                                                     {"\x08"
                                                      "12.5,0.7",
                                                      "5\x1a"},
                                                     {{}, {Kind::Point}},
                                                     {{12.5, 0.75}}},
                                           ParseCase{"TwoPointsInOneTick",
                                                     {"\x08"
                                                      "0.00,0.0500\x1a\x08"
                                                      "10.6,0.0925\x1a"},
                                                     {{Kind::Point, Kind::Point}},
                                                     {{0, 0.05}, {10.6, 0.0925}}},
                                           ParseCase{"WithoutTheMarkTheWholeFieldIsTheStress",
                                                     {"12.5,0.75\x1a"},
                                                     {{Kind::Point}},
                                                     {{12.5, 0.75}}},
                                           ParseCase{"MessageWithoutCommaIsSkippedNotBlocking",
                                                     {"garbage\x1a\x08"
                                                      "1.5,0.2\x1a",
                                                      "\x1a\x08"
                                                      "2,0.3\x1a"},
                                                     {{Kind::Unreadable, Kind::Point},
                                                      {Kind::Unreadable, Kind::Point}},
                                                     {{1.5, 0.2}, {2, 0.3}}},
                                           ParseCase{"EndDropsWhatFollows",
                                                     {"\x08"
                                                      "1,0.1\x1a\x09\x1a\x08"
                                                      "2,0.2\x1a",
                                                      "\x08"
                                                      "3,0.3\x1a"},
                                                     {{Kind::Point, Kind::End}, {Kind::Point}},
                                                     {{1, 0.1}, {3, 0.3}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// stress = 10 + slope x volts over n points, the k-th stress moved by wobble(k) (the first six by early);
// the tenth reads 9E999 with overflow.
CalibrationLine lineThrough(int n, double slope, double wobble, double early = 0, bool overflow = false) {
    QList<double> v, s;
    for (int k = 0; k < n; ++k) {
        v << 0.05 + 0.06 * k;
        s << 10 + slope * v.back() + (k % 2 ? 1 : -1) * (k < CalibrationLine::kQualityFirst ? early : wobble);
    }
    if (overflow) s[9] = vb::Val("9E999");
    return fitCalibrationLine(v, s);
}

TEST(CalibrationVerdict, JudgesCountScatterAndDirectionAndRefusesLinesThatWouldSpoilTheUnit) {
    using V = CalibrationLine::Verdict;
    const struct {
        const char* name;
        CalibrationLine line;
        V verdict;
        bool sendable;
        double quality;  // r2 over list indexes 6 to 15
    } cases[] = {
        {"exact", lineThrough(17, 250, 0), V::Good, true, 1},
        {"sixteen, a little noise", lineThrough(16, 250, 0.5), V::Good, true, 0.9999},
        {"fifteen", lineThrough(15, 250, 0), V::TooFewPoints, true, 0},
        {"scattered", lineThrough(17, 250, 20), V::Scattered, true, 0.8483},
        {"scattered below the quality points only", lineThrough(17, 250, 0, 40), V::Scattered, true, 1},
        {"falling", lineThrough(17, -250, 0), V::NotRising, false, 1},
        {"sixteen of equal stress", lineThrough(16, 0, 0), V::NotRising, false, 0},
        {"a stress that overflows", lineThrough(17, 250, 0, 0, true), V::NotFinite, false, 0},
        {"one point", lineThrough(1, 250, 0), V::NoLine, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.line.verdict, c.verdict) << c.name << ": r2 " << c.line.r2;
        EXPECT_EQ(c.line.sendable(), c.sendable) << c.name;
        EXPECT_NEAR(c.line.quality, c.quality, 1e-4) << c.name;
    }
    EXPECT_NEAR(cases[0].line.c0, 10, 1e-9);
    EXPECT_NEAR(cases[0].line.c1, 250, 1e-9);
    EXPECT_DOUBLE_EQ(cases[0].line.r2, 1);
}

TEST(CalibrationBobFile, RewritesTheUnitsLineOnly) {
    TempWorkDir dir;
    writeFile("BOBINFO.TXT", "B5\r\nB2\r\n\"XB1\"\r\nB1\r\nB5\r\nB5\r\nXB2\r\nB5\r\n");
    ASSERT_TRUE(BobFile::setUnitBob(3, "XB5").ok);
    EXPECT_EQ(fileBytes("BOBINFO.TXT"), QByteArray("B5\r\nB2\r\nXB5\r\nB1\r\nB5\r\nB5\r\nXB2\r\nB5\r\n"));

    QFile::remove("BOBINFO.TXT");
    ASSERT_TRUE(BobFile::setUnitBob(8, "B1").ok) << "a missing file is created";
    EXPECT_EQ(fileBytes("BOBINFO.TXT"), QByteArray("B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB1\r\n"));

    writeFile("BOBINFO.TXT", "B2\r\nB2\r\n");
    EXPECT_FALSE(BobFile::setUnitBob(1, "B5").ok) << "a short file is left alone";
    EXPECT_EQ(fileBytes("BOBINFO.TXT"), QByteArray("B2\r\nB2\r\n"));
    EXPECT_FALSE(BobFile::setUnitBob(1, "B5", dir.file("no/such/dir/BOBINFO.TXT")).ok);
}

TEST(CalibrationReportFile, HoldsTheSettingsThePointsAndTheQuality) {
    CalibrationReport::Inputs in{
        "Unit  2", "XB5", "50", "0.8", {}, {}, std::nullopt, QDateTime(QDate(2026, 3, 4), QTime(14, 5, 6))};
    QStringList lines = CalibrationReport::lines(in, QLocale::c());
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[2], "Calibration Time:              14:05:06 Wednesday, 4 March 2026");
    EXPECT_EQ(lines[3], "Instrument Unit:               Unit  2");
    EXPECT_EQ(lines[10], "Least square error is: ") << "no quality before a run";

    in.stresses = {12.5, -3};
    in.voltages = {0.75, 0.05};
    in.quality = 0.99875;
    lines = CalibrationReport::lines(in, QLocale::c());
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[9], " 12.5          .75 ");
    EXPECT_EQ(lines[10], "-3             .05 ");
    EXPECT_EQ(lines[11], "   ");
    EXPECT_EQ(lines[12], "Least square error is: 0.99875");

    TempWorkDir dir;
    ASSERT_EQ(CalibrationReport::write("r.txt", in), QString());
    EXPECT_TRUE(fileBytes("r.txt").startsWith("Torque Calibration Report of R7716 Rheometer.\r\n\r\n"));
    EXPECT_TRUE(fileBytes("r.txt").endsWith("Least square error is: 0.99875\r\n"));
    EXPECT_NE(CalibrationReport::write(dir.file("no/dir/r.txt"), in), QString());
}

// ---- the engine against a simulated unit ----

class CalibrationRun : public ::testing::Test {
  protected:
    CalibrationRun() {
        writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
        options.noise = 0;
        options.sensorDrift = 0.05;
        unit = std::make_unique<UnitFirmware>(options);
        calibration = std::make_unique<TorqueCalibration>(
            [this](int) -> std::unique_ptr<UnitPort> {
                ++portsMade;
                auto port = std::make_unique<SimulatedUnitPort>(*unit);
                if (unplugged) port->unplug();
                return port;
            },
            messenger);
        calibration->setClock([this] { return unit->now_s(); });
        calibration->selectUnit({"Unit  2", 2, 5});
    }

    // Ticks as the window's timer does until the run ends; the number of ticks.
    int runToEnd(int maxTicks = 1000) {
        int ticks = 0;
        while (calibration->calibrating() && ticks < maxTicks) {
            unit->advance(1.0);
            calibration->tick();
            ++ticks;
        }
        return ticks;
    }

    // The stress a unit reports in its status reply at 300 1/s.
    static double statusStress(UnitFirmware& unit) {
        SimulatedUnitPort port(unit);
        port.open(5);
        port.send(
            QByteArray("\x05"
                       "075.0,0300.0000,000.8503\x1a"));
        port.delay(5);
        port.readAll();
        port.send(QByteArray("\x07\x1a"));
        port.delay(0.2);
        return port.readAll().split(',').value(5).toDouble();
    }

    // A calibration on a scripted port; `fake` lives until the run ends, `fakeSent` for good.
    TorqueCalibration& onFakePort() {
        struct LoggedPort : FakeUnitPort {
            explicit LoggedPort(QList<QByteArray>& log) : log(log) {}
            void send(const QByteArray& bytes) override {
                FakeUnitPort::send(bytes);
                log.append(bytes);
            }
            QList<QByteArray>& log;
        };
        onFake = std::make_unique<TorqueCalibration>(
            [this](int) {
                auto port = std::make_unique<LoggedPort>(fakeSent);
                fake = port.get();
                return port;
            },
            messenger);
        onFake->selectUnit({"Unit  2", 2, 5});
        return *onFake;
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    std::unique_ptr<TorqueCalibration> onFake;
    FakeUnitPort* fake = nullptr;
    QList<QByteArray> fakeSent;
    UnitFirmware::Options options;
    std::unique_ptr<UnitFirmware> unit;
    std::unique_ptr<TorqueCalibration> calibration;
    int portsMade = 0;
    bool unplugged = false;
};

TEST_F(CalibrationRun, FullRunFitsSendsTheLineAndTheUnitMeasuresWithIt) {
    // A twin whose sensor has not drifted measures what the unit should.
    UnitFirmware::Options exact = options;
    exact.sensorDrift = 0;
    UnitFirmware twin(exact);
    EXPECT_NEAR(statusStress(*unit) / statusStress(twin), 1.05, 0.002);
    writeFile("BOBINFO.TXT", "B5\r\nB2\r\nB1\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
    ASSERT_TRUE(calibration->start("50", 0));
    EXPECT_EQ(calibration->statusText(), TorqueCalibration::kInProgress);
    EXPECT_EQ(unit->commandLog().last(), QByteArray("\x02"
                                                    "0050.00,B5,0050.00"));
    EXPECT_LT(runToEnd(), 70);

    EXPECT_FALSE(calibration->calibrating());
    EXPECT_EQ(calibration->statusText(), TorqueCalibration::kFinished);
    EXPECT_EQ(calibration->stresses().size(), 17);
    EXPECT_DOUBLE_EQ(calibration->zeroStressVoltage(), 0.05);
    ASSERT_TRUE(calibration->resultSent());
    const CalibrationLine& line = *calibration->line();
    EXPECT_TRUE(line.good());
    EXPECT_NEAR(line.c1, 250, 0.5);
    EXPECT_NEAR(line.c0, -12.5, 0.1);
    EXPECT_EQ(unit->commandLog().last(),
              CalibrationLink::calibrationResult(line.c0, line.c1, 0.05).chopped(1).mid(2));
    EXPECT_DOUBLE_EQ(unit->stressLineC1(), vb::Val(CalibrationLink::coefficientText(line.c1)));
    EXPECT_FALSE(calibration->port()) << "the port is closed after the run";
    EXPECT_EQ(fileBytes("BOBINFO.TXT"), QByteArray("B5\r\nB5\r\nB1\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n"));
    EXPECT_TRUE(messenger.shown.isEmpty());

    twin.advance(unit->now_s() - twin.now_s());
    EXPECT_NEAR(statusStress(*unit), statusStress(twin), 0.3) << "the unit measures with the new line";
}

TEST_F(CalibrationRun, ExtendedBobScalesTheReportedStress) {
    TorqueCalibration& c = onFakePort();
    ASSERT_TRUE(c.start("50", 3));
    fake->arrive(
        "\x08"
        "7.62,0.5\x1a");
    c.tick();
    ASSERT_EQ(c.stresses().size(), 1);
    EXPECT_NEAR(c.stresses()[0], 8.785, 1e-12);
    EXPECT_EQ(fileBytes("BOBINFO.TXT").split('\r').value(1), QByteArray("\nXB5"));
}

TEST_F(CalibrationRun, RefusalsLeaveEverythingAsItWas) {
    for (const char* visc : {"0", "abc", "10000.5", "-5"}) EXPECT_FALSE(calibration->start(visc, 0)) << visc;
    EXPECT_EQ(messenger.texts(), QStringList(4, TorqueCalibration::kInvalidViscosity));
    EXPECT_EQ(portsMade, 0);
    unplugged = true;
    EXPECT_FALSE(calibration->start("50", 0));
    EXPECT_TRUE(messenger.texts().last().startsWith(TorqueCalibration::kPortError));
    EXPECT_FALSE(calibration->calibrating());

    unplugged = false;
    ASSERT_TRUE(calibration->start("50", 0));
    EXPECT_FALSE(calibration->selectUnit({"Unit  3", 3, 6}));
    EXPECT_FALSE(calibration->mayClose());
    EXPECT_FALSE(calibration->startPressureEffect());
    EXPECT_EQ(messenger.texts().mid(5),
              QStringList({TorqueCalibration::kCannotChangeUnit, TorqueCalibration::kWaitBeforeExit,
                           TorqueCalibration::kWaitBeforePressureEffect}));
    EXPECT_EQ(calibration->unit()->unit, 2);
    EXPECT_TRUE(calibration->calibrating());
}

TEST_F(CalibrationRun, StartAfterPressureEffectReusesTheOpenPort) {
    ASSERT_TRUE(calibration->startPressureEffect());
    EXPECT_EQ(calibration->statusText(), TorqueCalibration::kPressureEffectInProgress);
    unit->advance(3);
    ASSERT_TRUE(calibration->start("50", 0));
    EXPECT_EQ(portsMade, 1);
    runToEnd();
    EXPECT_TRUE(calibration->resultSent());
}

TEST_F(CalibrationRun, SilentUnitEndsTheRunWithoutSendingAnything) {
    unit->injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
    calibration->setSilenceTimeout(30);
    ASSERT_TRUE(calibration->start("50", 0));
    const int sentBefore = unit->commandLog().size();
    EXPECT_EQ(runToEnd(), 30);
    EXPECT_TRUE(calibration->timedOut());
    EXPECT_FALSE(calibration->resultSent());
    EXPECT_FALSE(calibration->port());
    EXPECT_EQ(unit->commandLog().size(), sentBefore);
    EXPECT_EQ(calibration->statusText(), TorqueCalibration::kAbandoned);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith("Unit  2 has sent nothing for 30 s."));
    EXPECT_TRUE(fileBytes(DiagnosticLog().path()).contains("has sent nothing"));
}

TEST_F(CalibrationRun, PoorRunWarnsAndStillSendsAndSkippedMessagesAreCountedAndLogged) {
    TorqueCalibration& c = onFakePort();
    ASSERT_TRUE(c.start("50", 0));
    fake->arrive(
        "\x08"
        "0,0.05\x1a"
        "oops\x1a\x08"
        "100,0.5\x1a");
    TorqueCalibration::TickReport report = c.tick();
    EXPECT_EQ(report.newPoints, 2);
    EXPECT_TRUE(report.failure.startsWith("Skipped a message from the unit")) << report.failure.toStdString();
    fake->arrive(
        "?\x1a\x08"
        "150,0.7\x1a\x09\x1a");
    report = c.tick();
    EXPECT_TRUE(report.ended);
    EXPECT_TRUE(report.failure.isEmpty()) << "the first of a kind only";
    EXPECT_EQ(c.skippedMessages(), 2);
    EXPECT_EQ(fileBytes(DiagnosticLog().path()).count("Skipped a message"), 2);
    EXPECT_EQ(c.line()->verdict, CalibrationLine::Verdict::TooFewPoints);
    EXPECT_TRUE(c.resultSent());
    EXPECT_TRUE(fakeSent.last().startsWith("N\x1a\x0e"));
    EXPECT_EQ(c.statusText(), TorqueCalibration::kPossibleProblem);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith(TorqueCalibration::kPossibleProblem));
}

}  // namespace
