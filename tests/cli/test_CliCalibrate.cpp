// r7716-cli calibrate against a simulated unit behind the port factory.

#include "cli/Cli.h"

#include "simulator/SimulatedUnitPort.h"
#include "store/UnitCalibrations.h"
#include "store/clsConnection.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

class CliCalibrateTest : public ::testing::Test {
  protected:
    CliCalibrateTest() {
        QFile f("initial.txt");
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(" 0 \r\n 4 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    }

    int run(const QStringList& arguments, UnitPortFactory ports = {}) {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        if (!ports) ports = [this](int) { return std::make_unique<SimulatedUnitPort>(unit); };
        return cli::run(arguments, o, e, ports);
    }

    // The bob and whether it was sent, of each calibration the database keeps.
    static std::vector<std::pair<QString, bool>> storedCalibrations() {
        clsConnection connection;
        connection.OpenDB();
        std::vector<std::pair<QString, bool>> kept;
        for (const CalibrationRecord& r : store::unit_calibration::all(connection))
            kept.emplace_back(r.bob, r.sent);
        return kept;
    }

    TempWorkDir dir;
    static UnitFirmware::Options exact() {
        UnitFirmware::Options o;
        o.noise = 0;
        return o;
    }
    UnitFirmware unit{exact()};
    QString out, err;
};

TEST_F(CliCalibrateTest, PrintsThePointsAndTheLineAndWritesTheReport) {
    ASSERT_EQ(run({"calibrate", "2", "--visc", "50", "--bob", "xb5", "--report", "r.txt"}), cli::kOk)
        << err.toStdString();
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 17 + 4);
    EXPECT_TRUE(lines[0].startsWith("0\t0.05")) << lines[0].toStdString();
    EXPECT_NEAR(lines[16].section(u'\t', 0, 0).toDouble(), 0.5 * 600 * 0.850337 * 8.785 / 7.62, 0.1);
    EXPECT_EQ(lines[17].section(u'\t', 0, 0), "c0");
    EXPECT_EQ(lines[20].section(u'\t', 0, 0), "quality");
    EXPECT_TRUE(unit.calibration().resultReceived);
    EXPECT_DOUBLE_EQ(unit.calibration().c1, lines[18].section(u'\t', 1).toDouble());
    QFile report("r.txt");
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.readAll().count("\r\n"), 9 + 17 + 2);
    EXPECT_EQ(storedCalibrations(), (std::vector<std::pair<QString, bool>>{{"XB5", true}}));
}

TEST_F(CliCalibrateTest, ALineOfSixteenEqualStressesIsNotSentAndFails) {
    struct LoggedPort : FakeUnitPort {
        explicit LoggedPort(QByteArray& log) : log(log) {}
        void send(const QByteArray& bytes) override { log += bytes; }
        QByteArray& log;
    };
    QByteArray points, sent;
    for (int k = 0; k < 16; ++k)
        points += "\b50," + QByteArray::number(0.05 + 0.03 * k) + "\x1a";  // \b: the point mark
    const auto ports = [&](int) {
        auto port = std::make_unique<LoggedPort>(sent);
        port->script.enqueue(points + "\x09\x1a");
        return port;
    };
    EXPECT_EQ(run({"calibrate", "2", "--visc", "50", "--report", "r.txt"}, ports), 1);
    EXPECT_EQ(out.split(u'\n', Qt::SkipEmptyParts).mid(16), QStringList{"quality\t0"}) << "no c0, c1 sent";
    EXPECT_TRUE(
        err.contains("Possible problem in calibration.  Please check bob shaft assembly.\nNothing was "
                     "sent to the unit: it keeps its old calibration."))
        << err.toStdString();
    EXPECT_TRUE(sent.startsWith("N\x1a\x02"));
    EXPECT_FALSE(sent.contains("N\x1a\x0e")) << "no calibration result on the wire";
    QFile log("R7716-diag.log");
    EXPECT_TRUE(log.open(QIODevice::ReadOnly) &&
                log.readAll().contains("The calibration result was not sent"));
    QFile report("r.txt");
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().endsWith("Least square error is: 0\r\n"));
    EXPECT_EQ(storedCalibrations(), (std::vector<std::pair<QString, bool>>{{"B5", false}}))
        << "kept, not sent";
}

TEST_F(CliCalibrateTest, SilentUnitFailsAfterTheTimeoutAndWrongLinesAreUsageErrors) {
    unit.injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
    EXPECT_EQ(run({"calibrate", "2", "--visc", "50", "--timeout", "5"}), 1);
    EXPECT_TRUE(err.contains("has sent nothing for 5 s")) << err.toStdString();
    EXPECT_EQ(run({"calibrate", "1", "--visc", "50"}), 1) << "unit 1 has no port";
    for (const QStringList& wrong : {QStringList{"calibrate", "2"},
                                     {"calibrate", "9", "--visc", "50"},
                                     {"calibrate", "2", "--visc", "0"},
                                     {"calibrate", "2", "--visc", "50", "--bob", "B4"},
                                     {"calibrate", "2", "--visc", "50", "--timeout", "x"}})
        EXPECT_EQ(run(wrong), cli::kUsage) << wrong.join(u' ').toStdString();
}

}  // namespace
