#include "link/SerialPortName.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

struct NameCase {
    const char* name;
    const char* listFile;  // nullptr: no file
    int port;
    const char* device;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class SerialPortNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SerialPortNames, FollowTheListFileElseTheStandardDevice) {
    const NameCase& c = GetParam();
    TempWorkDir dir;
    if (c.listFile) {
        QFile f(SerialPortName::kPortListFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.listFile);
    }
    EXPECT_EQ(SerialPortName::deviceForPort(c.port), QString::fromLatin1(c.device));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SerialPortNames,
    ::testing::Values(NameCase{"NoFileGivesTtyS", nullptr, 1, "/dev/ttyS0"},
                      NameCase{"NoFileTwelfthPort", nullptr, 12, "/dev/ttyS11"},
                      NameCase{"LineNIsPortN", "/dev/ttyUSB0\n/dev/serial/by-id/usb-unit2\n", 2,
                               "/dev/serial/by-id/usb-unit2"},
                      NameCase{"BlanksAroundThePathAreIgnored", "  /dev/ttyUSB3  \r\n", 1, "/dev/ttyUSB3"},
                      NameCase{"BlankLineFallsBack", "/dev/ttyUSB0\n\n/dev/ttyUSB2\n", 2, "/dev/ttyS1"},
                      NameCase{"ShortFileFallsBack", "/dev/ttyUSB0\n", 3, "/dev/ttyS2"},
                      NameCase{"LastLineWithoutNewline", "/dev/a\n/dev/b", 2, "/dev/b"},
                      NameCase{"ABareNameLiesUnderDev", "ttyS0\n", 1, "/dev/ttyS0"},
                      NameCase{"ABareByIdNameLiesUnderDev", "serial/by-id/usb-unit1\n", 1,
                               "/dev/serial/by-id/usb-unit1"},
                      NameCase{"APathFromTheWorkingDirectoryStays", "./unit1\n", 1, "./unit1"},
                      NameCase{"PortZeroHasNoDevice", "/dev/a\n", 0, ""},
                      NameCase{"NegativePortHasNoDevice", nullptr, -3, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
