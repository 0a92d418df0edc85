#include "link/SerialPortName.h"
#include "link/SerialUnitPort.h"
#include "link/UnitCommands.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <memory>

namespace {

// A pseudo-terminal standing in for a unit on a serial line: the test plays the unit on the master side.
class TestTerminal {
  public:
    TestTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        char name[256];
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, name, sizeof name))
            return;
        slave_ = QString::fromLocal8Bit(name);
    }
    ~TestTerminal() { unplug(); }
    TestTerminal(const TestTerminal&) = delete;
    TestTerminal& operator=(const TestTerminal&) = delete;

    bool ok() const { return master_ >= 0 && !slave_.isEmpty(); }
    const QString& slave() const { return slave_; }
    void write(const QByteArray& bytes) {
        ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
    }
    // What the program sent, waiting up to a second for it to arrive.
    QByteArray read(qsizetype atLeast) {
        QByteArray got;
        for (int i = 0; i < 100 && got.size() < atLeast; ++i) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char b[512];
                const ssize_t n = ::read(master_, b, sizeof b);
                if (n > 0) got.append(b, n);
            }
        }
        return got;
    }
    void unplug() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    QString slave_;
};

void writeList(const QStringList& lines) {
    QFile f(SerialPortName::kPortListFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((lines.join(u'\n') + u'\n').toLocal8Bit());
}

class SerialUnitPortTest : public ::testing::Test {
  protected:
    // QSerialPort wants an application object for its notifiers, although these tests never run its loop.
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    static void TearDownTestSuite() { app_.reset(); }

    TempWorkDir dir_;

  private:
    static inline int argc_ = 1;
    static inline char name_[] = "test_instrument";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QCoreApplication> app_;
};

TEST_F(SerialUnitPortTest, OpensTheDeviceOnItsLineOfTheListFileAndTalksBothWays) {
    TestTerminal unit;
    ASSERT_TRUE(unit.ok());
    writeList({QStringLiteral("/dev/null-not-this-one"), unit.slave()});
    SerialUnitPort port;
    port.open(2);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.deviceName(), unit.slave());

    port.send(UnitCommands::statusQuery());
    EXPECT_EQ(unit.read(2), QByteArray("\x07\x1a"));

    unit.write("1,250,252,250,300.00,");
    unit.write("250.3,400,511.1,0\x1a");
    port.delay(0.2);  // bytes arriving during a blocking wait are kept for the read
    EXPECT_EQ(port.waitingCount(), 39);
    EXPECT_EQ(port.readAll(), QByteArray("1,250,252,250,300.00,250.3,400,511.1,0\x1a"));
    EXPECT_EQ(port.readAll(), QByteArray());
    EXPECT_EQ(port.waitingCount(), 0);
}

TEST_F(SerialUnitPortTest, ABareDeviceNameInTheListFileIsOpenedAndWatchedUnderDev) {
    TestTerminal unit;
    ASSERT_TRUE(unit.ok());
    ASSERT_TRUE(unit.slave().startsWith("/dev/"));
    writeList({unit.slave().mid(5)});  // "pts/3", as an operator writes "ttyS0"
    SerialUnitPort port;
    port.open(1);
    EXPECT_EQ(port.deviceName(), unit.slave());
    port.send(UnitCommands::statusQuery());
    unit.write("0,70,71,0,0.00,0.0,0,0.0,0\x1a");
    port.delay(0.1);
    EXPECT_EQ(port.readAll(), QByteArray("0,70,71,0,0.00,0.0,0,0.0,0\x1a"));
    EXPECT_FALSE(port.isDeviceLost()) << "the presence check looked for the device elsewhere";
    EXPECT_NO_THROW(port.send(UnitCommands::statusQuery()));
}

TEST_F(SerialUnitPortTest, EveryByteValuePassesUntouched) {
    TestTerminal unit;
    ASSERT_TRUE(unit.ok());
    SerialUnitPort port;
    port.openDevice(unit.slave());
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    port.send(all);
    EXPECT_EQ(unit.read(all.size()), all);
    unit.write(all);
    port.delay(0.2);
    EXPECT_EQ(port.readAll(), all);
}

TEST_F(SerialUnitPortTest, OpenFailureCarriesTheDeviceAndANumber) {
    writeList({QStringLiteral("/nonexistent/ttyUSB9")});
    SerialUnitPort port;
    try {
        port.open(1);
        FAIL() << "opened a device that does not exist";
    } catch (const UnitPortError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("/nonexistent/ttyUSB9"))) << e.what();
        EXPECT_GT(e.number(), UnitPortErrorNumber::kBase);
        EXPECT_NE(e.number(), 429);
    }
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.lastError().isEmpty());
    port.close();  // closing a port that never opened is no error
    EXPECT_THROW(port.open(0), UnitPortError);
}

