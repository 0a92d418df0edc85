#include "common/Settings.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>
#include <optional>
#include <vector>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(Settings, LoadTakesTheFilesUnitSystemOrFallsBackToCgsSayingWhyInOneShortSentence) {
    struct Case {
        const char* what;
        std::optional<QByteArray> file;
        UnitSystem expected;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"good", QByteArray("3 0 0 0 0 0 0 0 2"), UnitSystem::EI, ""},
        {"short", QByteArray("3 0 0"), UnitSystem::CGS, "holds only 3 of its nine numbers"},
        {"garbled", QByteArray("4 0 0 0 0 0 0 0 \x01\x02SI") + QByteArray(300, 'x'), UnitSystem::CGS,
         "\"??SIxxx"},
        {"missing", std::nullopt, UnitSystem::CGS, "was not found"},
        {"10 MB", QByteArray(10 << 20, '\x7f'), UnitSystem::CGS, "is not a settings file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir dir;
        if (c.file) writeFile("initial.txt", *c.file);
        Settings settings;
        settings.load();
        EXPECT_EQ(settings.unitSystem(), c.expected);
        const QString problem = settings.unitSystemProblem();
        EXPECT_TRUE(problem.contains(QString::fromLatin1(c.reason))) << problem.toStdString();
        EXPECT_LT(problem.size(), 300) << "quotes no more than a short piece of the file";
    }
}

TEST(Settings, AChosenUnitSystemIsAnnouncedOnceAndASaveIsAdoptedUnlessItFails) {
    TempWorkDir dir;
    ASSERT_TRUE(QDir().mkdir("sub"));
    const QString path = QStringLiteral("sub/initial.txt");
    writeFile(path, "1 0 0 0 0 0 0 0 1");
    Settings settings(path);
    settings.load();
    std::vector<UnitSystem> heard;
    QObject::connect(&settings, &Settings::unitSystemChanged, [&](UnitSystem s) { heard.push_back(s); });

    settings.setUnitSystem(UnitSystem::SI);
    settings.setUnitSystem(UnitSystem::SI);
    EXPECT_EQ(heard, std::vector<UnitSystem>{UnitSystem::SI});
    EXPECT_EQ(Settings(path).load().settings.systemOfUnits, 1);

    InitialSettings values;
    values.ports[0] = 5;
    values.systemOfUnits = numberOfUnitSystem(UnitSystem::EI);
    ASSERT_TRUE(settings.save(values));
    EXPECT_EQ(heard.back(), UnitSystem::EI);
    EXPECT_EQ(Settings(path).load().settings.ports[0], 5);

    // The folder gone: the save fails and the values in force stay.
    ASSERT_TRUE(QDir().rename("sub", "elsewhere"));
    values.ports[0] = 7;
    values.systemOfUnits = numberOfUnitSystem(UnitSystem::SI);
    EXPECT_FALSE(settings.save(values));
    EXPECT_EQ(settings.port(1), 5);
    EXPECT_EQ(settings.unitSystem(), UnitSystem::EI);
}

}  // namespace
