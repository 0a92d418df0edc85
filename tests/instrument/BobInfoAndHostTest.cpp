// The bob file and the host's rules that need no window: sequential-input items, captions, which unit a
// window is, and the port and bob of a unit with the failures the add handlers report.

#include "instrument/RealTimeHost.h"
#include "link/BobInfo.h"
#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(BobInfoItems, AreReadAsTheSequentialInputStatementReadsText) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList items;
    };
    const Case cases[] = {
        {"plain lines with CR LF", "B5\r\nXB1\r\n", {"B5", "XB1"}},
        {"bare line feeds and a last line without end", "B1\nB2", {"B1", "B2"}},
        {"carriage returns alone", "B1\rB2\r", {"B1", "B2"}},
        {"leading and trailing blanks dropped", "   XB2  \r\n\tB3\t\r\n", {"XB2", "B3"}},
        {"quotes removed, blanks inside kept", "\"XB2\"\r\n\" B 5 \"\r\n", {"XB2", " B 5 "}},
        {"a comma ends an item and starts the next", "B5, XB2\r\nB1\r\n", {"B5", "XB2", "B1"}},
        {"a comma inside quotes belongs to the item", "\"B5,XB2\"\r\nB1\r\n", {"B5,XB2", "B1"}},
        {"text after a closing quote is skipped", "\"B5\" junk\r\nB1\r\n", {"B5", "B1"}},
        {"an empty line is an empty item", "B5\r\n\r\nB1\r\n", {"B5", "", "B1"}},
        {"an editor's UTF-8 mark is not part of the first name",
         "\xEF\xBB\xBF"
         "B5\r\n",
         {"B5"}},
        {"an empty file has none", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(BobInfo::items(c.bytes, 8), c.items) << c.name;
}

TEST(BobInfoItems, StopAtTheCountAsked) {
    EXPECT_EQ(BobInfo::items("B1\r\nB2\r\nB3\r\n", 2), (QStringList{"B1", "B2"}));
}

TEST(BobInfoRead, GivesEightNamesOrTheFailureWithItsNumber) {
    TempWorkDir dir;
    BobInfo::ReadResult missing = BobInfo::read();
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.number, BobInfo::kFileNotFound);
    EXPECT_TRUE(missing.description.contains("BOBINFO.TXT")) << missing.description.toStdString();

    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB1\r\nXB2\r\nB5\r\n");
    const BobInfo::ReadResult shortFile = BobInfo::read();
    EXPECT_EQ(shortFile.number, BobInfo::kInputPastEnd);
    EXPECT_TRUE(shortFile.description.contains("5 of the 8")) << shortFile.description.toStdString();

    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB1\r\nXB2\r\nB5\r\nB2\r\nXB5\r\nXB1\r\n");
    const BobInfo::ReadResult whole = BobInfo::read();
    EXPECT_TRUE(whole.ok());
    EXPECT_EQ(whole.names, (QStringList{"B5", "B5", "B1", "XB2", "B5", "B2", "XB5", "XB1"}));
}

TEST(RealTimeHostTexts, CaptionsAndInstrumentNamesCarryTheNumbersSignBlank) {
    EXPECT_EQ(RealTimeHost::unitText(1), "Unit 1");
    EXPECT_EQ(RealTimeHost::realTimeCaption(1), "Unit 1 Real Time Test");
    EXPECT_EQ(RealTimeHost::simpleTestCaption(8), "Unit 8  Simple Test");
    EXPECT_EQ(RealTimeHost::errorText({"No such device", 8001}), "No such device - 8001");
}

TEST(RealTimeHostTexts, AWindowKnowsItsUnitOnlyFromAnExactInstrumentName) {
    struct Case {
        const char* caption;
        int unit;
    };
    const Case cases[] = {{"Unit 1", 1},  {"Unit 8", 8}, {"Unit 9", 0}, {"Unit1", 0},
                          {"Unit  3", 0}, {"unit 3", 0}, {"", 0},       {"Unit 3 ", 0}};
    for (const Case& c : cases) EXPECT_EQ(RealTimeHost::unitFromInstName(c.caption), c.unit) << c.caption;
}

