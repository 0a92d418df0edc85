#include "common/InitialSettings.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <vector>

namespace {

using Status = InitialSettings::ReadStatus;

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

TEST(InitialSettings, OneUnitOnTheThirdPortWithEnglishUnitsIsReadFromNineLines) {
    TempWorkDir dir;
    writeFile("initial.txt", "3\n0\n0\n0\n0\n0\n0\n0\n2\n");

    const auto read = InitialSettings::read();

    ASSERT_TRUE(read.complete()) << read.problem().toStdString();
    EXPECT_EQ(read.settings.port(1), 3);
    for (int unit = 2; unit <= 8; ++unit) EXPECT_EQ(read.settings.port(unit), 0) << "unit " << unit;
    EXPECT_EQ(read.settings.systemOfUnits, 2);
    EXPECT_TRUE(read.problem().isEmpty());
}

TEST(InitialSettings, NumbersAreTakenWhateverBlanksAndLineEndsSeparateThem) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const std::vector<Case> cases = {
        {"as the program writes it", " 3 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n-1 \r\n 2 \r\n"},
        {"bare numbers, one per line", "3\n0\n0\n0\n0\n0\n0\n-1\n2\n"},
        {"one line", "3 0 0 0 0 0 0 -1 2"},
        {"tabs and commas", "3\t0,0, 0\t\t0 ,0\n0\n-1\n2"},
        {"blank lines between and around", "\r\n\r\n3\r\n\r\n0\n0\n\n0\n0\n0\n0\n   \n-1\n\n2\n\n\n"},
        {"no line end after the last number", "3\n0\n0\n0\n0\n0\n0\n-1\n2"},
        {"an editor's UTF-8 mark",
         "\xEF\xBB\xBF"
         "3\n0\n0\n0\n0\n0\n0\n-1\n2\n"},
        {"a plus sign", "+3\n0\n0\n0\n0\n0\n0\n-1\n+2\n"},
        {"anything after the ninth number", "3\n0\n0\n0\n0\n0\n0\n-1\n2\n7\nnotes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto read = InitialSettings::parse(c.bytes);
        ASSERT_TRUE(read.complete()) << read.problem().toStdString();
        EXPECT_EQ(read.settings.ports, (std::array<int, 8>{3, 0, 0, 0, 0, 0, 0, -1}));
        EXPECT_EQ(read.settings.systemOfUnits, 2);
    }
}

TEST(InitialSettings, AShortFileSaysHowManyNumbersItHoldsAndWhatIsMissing) {
    struct Case {
        QByteArray bytes;
        int numbersRead;
        bool hasPorts;
        const char* problemPart;
    };
    const std::vector<Case> cases = {
        {"", 0, false, "holds no numbers; it needs nine"},
        {" \r\n\r\n", 0, false, "holds no numbers; it needs nine"},
        {"3\n0\n4\n0\n5\n", 5, false,
         "holds only 5 of its nine numbers (the serial ports of units 1 to 8, then the unit system): the "
         "serial ports of units 6 to 8 and the unit system are missing."},
        {"1 2 3 4 5 6 7", 7, false, "the serial port of unit 8 and the unit system are missing."},
        {"1 2 3 4 5 6 7 8", 8, true, "holds only 8 of its nine numbers"},
        {"1 2 3 4 5 6 7 8\r\n", 8, true, "the unit system is missing."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        const auto read = InitialSettings::parse(c.bytes);
        EXPECT_EQ(read.status, Status::TooFewNumbers);
        EXPECT_EQ(read.numbers.size(), c.numbersRead);
        EXPECT_EQ(read.hasPorts(), c.hasPorts);
        EXPECT_FALSE(read.hasUnitSystem());
        EXPECT_TRUE(read.problem().contains(QString::fromLatin1(c.problemPart)))
            << read.problem().toStdString();
        EXPECT_TRUE(read.problem().contains(QStringLiteral("\"initial.txt\"")));
        // What was not read keeps its default.
        EXPECT_EQ(read.settings.systemOfUnits, 1);
    }
    // The numbers that were there are kept for readers that need only the ports.
    const auto eight = InitialSettings::parse("1 2 3 4 5 6 7 8");
    EXPECT_EQ(eight.settings.ports, (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(InitialSettings, AnItemThatIsNotAWholeNumberStopsTheReadingAndIsNamed) {
    struct Case {
        QByteArray bytes;
        int numbersRead;
        const char* offending;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {"3\nCOM1\n0\n0\n0\n0\n0\n0\n2\n", 1, "COM1",
         "Item 2 of the settings file \"initial.txt\", \"COM1\", is not a whole number; it should be the "
         "serial "
         "port of unit 2."},
        {"0 0 0 0 0 0 0 0 CGS", 8, "CGS", "it should be the unit system."},
        {"2.5 0 0 0 0 0 0 0 1", 0, "2.5", "Item 1 of"},
        {"0 0 0 0 0 0 0 0 99999999999", 8, "99999999999", "Item 9 of"},
        {"0 0 0 0 0 0 0 0 1x", 8, "1x", "Item 9 of"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        const auto read = InitialSettings::parse(c.bytes);
        EXPECT_EQ(read.status, Status::NotANumber);
        EXPECT_EQ(read.numbers.size(), c.numbersRead);
        EXPECT_EQ(read.offendingText, QString::fromLatin1(c.offending));
        EXPECT_TRUE(read.problem().contains(QString::fromLatin1(c.problem))) << read.problem().toStdString();
    }
}

TEST(InitialSettings, AMissingFileIsReportedWithThePlaceItWasLookedFor) {
    TempWorkDir dir;
    const auto read = InitialSettings::read();
    EXPECT_EQ(read.status, Status::FileMissing);
    EXPECT_TRUE(read.numbers.isEmpty());
    EXPECT_FALSE(read.hasPorts());
    EXPECT_EQ(read.problem(),
              QStringLiteral("The settings file \"initial.txt\" was not found (looked for %1).")
                  .arg(QDir(dir.path()).absoluteFilePath("initial.txt")));
}

TEST(InitialSettings, AFileThatCannotBeReadIsReportedWithTheSystemsReason) {
    TempWorkDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("initial.txt"));
    const auto read = InitialSettings::read();
    EXPECT_EQ(read.status, Status::FileUnreadable);
    EXPECT_FALSE(read.systemReason.isEmpty());
    EXPECT_TRUE(read.problem().contains(read.systemReason)) << read.problem().toStdString();
}

TEST(InitialSettings, WritingPutsEachNumberWithItsSignBlankTrailingBlankAndCrLf) {
    TempWorkDir dir;
    InitialSettings settings;
    settings.ports = {3, 0, 12, 0, 0, 0, 0, -1};  // unit 8's selector had no selection
    settings.systemOfUnits = 3;

    QString error;
    ASSERT_TRUE(settings.write(&error)) << error.toStdString();

    EXPECT_EQ(readFile("initial.txt"),
              QByteArray(" 3 \r\n 0 \r\n 12 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n-1 \r\n 3 \r\n"));
    const auto back = InitialSettings::read();
    ASSERT_TRUE(back.complete());
    EXPECT_EQ(back.settings.ports, settings.ports);
    EXPECT_EQ(back.settings.systemOfUnits, 3);
}

TEST(InitialSettings, WritingReplacesTheWholeFile) {
    TempWorkDir dir;
    writeFile("initial.txt", "1\n2\n3\n4\n5\n6\n7\n8\n2\nsome longer old contents that must go\n");
    InitialSettings settings;
    ASSERT_TRUE(settings.write());
    EXPECT_EQ(readFile("initial.txt"),
              QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n"));
}

TEST(InitialSettings, AFailedWriteGivesTheReasonAndLeavesNothingBehind) {
    TempWorkDir dir;
    InitialSettings settings;
    QString error;
    EXPECT_FALSE(settings.write(&error, dir.file("no such folder/initial.txt")));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST(InitialSettings, PortsOfUnitsOutsideOneToEightAreNone) {
    InitialSettings settings;
    settings.ports = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(settings.port(1), 1);
    EXPECT_EQ(settings.port(8), 8);
    EXPECT_EQ(settings.port(0), 0);
    EXPECT_EQ(settings.port(9), 0);
}

}  // namespace
