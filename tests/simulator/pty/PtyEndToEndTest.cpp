// The program's own serial port talking to the simulator through real pseudo-terminals, as r7716-sim
// serves them: the whole wire, byte for byte, with the operating system's terminal driver in between.

#include "instrument/SequenceBody.h"
#include "link/DataDownload.h"
#include "link/SequenceDownload.h"
#include "link/SerialPortName.h"
#include "link/SerialUnitPort.h"
#include "link/StatusParser.h"
#include "link/UnitCommands.h"
#include "simulator/PortListFile.h"
#include "simulator/pty/PtyUnitServer.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr double kB5Factor = 42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60.0;

// The server in its own thread, as r7716-sim runs it.
class ServedUnits {
  public:
    explicit ServedUnits(double speed) : server(speed) {
        thread_ = std::thread([this] {
            while (!stop_) server.serviceOnce(5);
        });
    }
    ~ServedUnits() {
        stop_ = true;
        thread_.join();
    }
    PtyUnitServer server;

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class PtyEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    static void TearDownTestSuite() { app_.reset(); }

    static UnitFirmware::Options options() {
        UnitFirmware::Options o;
        o.pressure_psi = 300;
        return o;
    }
    // Polls like a unit window: ask, wait, read, parse; the last reply within a few tries.
    static StatusReply poll(UnitPort& port, StatusParser& parser) {
        for (int i = 0; i < 20; ++i) {
            port.send(UnitCommands::statusQuery());
            port.delay(0.1);
            const QList<StatusReply> replies = parser.feed(port.readAll());
            if (!replies.isEmpty()) return replies.back();
        }
        return {};
    }

    TempWorkDir dir_;

  private:
    static inline int argc_ = 1;
    static inline char name_[] = "test_simulator_pty";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QCoreApplication> app_;
};

TEST_F(PtyEndToEnd, ProgramRunsAUnitThroughARealTerminal) {
    ServedUnits units(200.0);  // the unit's minutes pass in a fraction of a second
    const QString slave = units.server.addUnit(2, options());
    EXPECT_FALSE(QFileInfo(slave).isSymLink());
    ASSERT_TRUE(PortListFile(SerialPortName::kPortListFile).write({{2, slave}}));

    SerialUnitPort port;
    port.open(2);  // line 2 of serialports.txt
    StatusParser parser;

    port.send(UnitCommands::setPoint(120, 100, kB5Factor));
    StatusReply r;
    for (int i = 0; i < 50 && r.value(StatusField::SampleTemp) < 115; ++i) r = poll(port, parser);
    ASSERT_TRUE(r.complete());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.text(StatusField::TempSetPoint), "120");
    EXPECT_NEAR(r.value(StatusField::Pressure), 300, 3);
    EXPECT_NEAR(r.value(StatusField::ShearRate), 100, 1);

    StoredSequence seq;
    seq.steps = {SequenceStep{2, 125, 20, 100, 1}};
    seq.shearRates_1ps = {100, 300};
    seq.settings = SequenceSettings{20, 2, 5, 0, 0, 20};
    ASSERT_TRUE(SequenceDownload::send(port, SequenceBody::build(seq)));  // the real six-second wait

    ASSERT_TRUE(units.server.withUnit(2, [](UnitFirmware& u) { ASSERT_TRUE(u.startDownloadedSequence()); }));
    bool running = true;
    for (int i = 0; i < 100 && running; ++i) {
        port.delay(0.05);
        units.server.withUnit(2, [&](UnitFirmware& u) { running = u.runningSequence(); });
    }
    ASSERT_FALSE(running);

    const QByteArray transfer = DataDownload::fetch(port);
    ASSERT_EQ(DataDownload::judge(transfer), DataDownload::Outcome::Complete);
    const QList<DataRecord> got = DataDownload::parseRecords(transfer);
    qsizetype stored = 0;
    units.server.withUnit(2, [&](UnitFirmware& u) { stored = u.records().size(); });
    EXPECT_EQ(got.size(), stored);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got.back().typeId, 1);
    EXPECT_EQ(got.back().stepNo, 2);
    EXPECT_NEAR(got.back().shearRate_1ps, 300, 1);
}

TEST_F(PtyEndToEnd, VanishedPortIsLostThenFoundAgainAtItsLink) {
    ServedUnits units(1.0);
    const QString link = dir_.file(QStringLiteral("r7716-unit1"));
    units.server.addUnit(1, options(), link);
    ASSERT_TRUE(PortListFile(SerialPortName::kPortListFile).write({{1, link}}));

    SerialUnitPort port;
    port.open(1);
    StatusParser parser;
    ASSERT_TRUE(poll(port, parser).complete());

    units.server.vanish(1, 0.5);
    for (int i = 0; i < 20 && !port.isDeviceLost(); ++i) port.delay(0.05);
    EXPECT_TRUE(port.isDeviceLost());
    EXPECT_THROW(port.send(UnitCommands::statusQuery()), UnitPortError);

    for (int i = 0; i < 40 && port.isDeviceLost(); ++i) port.delay(0.1);
    ASSERT_FALSE(port.isDeviceLost()) << port.lastError().toStdString();
    parser.clear();
    EXPECT_TRUE(poll(port, parser).complete());
}

TEST(PortListFileOfTheSimulator, ReplacesServedLinesKeepsTheRestAndRestores) {
    TempWorkDir dir;
    {
        QFile f(QStringLiteral("serialports.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("/dev/ttyUSB0\r\n/dev/ttyUSB1\r\n");
    }
    const PortListFile list(QStringLiteral("serialports.txt"));
    ASSERT_TRUE(list.write({{2, "/dev/pts/7"}, {4, "/dev/pts/9"}}));
    EXPECT_EQ(SerialPortName::deviceForPort(1), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortName::deviceForPort(2), "/dev/pts/7");
    EXPECT_EQ(SerialPortName::deviceForPort(3), "/dev/ttyS2");
    EXPECT_EQ(SerialPortName::deviceForPort(4), "/dev/pts/9");
    list.restore();
    QFile f(QStringLiteral("serialports.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("/dev/ttyUSB0\r\n/dev/ttyUSB1\r\n"));
}

TEST(PortListFileOfTheSimulator, AFileThatWasNotThereIsRemovedAgain) {
    TempWorkDir dir;
    const PortListFile list(QStringLiteral("serialports.txt"));
    ASSERT_TRUE(list.write({{1, "/dev/pts/3"}}));
    EXPECT_EQ(SerialPortName::deviceForPort(1), "/dev/pts/3");
    list.restore();
    EXPECT_FALSE(QFile::exists(QStringLiteral("serialports.txt")));
}

}  // namespace