TEST(RealTimeHostAvailability, OnlyUnitsWithAPortMayBeAdded) {
    TempWorkDir dir;
    writeFile("initial.txt", "3\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n2\r\n");
    const RealTimeHost::Availability a = RealTimeHost::readAvailability(InitialSettings::read());
    const std::array<bool, 8> onlyUnitOne{true, false, false, false, false, false, false, false};
    EXPECT_EQ(a.unitEnabled, onlyUnitOne);
    EXPECT_TRUE(a.problem.isEmpty());
}

TEST(RealTimeHostAvailability, AShortOrMissingFileEnablesOnlyWhatItGivesAndSaysWhy) {
    TempWorkDir dir;
    const RealTimeHost::Availability none = RealTimeHost::readAvailability(InitialSettings::read());
    EXPECT_EQ(none.unitEnabled, (std::array<bool, 8>{}));
    EXPECT_FALSE(none.problem.isEmpty());

    writeFile("initial.txt", " 1 \r\n 0 \r\n 4 \r\n");
    const RealTimeHost::Availability three = RealTimeHost::readAvailability(InitialSettings::read());
    EXPECT_EQ(three.unitEnabled, (std::array<bool, 8>{true, false, true, false, false, false, false, false}));
    EXPECT_FALSE(three.problem.isEmpty());

    writeFile("initial.txt", "1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n1\r\n7\r\n");
    const RealTimeHost::Availability badSystem = RealTimeHost::readAvailability(InitialSettings::read());
    EXPECT_TRUE(badSystem.problem.contains("unit system")) << badSystem.problem.toStdString();
}

TEST(RealTimeHostAdd, ThePortIsReadOnlyAsFarAsTheUnitsLine) {
    TempWorkDir dir;
    struct Case {
        const char* name;
        QByteArray file;  // empty: no file
        int unit;
        std::optional<int> port;
        int errorNumber;
    };
    const Case cases[] = {
        {"missing file", {}, 1, std::nullopt, RealTimeHost::kFileNotFound},
        {"line 2 of a full file", " 3 \r\n 5 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n", 2, 5, 0},
        {"a short file that reaches the line", " 3 \r\n 5 \r\n", 2, 5, 0},
        {"a short file that does not", " 3 \r\n 5 \r\n", 3, std::nullopt, RealTimeHost::kInputPastEnd},
        {"a word before the line", " 3 \r\n COM2 \r\n", 2, std::nullopt, RealTimeHost::kTypeMismatch},
        {"no unit 9", " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n", 9, std::nullopt,
         RealTimeHost::kInputPastEnd},
    };
    for (const Case& c : cases) {
        QFile::remove("initial.txt");
        if (!c.file.isEmpty()) writeFile("initial.txt", c.file);
        RealTimeHost::AddError error;
        EXPECT_EQ(RealTimeHost::portOfUnit(c.unit, error, InitialSettings::read()), c.port) << c.name;
        EXPECT_EQ(error.number, c.errorNumber) << c.name;
        if (c.errorNumber != 0) EXPECT_FALSE(error.description.isEmpty()) << c.name;
    }
}

TEST(RealTimeHostAdd, TheBobOfUnitFourIsTheFourthNameOfTheWholeFile) {
    TempWorkDir dir;
    RealTimeHost::AddError error;
    EXPECT_EQ(RealTimeHost::bobOfUnit(4, error), std::nullopt);
    EXPECT_EQ(error.number, BobInfo::kFileNotFound);

    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nXB2\r\n");
    error = {};
    EXPECT_EQ(RealTimeHost::bobOfUnit(4, error), std::nullopt) << "the file must hold all eight";
    EXPECT_EQ(error.number, BobInfo::kInputPastEnd);

    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nXB2\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
    error = {};
    EXPECT_EQ(RealTimeHost::bobOfUnit(4, error), QString("XB2"));
    EXPECT_EQ(error.number, 0);
}

}  // namespace