TEST_F(SerialUnitPortTest, AClosedPortRefusesEveryTransferButNotAWait) {
    SerialUnitPort port;
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { port.send("x"); }, [&] { port.readAll(); }, [&] { port.waitingCount(); }}) {
        try {
            operation();
            ADD_FAILURE() << "a closed port transferred";
        } catch (const UnitPortError& e) {
            EXPECT_EQ(e.number(), UnitPortErrorNumber::kNotOpen);
        }
    }
    EXPECT_NO_THROW(port.delay(0.01));
}

TEST_F(SerialUnitPortTest, OpeningAnOpenPortAgainIsRefused) {
    TestTerminal unit;
    ASSERT_TRUE(unit.ok());
    SerialUnitPort port;
    port.openDevice(unit.slave());
    EXPECT_THROW(port.openDevice(unit.slave()), UnitPortError);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialUnitPortTest, ASecondWindowCannotOpenAPortInUse) {
    TestTerminal unit;
    ASSERT_TRUE(unit.ok());
    SerialUnitPort first, second;
    first.openDevice(unit.slave());
    try {
        second.openDevice(unit.slave());
        ADD_FAILURE() << "opened a port in use";
    } catch (const UnitPortError& e) {
        // Not the service's "Permission error while locking the device", which sends the operator
        // looking for missing rights.
        EXPECT_EQ(e.description(), unit.slave() + ": the port is in use by another program");
        EXPECT_EQ(e.number(), UnitPortErrorNumber::kBase + QSerialPort::PermissionError);
    }
    EXPECT_FALSE(second.isOpen());
    first.close();
    EXPECT_NO_THROW(second.openDevice(unit.slave()));
}

TEST_F(SerialUnitPortTest, LostDeviceIsReportedAndReopenedWhenItIsBack) {
    // A stable link, as /dev/serial/by-id gives a USB adapter, that follows the device when it comes back.
    const QString link = dir_.file(QStringLiteral("unit1"));
    auto unit = std::make_unique<TestTerminal>();
    ASSERT_TRUE(unit->ok());
    ASSERT_TRUE(QFile::link(unit->slave(), link));
    writeList({link});
    SerialUnitPort port;
    port.open(1);

    unit.reset();  // pulled out: the device node goes away
    QFile::remove(link);
    EXPECT_THROW(port.readAll(), UnitPortError);
    EXPECT_TRUE(port.isDeviceLost());
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(port.lastError().isEmpty());
    try {
        port.send(UnitCommands::statusQuery());
        ADD_FAILURE() << "sent to a lost device";
    } catch (const UnitPortError& e) {
        EXPECT_EQ(e.number(), UnitPortErrorNumber::kDeviceLost);
    }
    port.delay(0.3);  // still gone: the wait just waits
    EXPECT_TRUE(port.isDeviceLost());

    auto back = std::make_unique<TestTerminal>();  // plugged in again
    ASSERT_TRUE(back->ok());
    ASSERT_TRUE(QFile::link(back->slave(), link));
    port.delay(0.6);
    EXPECT_FALSE(port.isDeviceLost());
    port.send(UnitCommands::statusQuery());
    EXPECT_EQ(back->read(2), QByteArray("\x07\x1a"));
    back->write("0,70,71,0,0.00,0.0,0,0.0,0\x1a");
    port.delay(0.1);
    EXPECT_EQ(port.readAll(), QByteArray("0,70,71,0,0.00,0.0,0,0.0,0\x1a"));
}

struct SettingsCase {
    const char* text;
    bool accepted;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class SerialSettingsText : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SerialSettingsText, IsAppliedOnlyWhenWellFormed) {
    QSerialPort port;
    EXPECT_EQ(applySerialSettings(port, QString::fromLatin1(GetParam().text)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SerialSettingsText,
    ::testing::Values(SettingsCase{"19200,n,8,1", true}, SettingsCase{"9600,E,7,2", true},
                      SettingsCase{"19200,n,8,1.5", true}, SettingsCase{"19200,n,8", false},
                      SettingsCase{"fast,n,8,1", false}, SettingsCase{"19200,x,8,1", false},
                      SettingsCase{"19200,n,9,1", false}, SettingsCase{"19200,n,8,3", false},
                      SettingsCase{"", false}));

TEST(SerialSettingsValues, TheUnitLinkIs19200Baud8DataBitsNoParityOneStop) {
    QSerialPort port;
    ASSERT_TRUE(applySerialSettings(port, SerialUnitPort::kSettings));
    EXPECT_EQ(SerialUnitPort::kSettings, "19200,n,8,1");
    EXPECT_EQ(port.baudRate(), 19200);
    EXPECT_EQ(port.dataBits(), QSerialPort::Data8);
    EXPECT_EQ(port.parity(), QSerialPort::NoParity);
    EXPECT_EQ(port.stopBits(), QSerialPort::OneStop);
    EXPECT_EQ(port.flowControl(), QSerialPort::NoFlowControl);
}

}  // namespace
